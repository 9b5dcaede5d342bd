#include "platform/registry/Registry.h"

#include <fcntl.h>
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
#include <mutex>
#include <optional>

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

bool ReadHive(QIODevice& device, QSettings::SettingsMap& map) {
    ParseHive(device.readAll(), map);
    return true;
}

bool WriteHive(QIODevice& device, const QSettings::SettingsMap& map) {
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
    QByteArray bytes = out.toUtf8();
    return device.write(bytes) == bytes.size();
}

// The outcome of the last write through the format, for Flush to check: QSettings keeps only
// its first error, so a store that was malformed when read would hide a later failed write.
thread_local bool t_writeCalled = false;
thread_local bool t_writeOk = false;

bool WriteHiveChecked(QIODevice& device, const QSettings::SettingsMap& map) {
    t_writeCalled = true;
    t_writeOk = WriteHive(device, map);
    return t_writeOk;
}

QSettings::Format HiveFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("hive"), ReadHive, WriteHiveChecked, Qt::CaseSensitive);
    return format;
}

const char* kOrganization = "VelmoraAgent";
const char* kApplication = "HKEY_CURRENT_USER";

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

// Makes sure the store file exists with mode 0600 before anything is written into it, so the
// password is never readable by others, not even for a moment.
bool PrepareFile(const QString& fileName) {
    if (!MakeFolders(QFileInfo(fileName).absolutePath())) return false;
    QByteArray native = QFile::encodeName(fileName);
    int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno != EEXIST) return false;
    struct stat st {};
    if (::stat(native.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return (st.st_mode & 0777) == 0600 || ::chmod(native.constData(), 0600) == 0;
}

// A store with lines that could not be read is copied unchanged to "<store>.bak" before a write
// replaces it, so that what was skipped can still be recovered by hand. False when the copy
// cannot be made; true when none is needed.
bool BackUpDamagedStore(const QString& fileName) {
    QFile store(fileName);
    if (!store.open(QIODevice::ReadOnly)) return true;  // nothing readable to keep
    const QByteArray bytes = store.readAll();
    QSettings::SettingsMap map;
    if (ParseHive(bytes, map) == 0) return true;
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

}  // namespace

// ---------------------------------------------------------------------------------------------

struct TRegistry::Impl {
    std::unique_ptr<QSettings> settings;  // HKEY_CURRENT_USER only
    QSet<QString> created;                // keys created by this object that hold no value yet

    QSettings& User() {
        if (!settings) {
            settings = std::make_unique<QSettings>(HiveFormat(), QSettings::UserScope,
                                                   QString::fromLatin1(kOrganization),
                                                   QString::fromLatin1(kApplication));
            settings->setFallbacksEnabled(false);
        }
        return *settings;
    }
    // An unreadable store reads as an empty one.
    bool Readable() { return User().status() == QSettings::NoError; }
};

int RegistryFormat() { return static_cast<int>(HiveFormat()); }

std::string RegistryFileName() {
    QSettings s(HiveFormat(), QSettings::UserScope, QString::fromLatin1(kOrganization),
                QString::fromLatin1(kApplication));
    return QFile::encodeName(s.fileName()).toStdString();
}

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
    if (!Store().Readable()) return false;
    QSettings& s = Store().User();
    for (const QString& k : s.allKeys())
        if (k.startsWith(enc + u'/')) return true;
    return false;
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
    QSettings& s = Store().User();
    QString file = s.fileName();
    if (!BackUpDamagedStore(file)) Fail("Cannot write the registry store backup " + S(file) + ".bak");
    if (!PrepareFile(file)) Fail("Cannot write the registry store " + S(file));
    t_writeCalled = t_writeOk = false;
    s.sync();
    if (!t_writeCalled || !t_writeOk || s.status() == QSettings::AccessError)
        Fail("Cannot write the registry store " + S(file));
    ::chmod(QFile::encodeName(file).constData(), 0600);
    dirty_ = false;
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
    if (!Store().Readable()) return;
    QSettings& s = Store().User();
    QString enc = EncodePath(path_);
    if (!enc.isEmpty()) s.beginGroup(enc);
    const QStringList groups = s.childGroups();
    if (!enc.isEmpty()) s.endGroup();
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
    if (!Store().Readable() || path_.empty()) return;
    QSettings& s = Store().User();
    s.beginGroup(EncodePath(path_));
    const QStringList keys = s.childKeys();
    s.endGroup();
    for (const QString& k : keys) names.Add(S(DecodePart(k)));
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
    if (path.empty() || !store.Readable()) return std::nullopt;
    QVariant v = store.User().value(EncodePath(path) + u'/' + EncodePart(Q(name)));
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
    Store().User().setValue(EncodePath(path_) + u'/' + EncodePart(Q(name)), QVariant(value));
    dirty_ = true;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    if (!open_ || !writable_ || root_ != HKEY_CURRENT_USER || path_.empty())
        Fail("Failed to set data for '" + name + "'");
    Store().User().setValue(EncodePath(path_) + u'/' + EncodePart(Q(name)), QVariant(Q(value)));
    dirty_ = true;
}

bool TRegistry::DeleteValue(const std::string& name) {
    if (!open_ || !writable_ || root_ != HKEY_CURRENT_USER || !ValueExists(name)) return false;
    Store().User().remove(EncodePath(path_) + u'/' + EncodePart(Q(name)));
    dirty_ = true;
    return true;
}
