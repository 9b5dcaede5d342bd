#pragma once
// A read-only stream over a file descriptor, read through pread so nothing of the file is kept in
// memory: the body source for large uploads. Owns the descriptor; one that failed to open (-1)
// reads as an empty file.
#include <fcntl.h>
#include <unistd.h>

#include "platform/Streams.h"

namespace testsupport {

class FileReadStream : public TStream {
public:
    explicit FileReadStream(int fd) : fd_(fd), size_(fd < 0 ? 0 : ::lseek(fd, 0, SEEK_END)) {}
    ~FileReadStream() override {
        if (fd_ >= 0) ::close(fd_);
    }
    FileReadStream(const FileReadStream&) = delete;
    FileReadStream& operator=(const FileReadStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override {
        ssize_t n = ::pread(fd_, buffer, static_cast<size_t>(count), pos_);
        if (n <= 0) return 0;
        pos_ += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override {
        pos_ = origin == soBeginning ? offset : origin == soEnd ? size_ + offset : pos_ + offset;
        return pos_;
    }

private:
    int fd_;
    int64_t size_, pos_ = 0;
};

}  // namespace testsupport
