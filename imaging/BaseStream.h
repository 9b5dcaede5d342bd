#pragma once
// The imaging code's own stream family (sequential TBaseStream, positioned TSeekableStream, a file
// stream over a POSIX descriptor) and the adapters to and from the framework's TStream.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Exceptions.h"
#include "platform/Streams.h"

VA_DECLARE_EXCEPTION(EInOutError, Exception)

class TBaseStream {
public:
    TBaseStream() = default;
    TBaseStream(const TBaseStream&) = delete;
    TBaseStream& operator=(const TBaseStream&) = delete;
    virtual ~TBaseStream() = default;

    bool CanWrite = false;
    bool CanRead = false;
    // While on, a file stream read or write that moves fewer bytes than asked raises.
    bool ExactIO = true;

    virtual void SetExactIO(bool value) { ExactIO = value; }
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual bool Eof() { return Available() <= 0; }
    virtual int64_t Available() = 0;
    virtual void Flush() {}
    // Appends everything left in source, in chunks of 4,096 bytes; the source's ExactIO flag is
    // off meanwhile and restored afterwards, also when the copy raises.
    virtual void CopyFrom(TBaseStream& source);
};

class TSeekableStream : public TBaseStream {
public:
    virtual int64_t GetPosition() = 0;
    virtual int64_t GetSize() = 0;
    virtual void SetPosition(int64_t pos) = 0;
    // The data ends at the current position.
    virtual void Truncate() = 0;
};

// Open mode bits of the file stream.
constexpr int omRead = 1;
constexpr int omWrite = 2;
constexpr int omCreate = 4;
constexpr int omShareRead = 8;   // accepted; POSIX files have no share modes
constexpr int omShareWrite = 16;  // accepted; POSIX files have no share modes

// The system's message for the last failed system call.
std::string LastErrorText();

namespace imaging {

// A file stream of the imaging family (not the framework's class of the same name).
class TFileStream : public TSeekableStream {
public:
    TFileStream(const std::string& fileName, int mode);
    // Over an open descriptor, which the stream then owns; -1 raises the system's last error.
    static std::unique_ptr<TFileStream> CreateFromHandle(int handle);
    ~TFileStream() override;

    int Handle() const { return handle_; }
    const std::string& FileName() const { return fileName_; }

    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Available() override { return GetSize() - GetPosition(); }
    void Flush() override;
    int64_t GetPosition() override;
    int64_t GetSize() override;
    void SetPosition(int64_t pos) override;
    void Truncate() override;
    // Closes the descriptor and deletes the file; the object is left closed, to be freed.
    virtual void CloseAndDelete();

private:
    explicit TFileStream(int handle);
    int handle_ = -1;
    std::string fileName_;
};

}  // namespace imaging

// A framework stream over an own stream (not owned), for classes that read framework streams.
// Seeking is not supported; creating it switches the source's ExactIO off for good.
class TNorvStream : public TStream {
public:
    explicit TNorvStream(TBaseStream& source);
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;

protected:
    TBaseStream& source_;
};

// As TNorvStream over a seekable own stream: seeks and size changes reach the source.
class TSeekableNorvStream : public TNorvStream {
public:
    explicit TSeekableNorvStream(TSeekableStream& source);
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;

private:
    TSeekableStream& seekable_;
};

// An own seekable stream over a framework stream (not owned).
class TNorvFilterStream : public TSeekableStream {
public:
    explicit TNorvFilterStream(TStream& stream);
    int64_t Write(const void* buffer, int64_t count) override { return stream_.Write(buffer, count); }
    int64_t Read(void* buffer, int64_t count) override { return stream_.Read(buffer, count); }
    int64_t Available() override { return stream_.Size() - stream_.Position(); }
    int64_t GetPosition() override { return stream_.Position(); }
    int64_t GetSize() override { return stream_.Size(); }
    void SetPosition(int64_t pos) override { stream_.Seek(pos, soBeginning); }
    void Truncate() override { stream_.SetSize(GetPosition()); }

private:
    TStream& stream_;
};

// Copies up to maxCount bytes from source's position, in chunks of 4,096; with dest null the bytes
// are skipped. Returns the bytes copied. source's ExactIO flag is left as it is.
int64_t CopyStream(TBaseStream& source, TBaseStream* dest, int64_t maxCount);
