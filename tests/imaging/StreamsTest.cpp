// The imaging stream family: counts, exact-I/O errors, seeking through the adapters, file streams.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/BaseStream.h"
#include "support/ErrorOf.h"

namespace {

std::string Bytes(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + 3);
    return s;
}

// An own stream over a string that records the size of every read.
class CountingSource : public TNorvFilterStream {
public:
    explicit CountingSource(std::string data) : TNorvFilterStream(mem_), mem_(std::move(data)) {}
    int64_t Read(void* buffer, int64_t count) override {
        const int64_t n = TNorvFilterStream::Read(buffer, count);
        reads.push_back(n);
        return n;
    }
    std::vector<int64_t> reads;

private:
    TStringStream mem_;
};

class StringSink : public TBaseStream {
public:
    int64_t Write(const void* buffer, int64_t count) override {
        if (failAfter >= 0 && static_cast<int64_t>(data.size()) + count > failAfter)
            throw EInOutError("disk full");
        data.append(static_cast<const char*>(buffer), static_cast<size_t>(count));
        return count;
    }
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Available() override { return 0; }
    std::string data;
    int64_t failAfter = -1;
};

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/va-streams-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string File(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

void WriteOverLimit(const std::string& name) {
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim;
    lim.rlim_cur = lim.rlim_max = 50;
    setrlimit(RLIMIT_FSIZE, &lim);
    imaging::TFileStream s(name, omWrite | omCreate);
    const std::string data = Bytes(100);
    const std::string msg = ErrorOf([&] { s.Write(data.data(), 100); });
    s.SetPosition(0);
    s.SetExactIO(false);
    const int64_t n = s.Write(data.data(), 100);
    std::exit(msg == "Write less than expected" && n == 50 ? 0 : 1);
}

}  // namespace

TEST(CopyFrom, ReadsInChunksUntilEofAndRestoresExactIO) {
    CountingSource src(Bytes(10000));
    StringSink dst;
    ASSERT_TRUE(src.ExactIO);
    dst.CopyFrom(src);
    EXPECT_EQ(src.reads, (std::vector<int64_t>{4096, 4096, 1808}));
    EXPECT_EQ(dst.data, Bytes(10000));
    EXPECT_TRUE(src.ExactIO);
}

TEST(CopyFrom, RestoresExactIOWhenTheCopyRaises) {
    CountingSource src(Bytes(10000));
    StringSink dst;
    dst.failAfter = 5000;
    EXPECT_THROW(dst.CopyFrom(src), EInOutError);
    EXPECT_TRUE(src.ExactIO);
}

TEST(CopyFrom, StopsOnASourceThatClaimsDataButYieldsNone) {
    TStringStream mem(Bytes(10));
    TNorvFilterStream src(mem);
    mem.Seek(20, soBeginning);  // past the end: Available is negative, reads yield nothing
    StringSink dst;
    dst.CopyFrom(src);
    EXPECT_TRUE(dst.data.empty());
}

TEST(CopyStream, CopiesAtMostMaxCount) {
    CountingSource src(Bytes(10000));
    StringSink dst;
    EXPECT_EQ(CopyStream(src, &dst, 5000), 5000);
    EXPECT_EQ(src.reads, (std::vector<int64_t>{4096, 904}));
    EXPECT_EQ(dst.data, Bytes(5000));
    EXPECT_EQ(src.GetPosition(), 5000);
}

TEST(CopyStream, WithoutDestinationSkips) {
    CountingSource src(Bytes(10000));
    src.SetExactIO(true);
    EXPECT_EQ(CopyStream(src, nullptr, 5000), 5000);
    EXPECT_EQ(src.GetPosition(), 5000);
    EXPECT_TRUE(src.ExactIO);
    EXPECT_EQ(CopyStream(src, nullptr, 100000), 5000);
    EXPECT_TRUE(src.Eof());
}

TEST(FileStream, ModeWithoutAccessRaisesBeforeTouchingTheFileSystem) {
    TempDir dir;
    const std::string name = dir.File("never");
    EXPECT_EQ(ErrorOf([&] { imaging::TFileStream s(name, omCreate); }),
              "Either read, write or full access must be specified in call to CreateFile");
    EXPECT_FALSE(std::filesystem::exists(name));
}

TEST(FileStream, OpeningAMissingFileNamesItAndTheSystemError) {
    TempDir dir;
    const std::string name = dir.File("missing.bin");
    EXPECT_EQ(ErrorOf([&] { imaging::TFileStream s(name, omRead | omShareRead); }),
              "Error opening \"" + name + "\" - No such file or directory");
}

TEST(FileStream, WriteReadSeekTruncate) {
    TempDir dir;
    const std::string name = dir.File("data.bin");
    {
        imaging::TFileStream s(name, omRead | omWrite | omCreate);
        EXPECT_TRUE(s.CanRead);
        EXPECT_TRUE(s.CanWrite);
        const std::string data = Bytes(1000);
        EXPECT_EQ(s.Write(data.data(), 1000), 1000);
        EXPECT_EQ(s.GetPosition(), 1000);
        EXPECT_EQ(s.GetSize(), 1000);
        s.SetPosition(10);
        char buf[5];
        EXPECT_EQ(s.Read(buf, 5), 5);
        EXPECT_EQ(std::string(buf, 5), data.substr(10, 5));
        EXPECT_EQ(s.Available(), 985);
        s.SetPosition(600);
        s.Truncate();
        EXPECT_EQ(s.GetSize(), 600);
        EXPECT_TRUE(s.Eof());
    }
    EXPECT_EQ(std::filesystem::file_size(name), 600u);
    // Without omCreate the file is opened as it is.
    imaging::TFileStream again(name, omRead);
    EXPECT_EQ(again.GetSize(), 600);
    EXPECT_FALSE(again.CanWrite);
}

TEST(FileStream, ShortReadRaisesOnlyWhileExactIOIsOn) {
    TempDir dir;
    const std::string name = dir.File("short.bin");
    {
        imaging::TFileStream s(name, omWrite | omCreate);
        const std::string data = Bytes(1000);
        s.Write(data.data(), 1000);
    }
    imaging::TFileStream s(name, omRead);
    char buf[100];
    s.SetPosition(990);
    EXPECT_EQ(ErrorOf([&] { s.Read(buf, 100); }), "Read less than expected");
    s.SetPosition(990);
    s.SetExactIO(false);
    EXPECT_EQ(s.Read(buf, 100), 10);
}

TEST(FileStream, ShortWriteSaysWriteLessThanExpected) {
    TempDir dir;
    const std::string name = dir.File("limited.bin");
    // A file size limit makes the system write only part of the buffer; run it in a child process.
    EXPECT_EXIT(WriteOverLimit(name), ::testing::ExitedWithCode(0), "");
}

TEST(FileStream, FromHandleAndCloseAndDelete) {
    TempDir dir;
    const std::string name = dir.File("handle.bin");
    imaging::TFileStream s(name, omRead | omWrite | omCreate);
    s.CloseAndDelete();
    EXPECT_FALSE(std::filesystem::exists(name));

    EXPECT_THROW(imaging::TFileStream::CreateFromHandle(-1), EOSError);
    const int fd = ::dup(STDERR_FILENO);
    auto h = imaging::TFileStream::CreateFromHandle(fd);
    EXPECT_TRUE(h->CanRead);
    EXPECT_TRUE(h->CanWrite);
    EXPECT_TRUE(h->ExactIO);
    EXPECT_TRUE(h->FileName().empty());
}

TEST(FileStream, FailingSystemCallsNameTheError) {
    TempDir dir;
    const std::string name = dir.File("ro.bin");
    { imaging::TFileStream s(name, omWrite | omCreate); }
    imaging::TFileStream s(name, omRead);
    EXPECT_EQ(ErrorOf([&] { s.SetPosition(-5); }), "Error moving file pointer - Invalid argument");
    EXPECT_EQ(ErrorOf([&] { s.Truncate(); }), "Error truncating file \"" + name + "\" - Invalid argument");
    char c = 'x';
    EXPECT_EQ(ErrorOf([&] { s.Write(&c, 1); }), "Error writing to stream - Bad file descriptor");
}

TEST(SeekableNorvStream, SeekOriginsAndUnknownOrigin) {
    TStringStream mem(Bytes(100));
    TNorvFilterStream own(mem);
    TSeekableNorvStream s(own);
    EXPECT_FALSE(own.ExactIO);
    EXPECT_EQ(s.Seek(0, soEnd), 100);
    EXPECT_EQ(s.Seek(-30, soCurrent), 70);
    EXPECT_EQ(s.Seek(5, soBeginning), 5);
    EXPECT_EQ(own.GetPosition(), 5);
    EXPECT_EQ(ErrorOf([&] { s.Seek(5, static_cast<TSeekOrigin>(3)); }), "Unknown seek origin");
    EXPECT_EQ(s.Size(), 100);
    char buf[3];
    s.Seek(10, soBeginning);
    EXPECT_EQ(s.Read(buf, 3), 3);
    EXPECT_EQ(std::string(buf, 3), Bytes(100).substr(10, 3));
}

TEST(SeekableNorvStream, SetSizeKeepsOrClampsThePosition) {
    TStringStream mem(Bytes(100));
    TNorvFilterStream own(mem);
    TSeekableNorvStream s(own);
    s.Seek(0, soEnd);
    s.SetSize(50);
    EXPECT_EQ(mem.DataString().size(), 50u);
    EXPECT_EQ(own.GetPosition(), 50);

    s.Seek(0, soBeginning);
    s.SetSize(25);
    EXPECT_EQ(mem.DataString().size(), 25u);
    EXPECT_EQ(own.GetPosition(), 0);

    s.Seek(10, soBeginning);
    s.SetSize(1000);  // nothing is written, so the data does not grow
    EXPECT_EQ(mem.DataString().size(), 25u);
    EXPECT_EQ(own.GetPosition(), 10);
}

TEST(NorvStream, SeekingIsNotSupported) {
    TStringStream mem(Bytes(10));
    TNorvFilterStream own(mem);
    TNorvStream s(own);
    EXPECT_FALSE(own.ExactIO);
    for (TSeekOrigin o : {soBeginning, soCurrent, soEnd})
        EXPECT_EQ(ErrorOf([&] { s.Seek(0, o); }), "Seeking not supported");
    EXPECT_EQ(ErrorOf([&] { s.Size(); }), "Seeking not supported");
    char buf[4];
    EXPECT_EQ(s.Read(buf, 4), 4);
    EXPECT_EQ(s.Write("ab", 2), 2);
}

TEST(NorvFilterStream, PassesThroughToTheFrameworkStream) {
    TStringStream mem(Bytes(10));
    TNorvFilterStream s(mem);
    EXPECT_TRUE(s.CanRead);
    EXPECT_TRUE(s.CanWrite);
    char buf[20];
    EXPECT_EQ(s.Read(buf, 20), 10);  // a short read is no error here
    EXPECT_TRUE(s.Eof());
    s.SetPosition(4);
    EXPECT_EQ(s.Available(), 6);
    s.Truncate();
    EXPECT_EQ(mem.DataString().size(), 4u);
}
