// Whole-file replacement: content, mode, and what a failure leaves behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

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
