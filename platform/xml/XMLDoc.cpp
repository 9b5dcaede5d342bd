#include "platform/xml/XMLDoc.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pugixml.hpp>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include "platform/AtomicFile.h"
#include "platform/Codec.h"
#include "platform/Strings.h"

namespace {

// No declarations, comments or processing instructions; a value of blanks only is kept, while
// the blanks between elements (indentation) are dropped. pugixml decodes the references only in
// text that holds no numeric one: its decoder wraps numeric values past 32 bits and writes
// surrogates and NUL bytes as they come, so those are decoded after the parse.
constexpr unsigned kParseFlags = (pugi::parse_default & ~pugi::parse_escapes) | pugi::parse_ws_pcdata_single;

bool IsAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

std::string NameToUtf8(std::string_view name) {
    return IsAscii(name) ? std::string(name) : Cp1251ToUtf8(name);
}

std::string FromUtf8(const char* s) {
    std::string_view v(s);
    return IsAscii(v) ? std::string(v) : Utf8ToCp1251(v);
}

[[noreturn]] void RaiseIndex(int index) {
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
}

bool IsText(pugi::xml_node n) {
    return n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata;
}

// The node after n in document order below top, or null when n was the last one there. Walks
// without recursion: a loaded file may nest elements deeper than the stack allows.
pugi::xml_node NextInTree(pugi::xml_node n, pugi::xml_node top) {
    if (pugi::xml_node c = n.first_child()) return c;
    while (n != top) {
        if (pugi::xml_node s = n.next_sibling()) return s;
        n = n.parent();
    }
    return pugi::xml_node();
}

void CollectText(pugi::xml_node top, std::string& out) {
    for (pugi::xml_node n = NextInTree(top, top); n; n = NextInTree(n, top))
        if (IsText(n)) out += n.value();
}

bool IsBadControl(unsigned char c) { return c < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

// Replaces in place the control characters that XML 1.0 cannot carry; true when any was found.
bool BlankControls(std::string& s) {
    bool found = false;
    for (char& c : s)
        if (IsBadControl(static_cast<unsigned char>(c))) {
            c = ' ';
            found = true;
        }
    return found;
}

bool StartsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

// XML 1.0's Char production.
bool IsXmlChar(uint64_t cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
           (cp >= 0x10000 && cp <= 0x10FFFF);
}

// What a loaded character stands as: itself when XML has it; a blank for a control character, as
// SetText stores one; U+FFFD for the rest (surrogates, U+FFFE, U+FFFF, values past U+10FFFF).
char32_t AsXmlChar(uint64_t cp) {
    if (IsXmlChar(cp)) return static_cast<char32_t>(cp);
    return cp < 0x20 ? U' ' : U'\uFFFD';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
    return -1;
}

// The length of the reference at s[0] == '&' and the character it names; 0 when the text there is
// no reference, which then stays as written, as the lenient parse has always kept it. A numeric
// value stops growing past U+10FFFF, so no count of digits wraps it round to a character.
size_t ReadReference(std::string_view s, uint64_t& cp) {
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    if (s.size() < 3 || s[1] != '#') {
        for (const auto& [name, c] : kNamed)
            if (StartsWith(s, name)) {
                cp = static_cast<unsigned char>(c);
                return name.size();
            }
        return 0;
    }
    const bool hex = s[2] == 'x';
    size_t i = hex ? 3 : 2;
    const size_t first = i;
    cp = 0;
    for (; i < s.size(); ++i) {
        const int d = hex ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
        if (d < 0) break;
        cp = std::min<uint64_t>(cp * (hex ? 16 : 10) + static_cast<uint64_t>(d), 0x110000);
    }
    return i > first && i < s.size() && s[i] == ';' ? i + 1 : 0;
}

// U+FFFE and U+FFFF, which UTF-8 carries and XML forbids.
bool IsNonCharacterAt(std::string_view s, size_t i) {
    return static_cast<unsigned char>(s[i]) == 0xEF && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xBF &&
           (static_cast<unsigned char>(s[i + 2]) & 0xFE) == 0xBE;
}

// A loaded value as it is to stand in the document, into out: references decoded (none in CDATA,
// which is literal text) and every character XML has not replaced as AsXmlChar says. False, with
// out untouched, when the value already stands so.
bool CleanValue(std::string_view s, bool references, std::string& out) {
    size_t i = 0;
    for (; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if ((c == '&' && references) || IsBadControl(c) || IsNonCharacterAt(s, i)) break;
    }
    if (i == s.size()) return false;
    out.assign(s, 0, i);
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        uint64_t cp = 0;
        size_t n = 0;
        if (c == '&' && references && (n = ReadReference(s.substr(i), cp)) > 0) {
            AppendUtf8(out, AsXmlChar(cp));
        } else if (IsBadControl(c)) {
            out += ' ';
            n = 1;
        } else if (IsNonCharacterAt(s, i)) {
            AppendUtf8(out, U'\uFFFD');
            n = 3;
        } else {
            out += static_cast<char>(c);
            n = 1;
        }
        i += n;
    }
    return true;
}

// Text that a save writes as blanks only, which a load drops between elements. A carriage
// return is saved as a reference, which a load keeps.
bool SavesAsBlanks(std::string_view s) { return s.find_first_not_of(" \t\n") == std::string_view::npos; }

// Decodes the references of text and attribute values, and replaces what XML cannot carry, raw
// or referenced, so that saving the document gives a well-formed file that reads back the same.
// For that, text that a dropped comment split is joined, as the save joins it, and text that
// turned into blanks here (references to blanks, control characters) goes when other nodes stand
// beside it, as the blanks between elements go at every load.
void CleanLoadedValues(pugi::xml_document& doc) {
    std::string v;
    std::string more;
    for (pugi::xml_node n = NextInTree(doc, doc); n;) {
        if (n.type() == pugi::node_pcdata) {
            bool changed = CleanValue(n.value(), true, v);
            if (changed || n.next_sibling().type() == pugi::node_pcdata) {
                if (!changed) v = n.value();
                for (pugi::xml_node s = n.next_sibling(); s.type() == pugi::node_pcdata; s = n.next_sibling()) {
                    if (!CleanValue(s.value(), true, more)) more = s.value();
                    v += more;
                    n.parent().remove_child(s);
                }
                const pugi::xml_node next = NextInTree(n, doc);
                if (SavesAsBlanks(v) && (n.previous_sibling() || n.next_sibling()))
                    n.parent().remove_child(n);
                else
                    n.set_value(v.data(), v.size());
                n = next;
                continue;
            }
        } else if (n.type() == pugi::node_cdata) {
            if (CleanValue(n.value(), false, v)) n.set_value(v.data(), v.size());
        }
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
            if (CleanValue(a.value(), true, v)) a.set_value(v.data(), v.size());
        n = NextInTree(n, doc);
    }
}

// The encoding named by the XML declaration the bytes open with, lower-cased; '' without one.
std::string DeclaredEncoding(std::string_view bytes) {
    if (bytes.substr(0, 5) != "<?xml") return std::string();
    size_t end = bytes.find("?>");
    if (end == std::string_view::npos) return std::string();
    std::string decl = LowerCase(bytes.substr(0, end));
    size_t p = decl.find("encoding");
    if (p == std::string::npos) return std::string();
    p = decl.find_first_not_of(" \t\r\n", p + 8);
    if (p == std::string::npos || decl[p] != '=') return std::string();
    p = decl.find_first_not_of(" \t\r\n", p + 1);
    if (p == std::string::npos || (decl[p] != '"' && decl[p] != '\'')) return std::string();
    size_t q = decl.find(decl[p], p + 1);
    if (q == std::string::npos) return std::string();
    return decl.substr(p + 1, q - p - 1);
}

// Names under which the bytes are to be read as UTF-8 whatever the declaration says: UTF-8
// itself, and the wide encodings, which a declaration readable as 8-bit text contradicts.
bool ReadAsUtf8(const std::string& encoding) {
    for (std::string_view p : {"utf-8", "utf8", "utf-16", "utf16", "utf-32", "utf32", "ucs-2", "ucs2", "ucs-4",
                               "ucs4", "unicode"})
        if (StartsWith(encoding, p)) return true;
    return false;
}

[[noreturn]] void RaiseParse(const std::string& name, const std::string& reason, uint64_t offset) {
    throw EDOMParseError("XML parse error in \"" + name + "\": " + reason + " at offset " +
                         IntToStr(static_cast<int64_t>(offset)));
}

// The bytes converted from the declared encoding to UTF-8, or nothing when iconv does not know
// the name. A byte sequence that the encoding does not have raises the parse error at its offset.
std::optional<std::string> ConvertToUtf8(std::string_view bytes, const std::string& encoding,
                                         const std::string& name) {
    // A name is letters, digits and a few marks; anything else (such as "//" options) is no name.
    for (char c : encoding)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':'))
            return std::nullopt;
    iconv_t cd = ::iconv_open("UTF-8", encoding.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    struct Closer {
        iconv_t cd;
        ~Closer() { ::iconv_close(cd); }
    } closer{cd};
    std::string out(bytes.size() + bytes.size() / 2 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    size_t done = 0;
    for (;;) {
        char* to = out.data() + done;
        size_t outLeft = out.size() - done;
        // UTF-8 has no shift state, so a complete conversion needs no final flush.
        const size_t rc = ::iconv(cd, &in, &inLeft, &to, &outLeft);
        done = out.size() - outLeft;
        if (rc != static_cast<size_t>(-1)) break;  // all input converted
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        RaiseParse(name, "invalid byte sequence for encoding " + encoding, bytes.size() - inLeft);
    }
    out.resize(done);
    return out;
}

// What one look at the text to be parsed finds, before the parse rewrites it in place.
struct TextScan {
    // The offset of the first byte that does not belong to a well-formed UTF-8 sequence (no
    // overlong forms, no surrogates, nothing above U+10FFFF), or npos.
    size_t invalidAt = std::string_view::npos;
    // False when the text holds no numeric reference, no control character XML has not and no
    // U+FFFE or U+FFFF: pugixml's decoding of the named references then leaves every value as
    // CleanLoadedValues would, since none of them reads as a blank.
    bool needsCleaning = false;
};

// True when the eight bytes of w hold a byte outside ASCII, an '&' or a byte below 0x20.
bool MayStopScan(uint64_t w) {
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    const uint64_t amp = w ^ (kOnes * '&');
    return ((w | ((amp - kOnes) & ~amp) | ((w - kOnes * 0x20) & ~w)) & (kOnes * 0x80)) != 0;
}

TextScan ScanText(std::string_view s) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
    const size_t n = s.size();
    TextScan scan;
    size_t i = 0;
    while (i < n) {
        // Runs of plain ASCII eight bytes at a time.
        for (uint64_t w; i + 8 <= n; i += 8) {
            std::memcpy(&w, p + i, 8);
            if (MayStopScan(w)) break;
        }
        if (i >= n) break;
        const unsigned char c = p[i];
        if (c < 0x80) {
            if (IsBadControl(c) || (c == '&' && i + 1 < n && p[i + 1] == '#')) scan.needsCleaning = true;
            ++i;
            continue;
        }
        // Runs of two-byte letters (Cyrillic) without decoding them.
        if (i + 1 < n && c >= 0xC2 && c <= 0xDF && (p[i + 1] & 0xC0) == 0x80) {
            i += 2;
            while (i + 1 < n && p[i] >= 0xC2 && p[i] <= 0xDF && (p[i + 1] & 0xC0) == 0x80) i += 2;
            continue;
        }
        const size_t start = i;
        char32_t cp;
        if (!DecodeUtf8(s, i, cp)) {
            scan.invalidAt = start;
            scan.needsCleaning = true;
            return scan;
        }
        if (cp == 0xFFFE || cp == 0xFFFF) scan.needsCleaning = true;
    }
    return scan;
}

// The raw output writes no line breaks of its own, so every carriage return in it comes from a
// value; a reader would turn a raw one into a line feed.
void EscapeCarriageReturns(std::string& out) {
    size_t at = out.find('\r');
    if (at == std::string::npos) return;
    std::string escaped;
    escaped.reserve(out.size() + 64);
    size_t from = 0;
    for (; at != std::string::npos; at = out.find('\r', from)) {
        escaped.append(out, from, at - from).append("&#13;");
        from = at + 1;
    }
    escaped.append(out, from, std::string::npos);
    out.swap(escaped);
}

// Each document counts its changes in a range of its own (2^40 wide), so a count seen once never
// stands for a state of another document, and a change costs no atomic operation.
std::atomic<uint64_t> g_documents{0};

uint64_t NewDocumentCount() { return (g_documents.fetch_add(1, std::memory_order_relaxed) + 1) << 40; }

pugi::xml_node N(pugi::xml_node_struct* n) { return pugi::xml_node(n); }

struct StringWriter : pugi::xml_writer {
    std::string& out;
    explicit StringWriter(std::string& o) : out(o) {}
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};

std::string ReadWholeFile(const std::string& fileName) {
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + std::strerror(err));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + std::strerror(err));
    }
    const int64_t size = static_cast<int64_t>(st.st_size);
    std::string data;
    // The size only guides the first allocation; the read below decides the length.
    if (size > 0 && size <= (int64_t{1} << 30)) data.reserve(static_cast<size_t>(size));
    char chunk[65536];
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            throw EReadError("Cannot read file \"" + fileName + "\". " + std::strerror(err));
        }
        if (n == 0) break;
        data.append(chunk, static_cast<size_t>(n));
    }
    return data;
}

}  // namespace

// ---- TXMLNode ----

void TXMLNode::Changed() const {
    if (changes_) ++*changes_;
}

bool TXMLNode::IsElement() const { return N(node_).type() == pugi::node_element; }

std::string TXMLNode::NodeName() const { return FromUtf8(N(node_).name()); }

std::string TXMLNode::Text() const {
    const pugi::xml_node node = N(node_);
    pugi::xml_node first = node.first_child();
    if (!first) return IsText(node) ? FromUtf8(node.value()) : std::string();
    if (IsText(first) && !first.next_sibling()) return FromUtf8(first.value());
    std::string utf8;
    CollectText(node, utf8);
    return IsAscii(utf8) ? utf8 : Utf8ToCp1251(utf8);
}

void TXMLNode::SetText(std::string_view text) {
    if (!node_) return;
    pugi::xml_node node = N(node_);
    node.remove_children();
    Changed();
    if (text.empty()) return;
    std::string utf8 = IsAscii(text) ? std::string(text) : Cp1251ToUtf8(text);
    BlankControls(utf8);
    node.append_child(pugi::node_pcdata).set_value(utf8.data(), utf8.size());
}

TXMLNodeList TXMLNode::ChildNodes() const { return TXMLNodeList(*this); }

TXMLNode TXMLNode::FindChild(std::string_view name) const {
    const std::string n = NameToUtf8(name);
    for (pugi::xml_node c = N(node_).first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && std::strcmp(c.name(), n.c_str()) == 0) return Wrap(c.internal_object());
    return TXMLNode();
}

TXMLNode TXMLNode::AddChild(std::string_view name) {
    if (!node_) return TXMLNode();
    Changed();
    return Wrap(N(node_).append_child(NameToUtf8(name).c_str()).internal_object());
}

TXMLNode TXMLNode::FirstChild() const {
    for (pugi::xml_node c = N(node_).first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element) return Wrap(c.internal_object());
    return TXMLNode();
}

TXMLNode TXMLNode::NextSibling() const {
    for (pugi::xml_node c = N(node_).next_sibling(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element) return Wrap(c.internal_object());
    return TXMLNode();
}

void TXMLNode::RemoveChild(TXMLNode child) {
    if (!node_ || !child || N(child.node_).parent() != N(node_)) return;
    N(node_).remove_child(N(child.node_));
    Changed();
}

void TXMLNode::RemoveChildren() {
    if (!node_) return;
    N(node_).remove_children();
    Changed();
}

// ---- TXMLNodeList ----

int TXMLNodeList::Count() const {
    int n = 0;
    for (TXMLNode c = parent_.FirstChild(); c; c = c.NextSibling()) ++n;
    return n;
}

TXMLNode TXMLNodeList::Nodes(int index) const {
    if (index >= 0) {
        int i = 0;
        for (TXMLNode c = parent_.FirstChild(); c; c = c.NextSibling())
            if (i++ == index) return c;
    }
    RaiseIndex(index);
}

TXMLNode TXMLNodeList::FindNode(std::string_view name) const { return parent_.FindChild(name); }

TXMLNode TXMLNodeList::Add(std::string_view name) { return parent_.AddChild(name); }

void TXMLNodeList::Delete(int index) { parent_.RemoveChild(Nodes(index)); }

void TXMLNodeList::Clear() { parent_.RemoveChildren(); }

// ---- TXMLDocument ----

struct TXMLDocument::Impl {
    std::string buffer;  // parsed in place: the document's strings point into it
    pugi::xml_document doc;
};

TXMLDocument::TXMLDocument()
    : impl_(std::make_unique<Impl>()), changes_(std::make_unique<uint64_t>(NewDocumentCount())) {}
TXMLDocument::~TXMLDocument() = default;
TXMLDocument::TXMLDocument(TXMLDocument&&) noexcept = default;
TXMLDocument& TXMLDocument::operator=(TXMLDocument&&) noexcept = default;

void TXMLDocument::LoadFromFile(const std::string& fileName) {
    Parse(ReadWholeFile(fileName), fileName);
}

void TXMLDocument::LoadFromBytes(std::string_view bytes, const std::string& name) {
    Parse(std::string(bytes), name);
}

void TXMLDocument::Changed() { ++*changes_; }

void TXMLDocument::Parse(std::string bytes, const std::string& name) {
    auto fresh = std::make_unique<Impl>();
    pugi::xml_encoding encoding = pugi::encoding_utf8;
    size_t skipped = 0;
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        skipped = 3;
    } else if (StartsWith(bytes, "\xFF\xFE")) {
        encoding = pugi::encoding_utf16_le;
        skipped = 2;
    } else if (StartsWith(bytes, "\xFE\xFF")) {
        encoding = pugi::encoding_utf16_be;
        skipped = 2;
    }
    // Without a byte-order mark the declaration decides; what iconv does not know is UTF-8.
    std::optional<std::string> converted;
    if (skipped == 0) {
        const std::string declared = DeclaredEncoding(bytes);
        if (declared == "windows-1251" || declared == "cp1251")
            converted = Cp1251ToUtf8(bytes);
        else if (!declared.empty() && !ReadAsUtf8(declared))
            converted = ConvertToUtf8(bytes, declared, name);
    }
    fresh->buffer = converted ? std::move(*converted) : std::move(bytes);

    // UTF-16 text is converted by the parser, so its bytes say nothing here.
    bool needsCleaning = true;
    if (encoding == pugi::encoding_utf8) {
        const TextScan scan = ScanText(std::string_view(fresh->buffer).substr(skipped));
        // pugixml takes any bytes as UTF-8; a file in another code page would be saved back as
        // bytes that no reader accepts. What a converter wrote is UTF-8 already.
        if (scan.invalidAt != std::string_view::npos && !converted)
            RaiseParse(name, "invalid UTF-8 byte sequence", skipped + scan.invalidAt);
        needsCleaning = scan.needsCleaning;
    }
    const unsigned flags = needsCleaning ? kParseFlags : kParseFlags | pugi::parse_escapes;
    pugi::xml_parse_result result = fresh->doc.load_buffer_inplace(
        fresh->buffer.data() + skipped, fresh->buffer.size() - skipped, flags, encoding);
    if (!result) RaiseParse(name, result.description(), static_cast<uint64_t>(result.offset) + skipped);
    if (needsCleaning) CleanLoadedValues(fresh->doc);
    impl_ = std::move(fresh);
    Changed();
}

std::string TXMLDocument::SaveToString() const {
    std::string out;
    pugi::xml_node root = impl_->doc.document_element();
    if (!root) return out;
    StringWriter writer(out);
    root.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    EscapeCarriageReturns(out);
    return out;
}

void TXMLDocument::SaveToFile(const std::string& fileName) const {
    if (!impl_->doc.document_element())
        throw EWriteError("Cannot write file \"" + fileName + "\". The document has no root element");
    AtomicWriteFile(fileName, SaveToString());
}

TXMLNode TXMLDocument::DocumentElement() const {
    return TXMLNode(impl_->doc.document_element().internal_object(), changes_.get());
}

TXMLNode TXMLDocument::CreateDocumentElement(std::string_view name) {
    Clear();
    return TXMLNode(impl_->doc.append_child(NameToUtf8(name).c_str()).internal_object(), changes_.get());
}

bool TXMLDocument::IsEmpty() const { return !impl_->doc.first_child(); }

void TXMLDocument::Clear() {
    impl_->doc.reset();
    impl_->buffer.clear();
    impl_->buffer.shrink_to_fit();
    Changed();
}
