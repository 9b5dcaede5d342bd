#pragma once
// Format loaders and their registry: pictures enter the system through the loader that a format
// name selects, never by looking at the data.
#include <string>
#include <vector>

#include "imaging/BaseStream.h"
#include "platform/Exceptions.h"

class TLinearBitmap;

VA_DECLARE_EXCEPTION(EUnsupportedFileFormat, Exception)

// Ext is a format name: a file extension without the dot ("GIF", "JPG", ...).
// A loader overrides CanLoad/CanSave (or the filters) and at least one operation of each pair
// (LoadFromStream/LoadFromFile, SaveToStream/SaveToFile): each base operation falls back on the
// other of its pair.
class TBitmapLoader {
public:
    TBitmapLoader() = default;
    TBitmapLoader(const TBitmapLoader&) = delete;
    TBitmapLoader& operator=(const TBitmapLoader&) = delete;
    virtual ~TBitmapLoader() = default;

    // True when "*." + the upper-cased name occurs in the upper-cased filter; false for "".
    virtual bool CanLoad(const std::string& ext);
    virtual bool CanSave(const std::string& ext);
    // A file dialog filter: "Description (*.ext)|*.ext". Empty in the base class.
    virtual std::string GetLoadFilter();
    virtual std::string GetSaveFilter();
    // Base: through a temporary file and LoadFromFile (at most 100 MiB of the stream are read).
    virtual void LoadFromStream(TSeekableStream& stream, const std::string& ext, TLinearBitmap& image);
    // Base: through a temporary file written by SaveToFile.
    virtual void SaveToStream(TSeekableStream& stream, const std::string& ext, TLinearBitmap& image);
    // Base: opens the file and calls LoadFromStream.
    virtual void LoadFromFile(const std::string& fileName, const std::string& ext, TLinearBitmap& image);
    // Base: creates the file and calls SaveToStream.
    virtual void SaveToFile(const std::string& fileName, const std::string& ext, TLinearBitmap& image);
};

// The loaders in registration order; it refers to them and does not own them.
class TBitmapLoaders {
public:
    // Appends the loader; the block grows by 5 places at a time.
    void Add(TBitmapLoader* loader);
    // The first loader whose CanLoad accepts the upper-cased name; raises EUnsupportedFileFormat
    // "Unsupported file format: <NAME>".
    TBitmapLoader& FindLoader(const std::string& ext);

    int Count() const { return static_cast<int>(items_.size()); }
    int Capacity() const { return capacity_; }
    TBitmapLoader* Items(int i) const { return items_.at(static_cast<size_t>(i)); }

private:
    std::vector<TBitmapLoader*> items_;
    int capacity_ = 0;
};

// The one registry, made by imaging::initialise().
TBitmapLoaders& BitmapLoaders();
void RegisterLoader(TBitmapLoader* loader);

namespace imaging_detail {
void CreateBitmapLoaders();
}

// Largest part of a stream that the base stream load copies into its temporary file.
constexpr int64_t kMaxTempLoadBytes = 104857600;
