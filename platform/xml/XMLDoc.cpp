#include "platform/xml/XMLDoc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/AtomicFile.h"
#include "platform/Codec.h"
#include "platform/Strings.h"

namespace {

// No declarations, comments or processing instructions; a value of blanks only is kept, while
// the blanks between elements (indentation) are dropped.
constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_ws_pcdata_single;

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

bool HoldsBadControl(const char* s) {
    for (; *s; ++s)
        if (IsBadControl(static_cast<unsigned char>(*s))) return true;
    return false;
}

// False when the text to be parsed cannot give a value holding such a control character: it has
// no character reference and no such byte. The loop has no early exit so that it vectorises.
bool MayHoldBadControl(std::string_view s) {
    if (s.find("&#") != std::string_view::npos) return true;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
    const size_t n = s.size();
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        unsigned bad = 0;
        for (size_t j = 0; j < 64; ++j) {
            const unsigned char c = p[i + j];
            bad |= static_cast<unsigned>(c < 0x20) & (c != '\t') & (c != '\n') & (c != '\r');
        }
        if (bad) return true;
    }
    for (; i < n; ++i)
        if (IsBadControl(p[i])) return true;
    return false;
}

// The parser lets in control characters (raw or as character references) that strict readers
// refuse. They become blanks, as SetText makes them, so that saving such a document gives a
// well-formed file.
void BlankLoadedControls(pugi::xml_document& doc) {
    for (pugi::xml_node n = NextInTree(doc, doc); n; n = NextInTree(n, doc)) {
        if (IsText(n) && HoldsBadControl(n.value())) {
            std::string v = n.value();
            BlankControls(v);
            n.set_value(v.c_str());
        }
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
            if (HoldsBadControl(a.value())) {
                std::string v = a.value();
                BlankControls(v);
                a.set_value(v.c_str());
            }
    }
}

// True when the bytes open with an XML declaration whose encoding is windows-1251.
bool DeclaresCp1251(std::string_view bytes) {
    if (bytes.substr(0, 5) != "<?xml") return false;
    size_t end = bytes.find("?>");
    if (end == std::string_view::npos) return false;
    std::string decl = LowerCase(bytes.substr(0, end));
    size_t p = decl.find("encoding");
    if (p == std::string::npos) return false;
    p = decl.find_first_not_of(" \t\r\n", p + 8);
    if (p == std::string::npos || decl[p] != '=') return false;
    p = decl.find_first_not_of(" \t\r\n", p + 1);
    if (p == std::string::npos || (decl[p] != '"' && decl[p] != '\'')) return false;
    size_t q = decl.find(decl[p], p + 1);
    if (q == std::string::npos) return false;
    std::string name = decl.substr(p + 1, q - p - 1);
    return name == "windows-1251" || name == "cp1251";
}

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

std::string TXMLNode::NodeName() const { return FromUtf8(node_.name()); }

std::string TXMLNode::Text() const {
    pugi::xml_node first = node_.first_child();
    if (!first) return IsText(node_) ? FromUtf8(node_.value()) : std::string();
    if (IsText(first) && !first.next_sibling()) return FromUtf8(first.value());
    std::string utf8;
    CollectText(node_, utf8);
    return IsAscii(utf8) ? utf8 : Utf8ToCp1251(utf8);
}

void TXMLNode::SetText(std::string_view text) {
    if (!node_) return;
    node_.remove_children();
    if (text.empty()) return;
    std::string utf8 = IsAscii(text) ? std::string(text) : Cp1251ToUtf8(text);
    BlankControls(utf8);
    node_.append_child(pugi::node_pcdata).set_value(utf8.data(), utf8.size());
}

TXMLNodeList TXMLNode::ChildNodes() const { return TXMLNodeList(node_); }

TXMLNode TXMLNode::FindChild(std::string_view name) const {
    const std::string n = NameToUtf8(name);
    for (pugi::xml_node c = node_.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element && std::strcmp(c.name(), n.c_str()) == 0) return TXMLNode(c);
    return TXMLNode();
}

TXMLNode TXMLNode::AddChild(std::string_view name) {
    return TXMLNode(node_.append_child(NameToUtf8(name).c_str()));
}

// ---- TXMLNodeList ----

int TXMLNodeList::Count() const {
    int n = 0;
    for (pugi::xml_node c = parent_.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element) ++n;
    return n;
}

TXMLNode TXMLNodeList::Nodes(int index) const {
    if (index >= 0) {
        int i = 0;
        for (pugi::xml_node c = parent_.first_child(); c; c = c.next_sibling())
            if (c.type() == pugi::node_element && i++ == index) return TXMLNode(c);
    }
    RaiseIndex(index);
}

TXMLNode TXMLNodeList::FindNode(std::string_view name) const { return TXMLNode(parent_).FindChild(name); }

TXMLNode TXMLNodeList::Add(std::string_view name) { return TXMLNode(parent_).AddChild(name); }

void TXMLNodeList::Delete(int index) { parent_.remove_child(Nodes(index).Handle()); }

void TXMLNodeList::Clear() { parent_.remove_children(); }

// ---- TXMLDocument ----

struct TXMLDocument::Impl {
    std::string buffer;  // parsed in place: the document's strings point into it
    pugi::xml_document doc;
};

TXMLDocument::TXMLDocument() : impl_(std::make_unique<Impl>()) {}
TXMLDocument::~TXMLDocument() = default;
TXMLDocument::TXMLDocument(TXMLDocument&&) noexcept = default;
TXMLDocument& TXMLDocument::operator=(TXMLDocument&&) noexcept = default;

void TXMLDocument::LoadFromFile(const std::string& fileName) {
    Parse(ReadWholeFile(fileName), fileName);
}

void TXMLDocument::LoadFromBytes(std::string_view bytes, const std::string& name) {
    Parse(std::string(bytes), name);
}

void TXMLDocument::Parse(std::string bytes, const std::string& name) {
    auto fresh = std::make_unique<Impl>();
    pugi::xml_encoding encoding = pugi::encoding_utf8;
    size_t skipped = 0;
    auto startsWith = [&](std::string_view p) { return std::string_view(bytes).substr(0, p.size()) == p; };
    if (startsWith("\xEF\xBB\xBF")) {
        skipped = 3;
    } else if (startsWith("\xFF\xFE")) {
        encoding = pugi::encoding_utf16_le;
        skipped = 2;
    } else if (startsWith("\xFE\xFF")) {
        encoding = pugi::encoding_utf16_be;
        skipped = 2;
    }
    if (skipped == 0 && DeclaresCp1251(bytes))
        fresh->buffer = Cp1251ToUtf8(bytes);
    else
        fresh->buffer = std::move(bytes);

    // Looked at before the parse, which rewrites the buffer in place. UTF-16 text is converted by
    // the parser, so its bytes say nothing here.
    const bool mayHoldControls = encoding != pugi::encoding_utf8 ||
                                 MayHoldBadControl(std::string_view(fresh->buffer).substr(skipped));
    pugi::xml_parse_result result = fresh->doc.load_buffer_inplace(
        fresh->buffer.data() + skipped, fresh->buffer.size() - skipped, kParseFlags, encoding);
    if (!result) {
        throw EDOMParseError("XML parse error in \"" + name + "\": " + result.description() + " at offset " +
                             IntToStr(static_cast<int64_t>(result.offset) + static_cast<int64_t>(skipped)));
    }
    if (mayHoldControls) BlankLoadedControls(fresh->doc);
    impl_ = std::move(fresh);
}

std::string TXMLDocument::SaveToString() const {
    std::string out;
    pugi::xml_node root = impl_->doc.document_element();
    if (!root) return out;
    StringWriter writer(out);
    root.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return out;
}

void TXMLDocument::SaveToFile(const std::string& fileName) const {
    if (!impl_->doc.document_element())
        throw EWriteError("Cannot write file \"" + fileName + "\". The document has no root element");
    AtomicWriteFile(fileName, SaveToString());
}

TXMLNode TXMLDocument::DocumentElement() const { return TXMLNode(impl_->doc.document_element()); }

TXMLNode TXMLDocument::CreateDocumentElement(std::string_view name) {
    Clear();
    return TXMLNode(impl_->doc.append_child(NameToUtf8(name).c_str()));
}

bool TXMLDocument::IsEmpty() const { return !impl_->doc.first_child(); }

void TXMLDocument::Clear() {
    impl_->doc.reset();
    impl_->buffer.clear();
    impl_->buffer.shrink_to_fit();
}
