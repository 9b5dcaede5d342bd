#include "platform/registry/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QMimeDatabase>
#include <QSet>
#include <QSettings>
#include <QStringDecoder>

#include <cerrno>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <thread>

#include "platform/AtomicFile.h"
#include "platform/Codec.h"
#include "platform/Strings.h"

namespace {

// ---------------------------------------------------------------------------------------------
// The file format of HKEY_CURRENT_USER, UTF-8 text:
//   ; comment
//   [Software\Korvid\Brask]
//   "login"="text"            (REG_SZ; escapes \\ \" \n \r \t \xHH)
//   "PageCount"=dword:ffffffff (REG_DWORD, eight hex digits)
// Inside QSettings a value is the key "seg/seg/name" with each part percent-encoded ('%', '/',
// '\' would otherwise be taken as separators; the unnamed value is "%").

QString EncodePart(const QString& s) {
    if (s.isEmpty()) return QStringLiteral("%");
    QString out;
    for (QChar c : s) {
        if (c == u'%') out += QStringLiteral("%25");
        else if (c == u'/') out += QStringLiteral("%2F");
        else if (c == u'\\') out += QStringLiteral("%5C");
        else out += c;
    }
    return out;
}

QString DecodePart(const QString& s) {
    if (s == QStringLiteral("%")) return QString();
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'%' && i + 2 < s.size()) {
            QStringView code = QStringView(s).mid(i + 1, 2);
            if (code == u"25") { out += u'%'; i += 2; continue; }
            if (code == u"2F") { out += u'/'; i += 2; continue; }
            if (code == u"5C") { out += u'\\'; i += 2; continue; }
        }
        out += s[i];
    }
    return out;
}

QString Quote(const QString& s) {
    QString out = QStringLiteral("\"");
    for (QChar c : s) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        case '"': out += QStringLiteral("\\\""); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + u'"';
}

int HexDigit(QChar c) {
    ushort u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// Reads a quoted text starting at pos (at the opening quote); pos ends after the closing quote.
bool Unquote(const QString& line, qsizetype& pos, QString& out) {
    if (pos >= line.size() || line[pos] != u'"') return false;
    ++pos;
    out.clear();
    while (pos < line.size()) {
        QChar c = line[pos++];
        if (c == u'"') return true;
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (pos >= line.size()) return false;
        QChar e = line[pos++];
        switch (e.unicode()) {
        case '\\': out += u'\\'; break;
        case '"': out += u'"'; break;
        case 'n': out += u'\n'; break;
        case 'r': out += u'\r'; break;
        case 't': out += u'\t'; break;
        case 'x': {
            if (pos + 2 > line.size()) return false;
            int h = HexDigit(line[pos]), l = HexDigit(line[pos + 1]);
            if (h < 0 || l < 0) return false;
            out += QChar(static_cast<char16_t>(h * 16 + l));
            pos += 2;
            break;
        }
        default: return false;
        }
    }
    return false;
}

// Reads one value line into map under group; false when it is malformed.
bool ReadValueLine(const QString& line, const QString& group, QSettings::SettingsMap& map) {
    qsizetype pos = 0;
    QString name;
    if (!Unquote(line, pos, name)) return false;
    if (pos >= line.size() || line[pos] != u'=') return false;
    ++pos;
    QVariant value;
    if (line.mid(pos, 6) == QStringLiteral("dword:")) {
        QString hex = line.mid(pos + 6);
        if (hex.size() != 8) return false;
        uint32_t v = 0;
        for (QChar c : hex) {
            int d = HexDigit(c);
            if (d < 0) return false;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        value = QVariant(static_cast<int>(static_cast<int32_t>(v)));
    } else {
        QString s;
        if (!Unquote(line, pos, s) || pos != line.size()) return false;
        value = QVariant(s);
    }
    map.insert(group + u'/' + EncodePart(name), value);
    return true;
}

// Parses the store line by line. A line that cannot be read (a bad value, bad quoting, bytes that
// are not UTF-8, a last line cut short) is skipped on its own, so one damaged line never costs the
// other settings; after a bad key line the values up to the next key have no place and are
// skipped too. Answers the number of lines skipped.
int ParseHive(const QByteArray& bytes, QSettings::SettingsMap& map) {
    map.clear();
    int skipped = 0;
    QString group;  // encoded, "" before the first section
    bool inSection = false;
    for (const QByteArray& raw : bytes.split('\n')) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        QString line = decoder(raw);
        if (decoder.hasError()) {
            ++skipped;
            continue;
        }
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u';')) continue;
        if (line.startsWith(u'[')) {
            inSection = false;
            if (!line.endsWith(u']')) {
                ++skipped;
                continue;
            }
            QStringList encoded;
            bool named = true;
            for (const QString& seg : line.mid(1, line.size() - 2).split(u'\\')) {
                named = named && !seg.isEmpty();
                encoded << EncodePart(seg);
            }
            if (!named) {
                ++skipped;
                continue;
            }
            group = encoded.join(u'/');
            inSection = true;
            continue;
        }
        if (!inSection || !ReadValueLine(line, group, map)) ++skipped;
    }
    return skipped;
}

// The store's text for map; false when a value cannot be written (one outside any key, or of
// another kind).
bool WriteHive(const QSettings::SettingsMap& map, QByteArray& bytes) {
    QString out = QStringLiteral("; Velmora Agent registry store (HKEY_CURRENT_USER)\n");
    QString current;
    bool first = true;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        const QString& key = it.key();
        qsizetype slash = key.lastIndexOf(u'/');
        if (slash <= 0) return false;  // a value must sit under a key
        QString group = key.left(slash);
        QString name = DecodePart(key.mid(slash + 1));
        if (first || group != current) {
            QStringList segments;
            for (const QString& seg : group.split(u'/')) {
                QString plain = DecodePart(seg);
                for (QChar c : plain)
                    if (c.unicode() < 0x20 || c == u'\\') return false;
                if (plain.isEmpty()) return false;
                segments << plain;
            }
            out += u'[' + segments.join(u'\\') + QStringLiteral("]\n");
            current = group;
            first = false;
        }
        out += Quote(name) + u'=';
        const QVariant& v = it.value();
        if (v.typeId() == QMetaType::Int) {
            out += QStringLiteral("dword:%1")
                       .arg(static_cast<uint32_t>(v.toInt()), 8, 16, QLatin1Char('0'));
        } else if (v.typeId() == QMetaType::QString) {
            out += Quote(v.toString());
        } else {
            return false;
        }
        out += u'\n';
    }
    bytes = out.toUtf8();
    return true;
}

// QSettings only places the store: its user path for this format says where the file lives. It
// neither reads nor writes the file, so that no copy it keeps in memory (its cache is shared by
// the whole process and written back whenever it holds changes) can stand for the file or rewrite
// it; TRegistry reads the file itself and writes it on Flush alone.
QSettings::Format HiveFormat() {
    static const QSettings::Format format = QSettings::registerFormat(
        QStringLiteral("hive"), [](QIODevice&, QSettings::SettingsMap&) { return true; },
        [](QIODevice&, const QSettings::SettingsMap&) { return false; }, Qt::CaseSensitive);
    return format;
}

QString StoreFileName() {
    QSettings s(HiveFormat(), QSettings::UserScope, QString::fromLatin1("VelmoraAgent"),
                QString::fromLatin1("HKEY_CURRENT_USER"));
    return s.fileName();
}

// Reads the store file whole. A missing file (or a link to nothing) reads as empty; false when a
// file is there but cannot be read (a folder, no rights).
bool ReadStoreFile(const QString& fileName, QByteArray& bytes) {
    bytes.clear();
    const QByteArray native = QFile::encodeName(fileName);
    int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;
    char buf[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        bytes.append(buf, n);
    }
    ::close(fd);
    return ok;
}

QString Q(const std::string& cp1251) { return QString::fromStdU16String(Cp1251ToUtf16(cp1251)); }
std::string S(const QString& s) { return Utf16ToCp1251(s.toStdU16String()); }

QString EncodePath(const std::string& path) {
    if (path.empty()) return QString();
    QStringList parts;
    for (const QString& seg : Q(path).split(u'\\', Qt::SkipEmptyParts)) parts << EncodePart(seg);
    return parts.join(u'/');
}

// ---------------------------------------------------------------------------------------------
// HKEY_CLASSES_ROOT: built once from the MIME database.

struct ClassesRoot {
    std::map<QString, std::map<QString, QString>> keys;  // path -> value name -> text

    bool KeyExists(const QString& path) const {
        if (path.isEmpty()) return true;
        auto it = keys.lower_bound(path);
        if (it == keys.end()) return false;
        return it->first == path || it->first.startsWith(path + u'\\');
    }
};

const ClassesRoot& Classes() {
    static const ClassesRoot root = [] {
        ClassesRoot r;
        QMimeDatabase db;
        for (const QMimeType& type : db.allMimeTypes()) {
            const QString name = type.name();
            for (const QString& suffix : type.suffixes()) {
                if (suffix.isEmpty() || suffix.contains(u'\\') || suffix.contains(u'*')) continue;
                QString key = u'.' + suffix;
                if (r.keys.count(key)) continue;
                QMimeType owner = db.mimeTypeForFile(QStringLiteral("x.") + suffix,
                                                     QMimeDatabase::MatchExtension);
                r.keys[key][QStringLiteral("Content Type")] = owner.isValid() ? owner.name() : name;
            }
            QString preferred = type.preferredSuffix();
            if (!preferred.isEmpty() && !name.contains(u'\\'))
                r.keys[QStringLiteral("MIME\\Database\\Content Type\\") + name]
                      [QStringLiteral("Extension")] = u'.' + preferred;
        }
        // The parents of every key exist too.
        std::vector<QString> parents;
        for (const auto& kv : r.keys) {
            QString p = kv.first;
            for (qsizetype i = p.lastIndexOf(u'\\'); i > 0; i = p.lastIndexOf(u'\\')) {
                p = p.left(i);
                parents.push_back(p);
            }
        }
        for (const QString& p : parents) r.keys[p];
        return r;
    }();
    return root;
}

QStringList ClassesSubKeys(const QString& path) {
    QStringList out;
    const auto& keys = Classes().keys;
    QString prefix = path.isEmpty() ? QString() : path + u'\\';
    for (auto it = keys.lower_bound(prefix); it != keys.end() && it->first.startsWith(prefix); ++it) {
        QString rest = it->first.mid(prefix.size());
        if (!rest.isEmpty() && !rest.contains(u'\\')) out << rest;
    }
    return out;
}

[[noreturn]] void Fail(const std::string& message) { throw ERegistryException(message); }

// Creates each missing folder of dir with mode 0700.
bool MakeFolders(const QString& dir) {
    QString abs = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    QStringList parts = abs.split(u'/', Qt::SkipEmptyParts);
    QString path;
    for (const QString& part : parts) {
        path += u'/' + part;
        QByteArray native = QFile::encodeName(path);
        struct stat st {};
        if (::stat(native.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) return false;
            continue;
        }
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// Gives an existing store mode 0600 before it is replaced (the replacement keeps it; a new store
// is written 0600), so the password is never readable by others, not even for a moment. False for
// anything but a regular file or no file in its place.
bool PrepareFile(const QString& fileName) {
    QByteArray native = QFile::encodeName(fileName);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) return errno == ENOENT;
    if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return (st.st_mode & 0777) == 0600 || ::chmod(native.constData(), 0600) == 0;
}

// A store with lines that could not be read is copied unchanged (bytes) to "<store>.bak" before a
// write replaces it, so that what was skipped can still be recovered by hand. False when the copy
// cannot be made.
bool BackUpDamagedStore(const QString& fileName, const QByteArray& bytes) {
    // The copy holds the password as the store does: private from the start.
    const QByteArray native = QFile::encodeName(fileName + QStringLiteral(".bak"));
    int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, 0600) == 0;
    for (qsizetype done = 0; ok && done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += n;
    }
    ok = ::fsync(fd) == 0 && ok;
    return ::close(fd) == 0 && ok;
}

std::chrono::milliseconds gLockWait{5000};
std::function<void(TRegistrySaveStep)> gSaveHook;

void Step(TRegistrySaveStep step) {
    if (gSaveHook) gSaveHook(step);
}

// The exclusive lock of the saves of every process, taken on "<store>.lock": a file of its own,
// since each save replaces the store by rename. The file goes when the lock is given up; a holder
// that checks, once locked, that its file is still the one at that name never shares the lock with
// a process that locked a file of the same name made after it.
class StoreLock {
public:
    explicit StoreLock(const QString& storeFile) : name_(QFile::encodeName(storeFile + QStringLiteral(".lock"))) {}
    ~StoreLock() {
        if (fd_ < 0) return;
        ::unlink(name_.constData());
        ::close(fd_);
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    enum Result { Taken, Busy, NoFile };
    // Busy when another save still holds the lock at the bound.
    Result Take() {
        const auto until = std::chrono::steady_clock::now() + gLockWait;
        bool told = false;
        for (;;) {
            const int fd = ::open(name_.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd < 0) return NoFile;
            int error;
            for (;;) {
                error = ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
                if (error == EINTR) continue;
                if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= until) break;
                if (!told) Step(TRegistrySaveStep::LockBusy), told = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            if (error == 0) {
                struct stat held {}, named {};
                if (::fstat(fd, &held) == 0 && ::stat(name_.constData(), &named) == 0 &&
                    held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
                    fd_ = fd;
                    return Taken;
                }
                // Its holder removed the file as it gave the lock up: lock the one at the name now.
                ::close(fd);
                if (std::chrono::steady_clock::now() < until) continue;
                return Busy;
            }
            ::close(fd);
            return error == EWOULDBLOCK ? Busy : NoFile;
        }
    }

private:
    QByteArray name_;
    int fd_ = -1;
};

}  // namespace

void SetRegistrySaveSeams(std::chrono::milliseconds lockWait, std::function<void(TRegistrySaveStep)> hook) {
    gLockWait = lockWait;
    gSaveHook = std::move(hook);
}

// ---------------------------------------------------------------------------------------------

// HKEY_CURRENT_USER as this object sees it: the store file as last read, with this object's
// unsaved changes on top. The file is read again whenever it is another file than the one read
// (every save replaces it), so a save made through another object shows at once.
struct TRegistry::Impl {
    QSet<QString> created;  // keys created by this object that hold no value yet
    std::map<QString, std::optional<QVariant>> changes;  // unsaved: a value, or none for a removal

    const QString& File() {
        if (file_.isEmpty()) file_ = StoreFileName();
        return file_;
    }
    // A store that cannot be read reads as empty.
    const QSettings::SettingsMap& Values() {
        struct stat st {};
        Stamp now;
        if (::stat(QFile::encodeName(File()).constData(), &st) == 0)
            now = {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
        if (!loaded_ || !(now == read_)) {
            QByteArray bytes;
            values_.clear();
            if (ReadStoreFile(File(), bytes)) ParseHive(bytes, values_);
            for (const auto& [key, value] : changes) Apply(values_, key, value);
            read_ = now;
            loaded_ = true;
        }
        return values_;
    }
    void Change(const QString& key, std::optional<QVariant> value) {
        Values();
        Apply(values_, key, value);
        changes[key] = std::move(value);
    }
    // Forgets what was read, so that the next look reads the file.
    void Reread() { loaded_ = false; }

    static void Apply(QSettings::SettingsMap& map, const QString& key, const std::optional<QVariant>& value) {
        if (value) map.insert(key, *value);
        else map.remove(key);
    }

private:
    struct Stamp {
        bool exists = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        time_t sec = 0;
        long nsec = 0;
        bool operator==(const Stamp&) const = default;
    };
    QString file_;
    QSettings::SettingsMap values_;
    Stamp read_;
    bool loaded_ = false;
};

int RegistryFormat() { return static_cast<int>(HiveFormat()); }

std::string RegistryFileName() { return QFile::encodeName(StoreFileName()).toStdString(); }

void SetRegistryFolder(const std::string& dir) {
    QSettings::setPath(HiveFormat(), QSettings::UserScope, QFile::decodeName(QByteArray::fromStdString(dir)));
}

TRegistry::TRegistry() : impl_(std::make_unique<Impl>()) {}

TRegistry::~TRegistry() {
    try {
        CloseKey();
    } catch (...) {
        // A destructor cannot report; callers that care close the key themselves.
    }
}

TRegistry::Impl& TRegistry::Store() { return *impl_; }

void TRegistry::SetRootKey(HKEY root) {
    if (root != HKEY_CURRENT_USER && root != HKEY_CLASSES_ROOT)
        Fail("Invalid root key");
    CloseKey();
    root_ = root;
}

std::string TRegistry::Resolve(const std::string& key) const {
    std::string full = (!key.empty() && key[0] == '\\') ? key : (path_.empty() ? key : path_ + "\\" + key);
    std::string out, seg;
    for (size_t i = 0; i <= full.size(); ++i) {
        if (i == full.size() || full[i] == '\\') {
            if (!seg.empty()) out += (out.empty() ? "" : "\\") + seg;
            seg.clear();
        } else {
            seg += full[i];
        }
    }
    return out;
}

bool TRegistry::KeyExists(const std::string& key) {
    std::string path = Resolve(key);
    if (root_ == HKEY_CLASSES_ROOT) return Classes().KeyExists(Q(path));
    if (path.empty()) return true;
    QString enc = EncodePath(path);
    for (const QString& c : std::as_const(Store().created))
        if (c == enc || c.startsWith(enc + u'/')) return true;
    const QString prefix = enc + u'/';
    const QSettings::SettingsMap& values = Store().Values();
    auto it = values.lowerBound(prefix);
    return it != values.end() && it.key().startsWith(prefix);
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    std::string path = Resolve(key);
    bool exists = KeyExists("\\" + path);
    if (root_ == HKEY_CLASSES_ROOT) {
        if (!exists) return false;
        CloseKey();
        path_ = path, open_ = true, writable_ = false;
        return true;
    }
    if (!exists) {
        if (!canCreate) return false;
        for (char c : path)
            if (static_cast<unsigned char>(c) < 0x20) return false;
    }
    CloseKey();
    if (!exists) Store().created.insert(EncodePath(path));
    path_ = path, open_ = true, writable_ = true;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    std::string path = Resolve(key);
    if (!KeyExists("\\" + path)) return false;
    CloseKey();
    path_ = path, open_ = true, writable_ = false;
    return true;
}

void TRegistry::Flush() {
    if (!dirty_) return;
    Impl& store = Store();
    // The changes go into the file now or not at all: a save that fails leaves none behind for a
    // later write to carry into the store, and the file stays as it was.
    const auto changes = std::move(store.changes);
    store.changes.clear();
    store.Reread();
    dirty_ = false;
    const QString file = store.File();
    if (!MakeFolders(QFileInfo(file).absolutePath())) Fail("Cannot write the registry store " + S(file));
    // Read, merged and written under the lock, so that what other processes saved since this
    // object read the file stays.
    StoreLock lock(file);
    switch (lock.Take()) {
    case StoreLock::Taken: break;
    case StoreLock::Busy: Fail("Cannot write the registry store " + S(file) + ": another save still holds its lock");
    case StoreLock::NoFile: Fail("Cannot write the registry store lock " + S(file) + ".lock");
    }
    QByteArray current;
    if (!ReadStoreFile(file, current)) Fail("Cannot write the registry store " + S(file));
    Step(TRegistrySaveStep::Read);
    QSettings::SettingsMap map;
    if (ParseHive(current, map) > 0 && !BackUpDamagedStore(file, current))
        Fail("Cannot write the registry store backup " + S(file) + ".bak");
    if (!PrepareFile(file)) Fail("Cannot write the registry store " + S(file));
    for (const auto& [key, value] : changes) Impl::Apply(map, key, value);
    QByteArray bytes;
    if (!WriteHive(map, bytes)) Fail("Cannot write the registry store " + S(file));
    try {
        AtomicWriteFile(QFile::encodeName(file).toStdString(),
                        std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), 0600);
    } catch (const Exception&) {
        Fail("Cannot write the registry store " + S(file));
    }
}

void TRegistry::CloseKey() {
    if (!open_) return;
    // The key counts as closed even when the write fails: the error goes to the caller once.
    open_ = false;
    writable_ = false;
    path_.clear();
    Flush();
}

bool TRegistry::HasSubKeys() {
    TStringList names;
    GetKeyNames(names);
    return names.Count() > 0;
}

void TRegistry::GetKeyNames(TStringList& names) {
    names.Clear();
    if (root_ == HKEY_CLASSES_ROOT) {
        for (const QString& k : ClassesSubKeys(Q(path_))) names.Add(S(k));
        return;
    }
    const QString enc = EncodePath(path_);
    const QString prefix = enc.isEmpty() ? QString() : enc + u'/';
    const QSettings::SettingsMap& values = Store().Values();
    std::set<QString> groups;
    for (auto it = values.lowerBound(prefix); it != values.end() && it.key().startsWith(prefix); ++it) {
        const qsizetype slash = it.key().indexOf(u'/', prefix.size());
        if (slash > prefix.size()) groups.insert(it.key().mid(prefix.size(), slash - prefix.size()));
    }
    for (const QString& g : groups) names.Add(S(DecodePart(g)));
}

void TRegistry::GetValueNames(TStringList& names) {
    names.Clear();
    if (!open_) return;
    if (root_ == HKEY_CLASSES_ROOT) {
        auto it = Classes().keys.find(Q(path_));
        if (it != Classes().keys.end())
            for (const auto& kv : it->second) names.Add(S(kv.first));
        return;
    }
    if (path_.empty()) return;
    const QString prefix = EncodePath(path_) + u'/';
    const QSettings::SettingsMap& values = Store().Values();
    for (auto it = values.lowerBound(prefix); it != values.end() && it.key().startsWith(prefix); ++it)
        if (it.key().indexOf(u'/', prefix.size()) < 0) names.Add(S(DecodePart(it.key().mid(prefix.size()))));
}

namespace {
std::optional<QVariant> Lookup(TRegistry::Impl& store, HKEY root, bool open, const std::string& path,
                               const std::string& name) {
    if (!open) return std::nullopt;
    if (root == HKEY_CLASSES_ROOT) {
        auto it = Classes().keys.find(Q(path));
        if (it == Classes().keys.end()) return std::nullopt;
        auto v = it->second.find(Q(name));
        if (v == it->second.end()) return std::nullopt;
        return QVariant(v->second);
    }
    if (path.empty()) return std::nullopt;
    QVariant v = store.Values().value(EncodePath(path) + u'/' + EncodePart(Q(name)));
    if (!v.isValid()) return std::nullopt;
    return v;
}
}  // namespace

bool TRegistry::ValueExists(const std::string& name) {
    return Lookup(Store(), root_, open_, path_, name).has_value();
}

TRegDataType TRegistry::GetDataType(const std::string& name) {
    auto v = Lookup(Store(), root_, open_, path_, name);
    if (!v) return rdUnknown;
    if (v->typeId() == QMetaType::Int) return rdInteger;
    if (v->typeId() == QMetaType::QString) return rdString;
    return rdUnknown;
}

int TRegistry::ReadInteger(const std::string& name) {
    auto v = Lookup(Store(), root_, open_, path_, name);
    if (!v || v->typeId() != QMetaType::Int) Fail("Invalid data type for '" + name + "'");
    return v->toInt();
}

std::string TRegistry::ReadString(const std::string& name) {
    auto v = Lookup(Store(), root_, open_, path_, name);
    if (!v) return std::string();
    if (v->typeId() != QMetaType::QString) Fail("Invalid data type for '" + name + "'");
    return S(v->toString());
}

void TRegistry::WriteInteger(const std::string& name, int value) {
    if (!open_ || !writable_ || root_ != HKEY_CURRENT_USER || path_.empty())
        Fail("Failed to set data for '" + name + "'");
    Store().Change(EncodePath(path_) + u'/' + EncodePart(Q(name)), QVariant(value));
    dirty_ = true;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    if (!open_ || !writable_ || root_ != HKEY_CURRENT_USER || path_.empty())
        Fail("Failed to set data for '" + name + "'");
    Store().Change(EncodePath(path_) + u'/' + EncodePart(Q(name)), QVariant(Q(value)));
    dirty_ = true;
}

bool TRegistry::DeleteValue(const std::string& name) {
    if (!open_ || !writable_ || root_ != HKEY_CURRENT_USER || !ValueExists(name)) return false;
    Store().Change(EncodePath(path_) + u'/' + EncodePart(Q(name)), std::nullopt);
    dirty_ = true;
    return true;
}
