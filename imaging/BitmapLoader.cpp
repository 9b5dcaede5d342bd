#include "imaging/BitmapLoader.h"

#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <memory>

#include "imaging/LinearBitmap.h"
#include "platform/Strings.h"
#include "platform/graphics/SysServices.h"

namespace {

std::unique_ptr<TBitmapLoaders> registry;

// A new empty temporary file "<temp>/XXXXXX.<ext>", created exclusively with mode 0600; the
// descriptor is returned open. The name keeps only letters, digits, '-' and '_' of ext.
int MakeTempFile(const std::string& ext, std::string& name) {
    std::string suffix = ".";
    for (char c : ext)
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') suffix += c;
    std::string tmpl = GetTempPath() + "XXXXXX" + suffix;
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    const int fd = ::mkstemps(buf.data(), static_cast<int>(suffix.size()));
    if (fd < 0) throw EOSError("System Error. Code: " + std::to_string(errno) + ".\n" + LastErrorText());
    name = buf.data();
    return fd;
}

}  // namespace

// ---- TBitmapLoader ----

bool TBitmapLoader::CanLoad(const std::string& ext) {
    if (ext.empty()) return false;
    return Pos("*." + UpperCase(ext), UpperCase(GetLoadFilter())) > 0;
}

bool TBitmapLoader::CanSave(const std::string& ext) {
    if (ext.empty()) return false;
    return Pos("*." + UpperCase(ext), UpperCase(GetSaveFilter())) > 0;
}

std::string TBitmapLoader::GetLoadFilter() { return std::string(); }

std::string TBitmapLoader::GetSaveFilter() { return GetLoadFilter(); }

void TBitmapLoader::LoadFromFile(const std::string& fileName, const std::string& ext, TLinearBitmap& image) {
    imaging::TFileStream stream(fileName, omRead | omShareRead);
    LoadFromStream(stream, ext, image);
}

void TBitmapLoader::SaveToFile(const std::string& fileName, const std::string& ext, TLinearBitmap& image) {
    imaging::TFileStream stream(fileName, omRead | omWrite | omCreate);
    SaveToStream(stream, ext, image);
}

void TBitmapLoader::LoadFromStream(TSeekableStream& stream, const std::string& ext, TLinearBitmap& image) {
    std::string name;
    const int fd = MakeTempFile(ext, name);
    const bool exact = stream.ExactIO;
    std::unique_ptr<imaging::TFileStream> file;
    bool fdOwned = false;  // from here on the file stream closes the descriptor
    try {
        file = imaging::TFileStream::CreateFromHandle(fd);
        fdOwned = true;
        if (exact) stream.SetExactIO(false);
        CopyStream(stream, file.get(), kMaxTempLoadBytes);
        file.reset();
        LoadFromFile(name, ext, image);
    } catch (...) {
        if (exact) stream.SetExactIO(true);
        if (!fdOwned) ::close(fd);
        file.reset();
        ::unlink(name.c_str());
        throw;
    }
    if (exact) stream.SetExactIO(true);
    ::unlink(name.c_str());
}

void TBitmapLoader::SaveToStream(TSeekableStream& stream, const std::string& ext, TLinearBitmap& image) {
    std::string name;
    ::close(MakeTempFile(ext, name));
    try {
        SaveToFile(name, ext, image);
        imaging::TFileStream file(name, omRead);
        stream.CopyFrom(file);
    } catch (...) {
        ::unlink(name.c_str());
        throw;
    }
    ::unlink(name.c_str());
}

// ---- TBitmapLoaders ----

void TBitmapLoaders::Add(TBitmapLoader* loader) {
    if (capacity_ <= Count()) {
        capacity_ += 5;
        items_.reserve(static_cast<size_t>(capacity_));
    }
    items_.push_back(loader);
}

TBitmapLoader& TBitmapLoaders::FindLoader(const std::string& ext) {
    const std::string name = UpperCase(ext);
    for (TBitmapLoader* loader : items_)
        if (loader->CanLoad(name)) return *loader;
    throw EUnsupportedFileFormat("Unsupported file format: " + name);
}

TBitmapLoaders& BitmapLoaders() {
    if (!registry) throw Exception("The bitmap loader registry is not initialised");
    return *registry;
}

void RegisterLoader(TBitmapLoader* loader) { BitmapLoaders().Add(loader); }

void imaging_detail::CreateBitmapLoaders() {
    if (!registry) registry = std::make_unique<TBitmapLoaders>();
}
