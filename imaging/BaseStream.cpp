#include "imaging/BaseStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

constexpr int64_t kChunk = 4096;

// Restores a stream's ExactIO flag on every way out of a scope.
class ExactIOOff {
public:
    explicit ExactIOOff(TBaseStream& s) : s_(s), was_(s.ExactIO) {
        if (was_) s_.SetExactIO(false);
    }
    ~ExactIOOff() {
        if (was_) s_.SetExactIO(true);
    }

private:
    TBaseStream& s_;
    bool was_;
};

std::string Fill(const char* format, const std::string& a) {
    std::string out = format;
    const size_t p = out.find("%s");
    if (p != std::string::npos) out.replace(p, 2, a);
    return out;
}

std::string Fill(const char* format, const std::string& a, const std::string& b) {
    return Fill(Fill(format, a).c_str(), b);
}

}  // namespace

std::string LastErrorText() { return std::strerror(errno); }

void TBaseStream::CopyFrom(TBaseStream& source) {
    ExactIOOff guard(source);
    std::vector<uint8_t> buf(kChunk);
    while (!source.Eof()) {
        const int64_t n = source.Read(buf.data(), kChunk);
        // A source that claims more data but yields none would loop for ever.
        if (n <= 0) break;
        Write(buf.data(), n);
    }
}

int64_t CopyStream(TBaseStream& source, TBaseStream* dest, int64_t maxCount) {
    std::vector<uint8_t> buf(kChunk);
    int64_t copied = 0;
    while (copied < maxCount && !source.Eof()) {
        const int64_t n = source.Read(buf.data(), std::min(maxCount - copied, kChunk));
        if (n <= 0) break;
        if (dest) dest->Write(buf.data(), n);
        copied += n;
    }
    return copied;
}

// ---- The file stream ----

namespace imaging {

TFileStream::TFileStream(const std::string& fileName, int mode) : fileName_(fileName) {
    const bool read = mode & omRead, write = mode & omWrite;
    if (!read && !write)
        throw EInOutError("Either read, write or full access must be specified in call to CreateFile");
    CanRead = read;
    CanWrite = write;
    int flags = O_CLOEXEC | (read && write ? O_RDWR : read ? O_RDONLY : O_WRONLY);
    if (mode & omCreate) flags |= O_CREAT | O_TRUNC;
    handle_ = ::open(fileName.c_str(), flags, 0666);
    if (handle_ < 0) throw EInOutError(Fill("Error opening \"%s\" - %s", fileName, LastErrorText()));
}

TFileStream::TFileStream(int handle) : handle_(handle) {
    CanRead = true;
    CanWrite = true;
}

std::unique_ptr<TFileStream> TFileStream::CreateFromHandle(int handle) {
    if (handle < 0) {
        if (errno == 0) errno = EBADF;
        throw EOSError("System Error. Code: " + std::to_string(errno) + ".\n" + LastErrorText());
    }
    return std::unique_ptr<TFileStream>(new TFileStream(handle));
}

TFileStream::~TFileStream() {
    if (handle_ >= 0) ::close(handle_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    int64_t done = 0;
    auto* p = static_cast<uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = ::read(handle_, p + done, static_cast<size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            // After some bytes moved, an error ends the transfer short instead.
            if (done > 0) break;
            throw EInOutError(Fill("Error reading from stream - %s", LastErrorText()));
        }
        if (n == 0) break;
        done += n;
    }
    if (ExactIO && done < count) throw EInOutError("Read less than expected");
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    int64_t done = 0;
    const auto* p = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = ::write(handle_, p + done, static_cast<size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            if (done > 0) break;
            throw EInOutError(Fill("Error writing to stream - %s", LastErrorText()));
        }
        if (n == 0) break;
        done += n;
    }
    if (ExactIO && done < count) throw EInOutError("Write less than expected");
    return done;
}

void TFileStream::Flush() { ::fsync(handle_); }

int64_t TFileStream::GetPosition() {
    const off_t pos = ::lseek(handle_, 0, SEEK_CUR);
    if (pos < 0) throw EInOutError(Fill("IO-error: %s", LastErrorText()));
    return pos;
}

int64_t TFileStream::GetSize() {
    struct stat st;
    if (::fstat(handle_, &st) != 0) throw EInOutError(Fill("IO-error: %s", LastErrorText()));
    return st.st_size;
}

void TFileStream::SetPosition(int64_t pos) {
    if (::lseek(handle_, static_cast<off_t>(pos), SEEK_SET) < 0)
        throw EInOutError(Fill("Error moving file pointer - %s", LastErrorText()));
}

void TFileStream::Truncate() {
    if (::ftruncate(handle_, static_cast<off_t>(GetPosition())) != 0)
        throw EInOutError(Fill("Error truncating file \"%s\" - %s", fileName_, LastErrorText()));
}

void TFileStream::CloseAndDelete() {
    const int h = handle_;
    handle_ = -1;
    if (::close(h) != 0) throw EInOutError(Fill("Error closing \"%s\" - %s", fileName_, LastErrorText()));
    if (::unlink(fileName_.c_str()) != 0)
        throw EInOutError(Fill("Error deleting \"%s\" - %s", fileName_, LastErrorText()));
}

}  // namespace imaging

// ---- Adapters ----

TNorvStream::TNorvStream(TBaseStream& source) : source_(source) { source_.SetExactIO(false); }

int64_t TNorvStream::Read(void* buffer, int64_t count) { return source_.Read(buffer, count); }

int64_t TNorvStream::Write(const void* buffer, int64_t count) { return source_.Write(buffer, count); }

int64_t TNorvStream::Seek(int64_t, TSeekOrigin) { throw EStreamError("Seeking not supported"); }

TSeekableNorvStream::TSeekableNorvStream(TSeekableStream& source) : TNorvStream(source), seekable_(source) {}

int64_t TSeekableNorvStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t target;
    switch (static_cast<int>(origin)) {
        case soBeginning: target = offset; break;
        case soCurrent: target = offset + seekable_.GetPosition(); break;
        case soEnd: target = offset + seekable_.GetSize(); break;
        default: throw EStreamError("Unknown seek origin");
    }
    seekable_.SetPosition(target);
    return target;
}

void TSeekableNorvStream::SetSize(int64_t newSize) {
    const int64_t pos = seekable_.GetPosition();
    if (newSize >= seekable_.GetSize()) {
        // Nothing is written, so the data does not grow.
        seekable_.SetPosition(newSize);
        seekable_.SetPosition(pos);
        return;
    }
    seekable_.SetPosition(newSize);
    seekable_.Truncate();
    if (newSize > pos) seekable_.SetPosition(pos);
}

TNorvFilterStream::TNorvFilterStream(TStream& stream) : stream_(stream) {
    CanRead = true;
    CanWrite = true;
}
