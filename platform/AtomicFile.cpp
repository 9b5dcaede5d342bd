#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/Exceptions.h"

namespace {

std::string ErrorText(int err) { return std::strerror(err); }

[[noreturn]] void RaiseCreate(const std::string& fileName, int err) {
    throw EFCreateError("Cannot create file \"" + fileName + "\". " + ErrorText(err));
}

std::string RandomSuffix() {
    static thread_local std::mt19937_64 gen{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string s;
    uint64_t v = gen();
    for (int i = 0; i < 12; ++i, v >>= 4) s.push_back(digits[v & 15]);
    return s;
}

// Removes the temporary file and closes its descriptor on every path that does not commit.
struct TempFile {
    std::string path;
    int fd = -1;
    bool committed = false;
    ~TempFile() {
        if (fd >= 0) ::close(fd);
        if (!committed && !path.empty()) ::unlink(path.c_str());
    }
};

}  // namespace

void AtomicWriteFile(const std::string& fileName, std::string_view data) {
    if (fileName.empty()) RaiseCreate(fileName, ENOENT);

    // Write through a symbolic link rather than replacing the link by a plain file.
    std::string target = fileName;
    struct stat lst {};
    if (::lstat(fileName.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(fileName.c_str(), resolved)) target = resolved;
    }

    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) RaiseCreate(fileName, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);

    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string prefix = (slash == std::string::npos ? std::string() : folder) + "." + base + ".tmp";

    TempFile tmp;
    for (int attempt = 0; attempt < 100 && tmp.fd < 0; ++attempt) {
        std::string candidate = prefix + RandomSuffix();
        // 0666 lets the umask decide the mode of a new file, as any other file the user creates.
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            tmp.fd = fd;
            tmp.path = std::move(candidate);
        } else if (errno != EEXIST) {
            RaiseCreate(fileName, errno);
        }
    }
    if (tmp.fd < 0) RaiseCreate(fileName, EEXIST);

    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(tmp.fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            throw EWriteError("Cannot write file \"" + fileName + "\". " + ErrorText(err));
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (exists && ::fchmod(tmp.fd, st.st_mode & 07777) != 0) RaiseCreate(fileName, errno);
    if (::fsync(tmp.fd) != 0) {
        int err = errno;
        throw EWriteError("Cannot write file \"" + fileName + "\". " + ErrorText(err));
    }
    int fd = tmp.fd;
    tmp.fd = -1;
    if (::close(fd) != 0) {
        int err = errno;
        throw EWriteError("Cannot write file \"" + fileName + "\". " + ErrorText(err));
    }
    if (::rename(tmp.path.c_str(), target.c_str()) != 0) RaiseCreate(fileName, errno);
    tmp.committed = true;

    // The rename is durable only once the folder itself is on disk. The new content is already in
    // place here, so a folder that cannot be flushed (some file systems refuse) is not an error.
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}
