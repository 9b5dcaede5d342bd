#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QSettings>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <random>

#include "platform/Strings.h"
#include "platform/registry/Registry.h"
#include "platform/CpLiteral.h"
#include "support/FileSizeLimit.h"

namespace {

// Every test gets a configuration folder of its own; the real one is never touched.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        config_ = tmp_.path() + "/config";
        QSettings::setPath(static_cast<QSettings::Format>(RegistryFormat()), QSettings::UserScope, config_);
    }
    void TearDown() override { SetRegistrySaveSeams(std::chrono::seconds(5), nullptr); }
    QString File() const { return QString::fromStdString(RegistryFileName()); }
    std::string Raw() const {
        QFile f(File());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll().toStdString();
    }
    void WriteRaw(const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(File()).absolutePath());
        QFile f(File());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static mode_t Mode(const QString& path) {
        struct stat st {};
        EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        return st.st_mode & 0777;
    }

    QTemporaryDir tmp_;
    QString config_;
};

const std::string kKey = "Software\\Korvid\\Brask";

// Runs checks in a process forked at construction, once Run() lets it: the child holds nothing of
// what this process writes afterwards, so it can only read that back from the store's file.
class ForkedChecks {
public:
    explicit ForkedChecks(std::function<void()> checks) {
        if (::pipe(go_) != 0) return;
        child_ = ::fork();
        if (child_ != 0) {
            ::close(go_[0]);
            return;
        }
        ::close(go_[1]);
        char c = 0;
        const bool told = ::read(go_[0], &c, 1) == 1;
        const auto* result = ::testing::UnitTest::GetInstance()->current_test_info()->result();
        const int first = result->total_part_count();
        bool failed = !told;
        try {
            if (told) checks();
        } catch (const std::exception& e) {
            ADD_FAILURE() << "the reader raised: " << e.what();
        }
        for (int i = first; i < result->total_part_count(); ++i) failed = failed || result->GetTestPartResult(i).failed();
        std::fflush(nullptr);
        ::_exit(failed ? 1 : 0);
    }
    ~ForkedChecks() {
        if (child_ > 0) ::kill(child_, SIGKILL), ::waitpid(child_, nullptr, 0);
    }
    // Lets the child read; true when every check of the child held.
    bool Run() {
        if (child_ <= 0) return false;
        const bool sent = ::write(go_[1], "g", 1) == 1;
        ::close(go_[1]);
        int status = 0;
        const bool ended = ::waitpid(child_, &status, 0) == child_;
        child_ = 0;
        return sent && ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    int go_[2] = {-1, -1};
    pid_t child_ = -1;
};

TEST_F(RegistryTest, StoreFileLivesUnderTheConfiguredFolder) {
    EXPECT_EQ(File(), config_ + "/VelmoraAgent/HKEY_CURRENT_USER.hive");
    QString other = tmp_.path() + "/other";
    SetRegistryFolder(other.toStdString());
    EXPECT_EQ(File(), other + "/VelmoraAgent/HKEY_CURRENT_USER.hive");
}

TEST_F(RegistryTest, ReadingAMissingStoreCreatesNothing) {
    {
        TRegistry reg;
        EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
        EXPECT_FALSE(reg.KeyExists(kKey));
        EXPECT_FALSE(reg.OpenKey(kKey, false));
        EXPECT_FALSE(reg.OpenKeyReadOnly(kKey));
        EXPECT_FALSE(reg.ValueExists("login"));
        reg.CloseKey();
    }
    EXPECT_FALSE(QFileInfo::exists(config_));
}

TEST_F(RegistryTest, ValuesKeepTheirKindAndTextAcrossObjects) {
    // Read back by a process that did not write them, so that nothing comes from memory.
    ForkedChecks reader([] {
        TRegistry reg;
        EXPECT_TRUE(reg.KeyExists(kKey));
        EXPECT_TRUE(reg.KeyExists("\\Software\\Korvid"));
        ASSERT_TRUE(reg.OpenKey(kKey, false));
        EXPECT_EQ(reg.GetDataType("PageCount"), rdInteger);
        EXPECT_EQ(reg.ReadInteger("PageCount"), -1);
        EXPECT_EQ(reg.ReadInteger("OnLineScan"), 1);
        EXPECT_EQ(reg.GetDataType("login"), rdString);
        EXPECT_EQ(reg.ReadString("login"), u8"Вася Пупкин"_cp);
        EXPECT_TRUE(reg.ValueExists("empty"));
        EXPECT_EQ(reg.ReadString("empty"), "");
        // A number written as text stays text.
        EXPECT_EQ(reg.GetDataType("digits"), rdString);
        EXPECT_THROW(reg.ReadInteger("digits"), ERegistryException);
        EXPECT_THROW(reg.ReadString("PageCount"), ERegistryException);
        EXPECT_THROW(reg.ReadInteger("missing"), ERegistryException);
        EXPECT_EQ(reg.ReadString("missing"), "");
        EXPECT_EQ(reg.GetDataType("missing"), rdUnknown);
        TStringList names;
        reg.GetValueNames(names);
        EXPECT_EQ(names.Count(), 5);
        EXPECT_NE(names.IndexOf("login"), -1);
    });
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    EXPECT_EQ(reg.CurrentPath(), kKey);
    reg.WriteInteger("PageCount", -1);
    reg.WriteInteger("OnLineScan", 1);
    reg.WriteString("login", u8"Вася Пупкин"_cp);
    reg.WriteString("empty", "");
    reg.WriteString("digits", "12");
    reg.CloseKey();
    EXPECT_TRUE(reader.Run());
}

TEST_F(RegistryTest, FileIsUtf8TextWithKindsAndPrivateModes) {
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        reg.WriteInteger("PageCount", -1);
        reg.WriteString("login", u8"Ёж"_cp);
        reg.CloseKey();
    }
    std::string raw = Raw();
    EXPECT_NE(raw.find("[Software\\Korvid\\Brask]\n"), std::string::npos) << raw;
    EXPECT_NE(raw.find("\"PageCount\"=dword:ffffffff\n"), std::string::npos) << raw;
    EXPECT_NE(raw.find("\"login\"=\"\xD0\x81\xD0\xB6\"\n"), std::string::npos) << raw;  // UTF-8 "Ёж"
    EXPECT_EQ(Mode(File()), 0600u);
    EXPECT_EQ(Mode(config_ + "/VelmoraAgent"), 0700u);
    EXPECT_EQ(Mode(config_), 0700u);
}

TEST_F(RegistryTest, WritingTightensTheModeOfAnExistingStore) {
    WriteRaw("[A]\n\"x\"=\"1\"\n");
    QFile::setPermissions(File(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    ASSERT_EQ(Mode(File()), 0644u);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("A", false));
    reg.WriteString("y", "2");
    reg.CloseKey();
    EXPECT_EQ(Mode(File()), 0600u);
    ASSERT_TRUE(reg.OpenKey("A", false));
    EXPECT_EQ(reg.ReadString("x"), "1");
    EXPECT_EQ(reg.ReadString("y"), "2");
}

TEST_F(RegistryTest, ReadsAFileWrittenByHand) {
    WriteRaw("; a comment\r\n"
             "\r\n"
             "[Software\\Korvid\\Brask]\r\n"
             "\"RegCode\"=dword:00000001\r\n"
             "\"s_i\"=\"a\\\"b\\\\c\\nd\\x01\"\r\n"
             "\"AgentServer\"=\"\xD1\x81\xD0\xB5\xD1\x80\xD0\xB2\xD0\xB5\xD1\x80\"\r\n"  // "сервер"
             "[Other]\n"
             "\"big\"=dword:80000000\n");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, false));
    EXPECT_EQ(reg.ReadInteger("RegCode"), 1);
    EXPECT_EQ(reg.ReadString("s_i"), std::string("a\"b\\c\nd\x01"));
    EXPECT_EQ(reg.ReadString("AgentServer"), u8"сервер"_cp);
    ASSERT_TRUE(reg.OpenKey("\\Other", false));
    EXPECT_EQ(reg.ReadInteger("big"), INT32_MIN);
    TStringList keys;
    ASSERT_TRUE(reg.OpenKey("\\Software", false));
    reg.GetKeyNames(keys);
    ASSERT_EQ(keys.Count(), 1);
    EXPECT_EQ(keys[0], "Korvid");
    EXPECT_TRUE(reg.HasSubKeys());
}

TEST_F(RegistryTest, AMalformedLineIsSkippedOnItsOwn) {
    // Each bad line stands between two good values; a bad key line also loses the values under it
    // up to the next key, which cannot be placed.
    const char* bad[] = {
        "\"x\"=dword:123\n",
        "\"x\"=dword:123456789\n",
        "\"x\"=dword:1234567g\n",
        "\"x\"=\"unterminated\n",
        "\"x\"=\"bad \\q escape\"\n",
        "\"x\"=\"trailing\" junk\n",
        "not a value line\n",
        "\"x\"=\"\xC3\x28\"\n",  // invalid UTF-8
        "[A\\\\B]\n\"x\"=\"under a bad key\"\n[A]\n",
        "[A\n\"x\"=\"under a bad key\"\n[A]\n",
    };
    for (const char* text : bad) {
        WriteRaw(QByteArray("[A]\n\"a\"=\"1\"\n") + text + "\"b\"=dword:00000002\n\"c\"=\"\xD0");
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("A", false)) << text;
        EXPECT_EQ(reg.ReadString("a"), "1") << text;
        EXPECT_EQ(reg.ReadInteger("b"), 2) << text;
        EXPECT_FALSE(reg.ValueExists("x")) << text;
        EXPECT_FALSE(reg.ValueExists("c")) << text;  // a last line cut short
        reg.CloseKey();
    }
    // A value before any key has no place.
    WriteRaw("\"x\"=\"1\"\n[A]\n\"a\"=\"1\"\n");
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("A", false));
        EXPECT_EQ(reg.ReadString("a"), "1");
        EXPECT_FALSE(reg.ValueExists("x"));
        reg.CloseKey();
    }
    // A store that is a folder cannot be read: it reads as empty.
    QFile::remove(File());
    ASSERT_TRUE(QDir().mkpath(File()));
    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists("A"));
}

TEST_F(RegistryTest, AWriteOverADamagedStoreKeepsItsGoodValuesAndABackup) {
    const QByteArray damaged = "[A]\n\"keep\"=\"yes\"\ngarbage\n";
    WriteRaw(damaged);
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("A", true));
        reg.WriteString("x", "1");
        reg.CloseKey();
    }
    QFile bak(File() + ".bak");
    ASSERT_TRUE(bak.open(QIODevice::ReadOnly));
    EXPECT_EQ(bak.readAll(), damaged);
    EXPECT_EQ(Mode(File() + ".bak"), 0600u);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("A", false));
    EXPECT_EQ(reg.ReadString("x"), "1");
    EXPECT_EQ(reg.ReadString("keep"), "yes");
    EXPECT_EQ(Raw().find("garbage"), std::string::npos);
    // The store is sound now: a later write makes no new backup.
    ASSERT_TRUE(bak.remove());
    reg.WriteString("y", "2");
    reg.CloseKey();
    EXPECT_FALSE(QFile::exists(File() + ".bak"));
}

// What a folder holds: each name with its content, or its link's target, or "folder".
std::map<std::string, std::string> Snapshot(const QString& dir) {
    std::map<std::string, std::string> out;
    for (const QFileInfo& e : QDir(dir).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        std::string& v = out[e.fileName().toStdString()];
        if (e.isSymLink()) {
            v = "link to " + e.symLinkTarget().toStdString();
        } else if (e.isDir()) {
            v = "folder";
        } else {
            QFile f(e.filePath());
            v = f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "unreadable";
        }
    }
    return out;
}

TEST_F(RegistryTest, AFailedSaveLeavesTheStoreAsItWas) {
    const QByteArray damaged = "[A]\n\"keep\"=\"yes\"\ngarbage\n";
    const QByteArray sound = "[A]\n\"keep\"=\"yes\"\n";
    struct Fault {
        const char* what;
        QByteArray store;
        std::function<void(const QString& file)> arrange;
        rlim_t sizeLimit;  // 0: none
    };
    // Another save's lock: an flock of its own open file, as a second process would hold it.
    int heldLock = -1;
    const auto holdLock = [&heldLock](const QString& file) {
        heldLock = ::open(QFile::encodeName(file + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_EQ(::flock(heldLock, LOCK_EX | LOCK_NB), 0);
        SetRegistrySaveSeams(std::chrono::milliseconds(50), nullptr);
    };
    const QString config = config_;
    const Fault faults[] = {
        {"a folder where the store goes", {}, [](const QString& file) { QDir().mkpath(file); }, 0},
        {"a file where the store's folder goes", {},
         [config](const QString&) {
             QDir(config).removeRecursively();
             QFile blocker(config);
             ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
         },
         0},
        {"a folder where the backup goes", damaged, [](const QString& file) { QDir().mkpath(file + ".bak"); }, 0},
        {"a dangling link where the backup goes", damaged,
         [](const QString& file) { QFile::link(file + ".gone", file + ".bak"); }, 0},
        {"a store that cannot be prepared (a dangling link)", {},
         [](const QString& file) { QFile::link(file + ".gone", file); }, 0},
        {"a write that fails", sound, [](const QString&) {}, 4},
        {"a lock another save holds past the bound", sound, holdLock, 0},
    };
    for (const Fault& fault : faults) {
        const QString folder = QFileInfo(File()).absolutePath();
        QDir(folder).removeRecursively();
        if (!fault.store.isNull()) WriteRaw(fault.store);
        QDir().mkpath(folder);
        fault.arrange(File());
        const auto before = Snapshot(folder);
        {
            TRegistry reg;
            ASSERT_TRUE(reg.OpenKey("A", true)) << fault.what;
            reg.WriteString("x", "lost");
            std::optional<FileSizeLimit> limit;
            if (fault.sizeLimit) limit.emplace(fault.sizeLimit);
            EXPECT_THROW(reg.CloseKey(), ERegistryException) << fault.what;
        }
        // Neither the failed object's end nor a later reader writes what failed.
        TRegistry reader;
        EXPECT_FALSE(reader.OpenKeyReadOnly("A") && reader.ValueExists("x")) << fault.what;
        reader.CloseKey();
        EXPECT_EQ(Snapshot(folder), before) << fault.what;

        // Without the fault, the next save writes its own change only.
        if (heldLock >= 0) ::close(heldLock), heldLock = -1, QFile::remove(File() + ".lock");
        QFile::remove(File() + ".bak");
        QDir().rmdir(File() + ".bak");
        QDir().rmdir(File());
        if (QFileInfo(File()).isSymLink()) QFile::remove(File());
        if (QFileInfo(config_).isFile()) QFile::remove(config_);
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("A", true)) << fault.what;
        reg.WriteString("y", "saved");
        reg.CloseKey();
        ASSERT_TRUE(reg.OpenKey("A", false));
        EXPECT_EQ(reg.ReadString("y"), "saved") << fault.what;
        EXPECT_FALSE(reg.ValueExists("x")) << fault.what;
        EXPECT_EQ(reg.ReadString("keep"), fault.store.isNull() ? "" : "yes") << fault.what;
        reg.CloseKey();
    }
}

// Saves one value in a child process; the child ends 0 when the save held. step, when given, is the
// hook the child's saves call.
pid_t SaveInChild(const std::string& name, std::function<void(TRegistrySaveStep)> step) {
    const pid_t child = ::fork();
    if (child != 0) return child;
    int code = 0;
    try {
        SetRegistrySaveSeams(std::chrono::seconds(30), std::move(step));
        TRegistry reg;
        code = reg.OpenKey(kKey, true) ? 0 : 2;
        reg.WriteString(name, "saved by " + name);
        reg.CloseKey();
    } catch (...) {
        code = 3;
    }
    ::_exit(code);
}

bool EndedWell(pid_t child) {
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(RegistryTest, TwoProcessesSavingAtOnceKeepEachOthersValues) {
    // A lock left by a process that died holds nothing: the next save does not wait for it.
    QDir().mkpath(QFileInfo(File()).absolutePath());
    const pid_t dead = ::fork();
    if (dead == 0) {
        const int fd = ::open(QFile::encodeName(File() + ".lock").constData(), O_RDWR | O_CREAT, 0600);
        ::_exit(fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 0 : 1);
    }
    ASSERT_TRUE(EndedWell(dead));
    bool waited = false;
    SetRegistrySaveSeams(std::chrono::seconds(30), [&waited](TRegistrySaveStep s) { waited |= s == TRegistrySaveStep::LockBusy; });
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        reg.WriteString("before", "1");
        reg.CloseKey();
    }
    EXPECT_FALSE(waited);

    // The first save is held between its read of the store and its write until the second has
    // either saved or waits for it; then the first writes.
    int firstRead[2], firstGo[2];
    ASSERT_EQ(::pipe(firstRead), 0);
    ASSERT_EQ(::pipe(firstGo), 0);
    const pid_t first = SaveInChild("first", [&](TRegistrySaveStep s) {
        if (s != TRegistrySaveStep::Read) return;
        char c = 'r';
        if (::write(firstRead[1], &c, 1) != 1 || ::read(firstGo[0], &c, 1) != 1) ::_exit(4);
    });
    char c = 0;
    ASSERT_EQ(::read(firstRead[0], &c, 1), 1);
    int secondWaits[2];
    ASSERT_EQ(::pipe(secondWaits), 0);
    const pid_t second = SaveInChild("second", [&](TRegistrySaveStep s) {
        char w = 'w';
        if (s == TRegistrySaveStep::LockBusy && ::write(secondWaits[1], &w, 1) != 1) ::_exit(4);
    });
    ::close(secondWaits[1]);
    // 'w' when the second waits for the lock; nothing (its end) when it saved past the first.
    const ssize_t told = ::read(secondWaits[0], &c, 1);
    EXPECT_EQ(told, 1) << "the second save did not wait for the first";
    ASSERT_EQ(::write(firstGo[1], "g", 1), 1);
    EXPECT_TRUE(EndedWell(first));
    EXPECT_TRUE(EndedWell(second));
    for (int fd : {firstRead[0], firstRead[1], firstGo[0], firstGo[1], secondWaits[0]}) ::close(fd);

    ForkedChecks third([] {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKeyReadOnly(kKey));
        EXPECT_EQ(reg.ReadString("before"), "1");
        EXPECT_EQ(reg.ReadString("first"), "saved by first");
        EXPECT_EQ(reg.ReadString("second"), "saved by second");
    });
    EXPECT_TRUE(third.Run());
    EXPECT_FALSE(QFileInfo::exists(File() + ".lock"));
}

TEST_F(RegistryTest, WritesNeedAWritableOpenKey) {
    WriteRaw("[A]\n\"x\"=\"1\"\n");
    TRegistry reg;
    EXPECT_THROW(reg.WriteString("x", "2"), ERegistryException);  // no key open
    ASSERT_TRUE(reg.OpenKeyReadOnly("A"));
    EXPECT_THROW(reg.WriteInteger("x", 2), ERegistryException);
    EXPECT_EQ(reg.ReadString("x"), "1");
}

TEST_F(RegistryTest, NamesWithSeparatorsAndEscapesRoundTrip) {
    const std::string names[] = {"a/b", "c\\d", "100%", "%2F", "q\"uote", "", "tab\there", u8"Имя"_cp};
    // Read back by a process that did not write them, so that nothing comes from memory.
    ForkedChecks reader([&names] {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("K/ey", false));
        ASSERT_TRUE(reg.OpenKey("Sub", false));  // relative to the open key
        EXPECT_EQ(reg.CurrentPath(), "K/ey\\Sub");
        for (const auto& n : names) EXPECT_EQ(reg.ReadString(n), "v" + n) << n;
        EXPECT_EQ(reg.ReadString("nl"), "line1\r\nline2");
        TStringList values;
        reg.GetValueNames(values);
        EXPECT_EQ(values.Count(), 9);
    });
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("K/ey\\Sub", true));
    for (const auto& n : names) reg.WriteString(n, "v" + n);
    reg.WriteString("nl", "line1\r\nline2");
    reg.CloseKey();
    EXPECT_TRUE(reader.Run());
    ASSERT_TRUE(reg.OpenKey("K/ey\\Sub", false));
    TStringList values;
    reg.GetValueNames(values);
    EXPECT_NE(values.IndexOf("a/b"), -1);
    EXPECT_TRUE(reg.DeleteValue("a/b"));
    EXPECT_FALSE(reg.ValueExists("a/b"));
}

TEST_F(RegistryTest, ClassesRootIsReadOnlyAndFollowsTheMimeList) {
    TRegistry reg;
    reg.SetRootKey(HKEY_CLASSES_ROOT);
    EXPECT_FALSE(reg.OpenKey("\\.no-such-extension-here", true));
    EXPECT_FALSE(reg.KeyExists(".no-such-extension-here"));
    QMimeDatabase db;
    QMimeType png = db.mimeTypeForName("image/png");
    if (!png.isValid()) GTEST_SKIP() << "no MIME list on this machine";
    ASSERT_TRUE(reg.OpenKey("\\.png", false));
    EXPECT_EQ(reg.GetDataType("Content Type"), rdString);
    EXPECT_EQ(reg.ReadString("Content Type"), "image/png");
    EXPECT_THROW(reg.WriteString("Content Type", "x"), ERegistryException);
    ASSERT_TRUE(reg.OpenKey("\\MIME\\Database\\Content Type\\image/png", false));
    EXPECT_EQ(reg.ReadString("Extension"), ".png");
    ASSERT_TRUE(reg.OpenKey("\\MIME\\Database\\Content Type", false));
    TStringList types;
    reg.GetKeyNames(types);
    EXPECT_NE(types.IndexOf("image/png"), -1);
    reg.CloseKey();
    TStringList top;
    reg.GetKeyNames(top);  // the root's keys
    EXPECT_NE(top.IndexOf(".png"), -1);
    EXPECT_NE(top.IndexOf("MIME"), -1);
    EXPECT_FALSE(QFileInfo::exists(config_));
}

TEST_F(RegistryTest, AnUnknownRootIsRefused) {
    TRegistry reg;
    EXPECT_THROW(reg.SetRootKey(0x80000002u), ERegistryException);
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
}

}  // namespace

namespace {

// Damaged stores of every kind are read without fault: either as a store or as an empty one.
TEST_F(RegistryTest, DamagedStoresNeverBreakTheReader) {
    const std::string good =
        "; store\n[Software\\Korvid\\Brask]\n\"login\"=\"a\\\\b\\\"c\\x01\"\n\"PageCount\"=dword:ffffffff\n"
        "[Software\\Korvid\\Brask\\Sub]\n\"\"=\"default\"\n";
    std::mt19937 rng(12345);
    const std::string alphabet = "[]\\\"=:;\nxdword0123456789abcdefABCDEF\r\t \x80\xC3\xFF";
    for (int round = 0; round < 300; ++round) {
        std::string text = good;
        int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            size_t at = rng() % text.size();
            switch (rng() % 3) {
            case 0: text.erase(at, 1 + rng() % 3); break;
            case 1: text.insert(at, 1, alphabet[rng() % alphabet.size()]); break;
            default: text[at] = alphabet[rng() % alphabet.size()]; break;
            }
        }
        if (round % 50 == 0) text = text.substr(0, rng() % (text.size() + 1));  // cut short
        WriteRaw(QByteArray::fromStdString(text));
        TRegistry reg;
        if (reg.OpenKeyReadOnly("Software\\Korvid\\Brask")) {
            TStringList names;
            reg.GetValueNames(names);
            for (const std::string& n : names) {
                if (reg.GetDataType(n) == rdInteger) (void)reg.ReadInteger(n);
                else (void)reg.ReadString(n);
            }
            reg.GetKeyNames(names);
        }
    }
    WriteRaw(QByteArray::fromStdString(good));
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Korvid\\Brask\\Sub", false));
    EXPECT_EQ(reg.ReadString(""), "default");
}

}  // namespace
