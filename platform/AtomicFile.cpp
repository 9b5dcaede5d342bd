#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/Exceptions.h"

namespace {

std::string ErrorText(int err) { return std::strerror(err); }

[[noreturn]] void RaiseCreate(const std::string& fileName, int err) {
    throw EFCreateError("Cannot create file \"" + fileName + "\". " + ErrorText(err));
}

constexpr size_t kSuffixLength = 12;

// The process's umask, read without changing it (umask() can only be read by setting it, which
// would race with files other threads create); the kernel shows it since Linux 4.7.
mode_t CurrentUmask() {
    if (FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, f)) found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(f);
        if (found) return static_cast<mode_t>(mask);
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

std::string RandomSuffix() {
    static thread_local std::mt19937_64 gen{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string s;
    uint64_t v = gen();
    for (size_t i = 0; i < kSuffixLength; ++i, v >>= 4) s.push_back(digits[v & 15]);
    return s;
}

bool IsSuffix(const char* s) {
    size_t n = 0;
    for (; s[n]; ++n)
        if (!((s[n] >= '0' && s[n] <= '9') || (s[n] >= 'a' && s[n] <= 'f'))) return false;
    return n == kSuffixLength;
}

// Removes the temporaries that earlier saves of the same target left behind when they were
// killed. A saver holds its temporary's lock until the rename, so a temporary whose lock can be
// taken at once belongs to nobody. It is removed while the lock is held, and only when the name
// still leads to the file that was locked.
void RemoveOrphans(const std::string& folder, const std::string& dirPrefix, const std::string& namePrefix) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (struct dirent* e = ::readdir(dir)) {
        if (std::strncmp(e->d_name, namePrefix.c_str(), namePrefix.size()) != 0 ||
            !IsSuffix(e->d_name + namePrefix.size()))
            continue;
        const std::string path = dirPrefix + e->d_name;
        int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat held {}, named {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
            ::lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino)
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(dir);
}

// Removes the temporary file on every path that does not commit; the descriptor, and with it the
// lock, goes last, so no cleaner takes a temporary that is still in use.
struct TempFile {
    std::string path;
    int fd = -1;
    bool committed = false;
    ~TempFile() {
        if (!committed && !path.empty()) ::unlink(path.c_str());
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

void AtomicWriteFile(const std::string& fileName, std::string_view data, int newFileMode) {
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
    // A read-only file refuses the write, as it does in place. The mode bits decide, so that this
    // holds for root as well; for anyone else the file's own rights count too.
    if (exists && ((st.st_mode & 0222) == 0 ||
                   (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES)))
        RaiseCreate(fileName, EACCES);

    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    const std::string dirPrefix = slash == std::string::npos ? std::string() : folder;
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string namePrefix = "." + base + ".tmp";

    RemoveOrphans(folder, dirPrefix, namePrefix);

    TempFile tmp;
    for (int attempt = 0; attempt < 100 && tmp.fd < 0; ++attempt) {
        std::string candidate = dirPrefix + namePrefix + RandomSuffix();
        // Private while it fills: a reader who opened it now would keep reading whatever the
        // mode becomes later. It gets its final mode once the content is written.
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno != EEXIST) RaiseCreate(fileName, errno);
            continue;
        }
        // Another save's cleaner may take the new file between the open and the lock; it then
        // removes it, which the link count shows, and the next name is tried.
        struct stat own {};
        if (::flock(fd, LOCK_EX) != 0 || ::fstat(fd, &own) != 0 || own.st_nlink == 0) {
            ::close(fd);
            continue;
        }
        tmp.fd = fd;
        tmp.path = std::move(candidate);
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
    // The target's own mode, or for a new file what the caller asks, by default 0666 less the
    // umask, as any other file the user creates.
    const mode_t mode = exists ? st.st_mode & 07777
                               : newFileMode >= 0 ? static_cast<mode_t>(newFileMode) & 07777
                                                  : 0666 & ~CurrentUmask();
    if (::fchmod(tmp.fd, mode) != 0) RaiseCreate(fileName, errno);
    if (::fsync(tmp.fd) != 0) {
        int err = errno;
        throw EWriteError("Cannot write file \"" + fileName + "\". " + ErrorText(err));
    }
    // The lock is held across the rename: until then the file still carries a temporary's name.
    // The data are on disk already, so closing afterwards cannot lose any.
    if (::rename(tmp.path.c_str(), target.c_str()) != 0) RaiseCreate(fileName, errno);
    tmp.committed = true;
    ::close(tmp.fd);
    tmp.fd = -1;

    // The rename is durable only once the folder itself is on disk. The new content is already in
    // place here, so a folder that cannot be flushed (some file systems refuse) is not an error.
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}
