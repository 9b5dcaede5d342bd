// Whole-file replacement: content, mode, and what a failure leaves behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Exceptions.h"
#include "support/FileSizeLimit.h"

namespace fs = std::filesystem;

namespace {

struct Folder {
    fs::path path;
    Folder() {
        std::string t = (fs::temp_directory_path() / "va-atomic-XXXXXX").string();
        path = ::mkdtemp(t.data());
    }
    ~Folder() {
        std::error_code ec;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path, ec);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> v;
        for (auto& e : fs::directory_iterator(path)) v.push_back(e.path().filename().string());
        std::sort(v.begin(), v.end());
        return v;
    }
};

std::string Read(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(AtomicFile, CreatesAndReplaces) {
    Folder dir;
    const std::string file = (dir.path / "a.xml").string();
    AtomicWriteFile(file, std::string("one\0two", 7));
    EXPECT_EQ(Read(file), std::string("one\0two", 7));
    ::chmod(file.c_str(), 0604);
    AtomicWriteFile(file, "");
    EXPECT_EQ(Read(file), "");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"a.xml"});
}

TEST(AtomicFile, WritesThroughASymbolicLink) {
    Folder dir;
    const fs::path real = dir.path / "real.xml";
    std::ofstream(real) << "old";
    fs::create_symlink(real, dir.path / "link.xml");
    AtomicWriteFile((dir.path / "link.xml").string(), "new");
    EXPECT_TRUE(fs::is_symlink(dir.path / "link.xml"));
    EXPECT_EQ(Read(real), "new");
}

TEST(AtomicFile, FailuresRaiseAndLeaveNoTrace) {
    Folder dir;
    fs::create_directory(dir.path / "d");
    EXPECT_THROW(AtomicWriteFile((dir.path / "d").string(), "x"), EFCreateError);
    EXPECT_THROW(AtomicWriteFile((dir.path / "missing" / "f").string(), "x"), EFCreateError);
    EXPECT_THROW(AtomicWriteFile("", "x"), EFCreateError);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"d"});
    EXPECT_TRUE(fs::is_empty(dir.path / "d"));
}

TEST(AtomicFile, FailedWriteKeepsTheOldFile) {
    // A file-size limit makes the write itself fail, whatever rights the test runs with.
    Folder dir;
    const fs::path target = dir.path / "keep.xml";
    std::ofstream(target) << "original";
    {
        FileSizeLimit limit(4);
        ASSERT_TRUE(limit.InForce());
        EXPECT_THROW(AtomicWriteFile(target.string(), "a replacement longer than the limit"), EWriteError);
    }
    EXPECT_EQ(Read(target), "original");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"keep.xml"});
}

namespace {

// Temporaries of a target as the writer names them.
std::vector<std::string> Temporaries(const Folder& dir, const std::string& target) {
    std::vector<std::string> out;
    for (const std::string& n : dir.Names())
        if (n.rfind("." + target + ".tmp", 0) == 0) out.push_back(n);
    return out;
}

}  // namespace

TEST(AtomicFile, TemporaryOfAKilledSaveIsRemovedByTheNextSave) {
    Folder dir;
    const std::string file = (dir.path / "big.xml").string();
    AtomicWriteFile(file, "old");
    const std::string big(32 << 20, 'x');
    // A child saves over and over and is killed while a temporary exists; a kill that lands
    // between two saves leaves none, so it is tried again.
    bool orphaned = false;
    for (int attempt = 0; attempt < 20 && !orphaned; ++attempt) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) AtomicWriteFile(file, big);
        }
        for (int polls = 0; polls < 100000 && Temporaries(dir, "big.xml").empty(); ++polls) ::usleep(100);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        orphaned = !Temporaries(dir, "big.xml").empty();
    }
    ASSERT_TRUE(orphaned);
    const std::string kept = Read(file);
    EXPECT_TRUE(kept == "old" || kept == big);

    // A live saver's temporary is locked and stays; once its lock is gone it goes too.
    const fs::path live = dir.path / ".big.xml.tmp0123456789ab";
    const int fd = ::open(live.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    AtomicWriteFile(file, "new");
    EXPECT_EQ(Read(file), "new");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{".big.xml.tmp0123456789ab", "big.xml"}));
    ::close(fd);
    AtomicWriteFile(file, "newer");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"big.xml"});
}

TEST(AtomicFile, TheTemporaryOfAPrivateFileIsPrivate) {
    Folder dir;
    const mode_t savedMask = ::umask(022);
    const std::string file = (dir.path / "own.xml").string();
    AtomicWriteFile(file, "old");  // a new file: 0666 less the umask
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    ::chmod(file.c_str(), 0600);

    // A child saves over and over; every temporary caught while it is written is 0600.
    const std::string big(32 << 20, 'x');
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (;;) AtomicWriteFile(file, big);
    }
    int caught = 0;
    std::vector<mode_t> loose;
    for (int polls = 0; polls < 200000 && caught < 50; ++polls) {
        for (const std::string& n : Temporaries(dir, "own.xml")) {
            struct stat tmp {};
            if (::stat((dir.path / n).c_str(), &tmp) != 0) continue;  // renamed meanwhile
            ++caught;
            if ((tmp.st_mode & 07777) != 0600) loose.push_back(tmp.st_mode & 07777);
        }
        ::usleep(50);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::umask(savedMask);
    EXPECT_GT(caught, 0);
    EXPECT_TRUE(loose.empty()) << "a temporary with mode 0" << std::oct << loose.front();
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(AtomicFile, WritePastTheSizeLimitRaisesFileTooLarge) {
    // SIGXFSZ is ignored from start-up: without that the child would die of the signal.
    Folder dir;
    const std::string file = (dir.path / "keep.xml").string();
    AtomicWriteFile(file, "original");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        struct rlimit small {};
        ::getrlimit(RLIMIT_FSIZE, &small);
        small.rlim_cur = 4;
        if (::setrlimit(RLIMIT_FSIZE, &small) != 0) ::_exit(3);
        try {
            AtomicWriteFile(file, "a replacement longer than the limit");
        } catch (const EWriteError& e) {
            ::_exit(e.Message().find("File too large") != std::string::npos &&
                            e.Message().find(file) != std::string::npos
                        ? 0
                        : 1);
        } catch (...) {
            ::_exit(2);
        }
        ::_exit(4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Read(file), "original");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"keep.xml"});
}
