#pragma once
// A small XML DOM over pugixml. Every name and text at this interface is code page 1251; the
// document holds UTF-8 and files are written as UTF-8. pugixml stays behind this interface.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Exceptions.h"

// A file that is not well-formed XML: the message names the file, the reason and the offset.
VA_DECLARE_EXCEPTION(EDOMParseError, Exception)

namespace pugi {
struct xml_node_struct;
}

class TXMLNodeList;
class TXMLDocument;

// A handle to one node of a document; cheap to copy, null when it names nothing. A handle is
// valid while its node is in the document. Every change made through a handle moves its
// document's change count.
class TXMLNode {
public:
    TXMLNode() = default;

    bool IsNull() const { return node_ == nullptr; }
    explicit operator bool() const { return node_ != nullptr; }
    bool operator==(const TXMLNode& other) const { return node_ == other.node_; }
    bool IsElement() const;

    std::string NodeName() const;
    // The node's text: all text below it, in document order; '' when it holds none.
    std::string Text() const;
    // Replaces all children by one text node ('' leaves the element empty). Control characters
    // other than TAB, LF and CR become blanks: XML 1.0 has no way to carry them.
    void SetText(std::string_view text);

    // Child elements only; text, comments and the like are not counted.
    TXMLNodeList ChildNodes() const;
    // The first child element of that name (case-sensitive), or a null node.
    TXMLNode FindChild(std::string_view name) const;
    // Appends a new, empty child element.
    TXMLNode AddChild(std::string_view name);
    // Element iteration: the first child element, and the next element after this one under
    // the same parent; null at the end.
    TXMLNode FirstChild() const;
    TXMLNode NextSibling() const;
    // Removes child (a child of this node, with all below it); a null node or one that is not
    // a child is left alone.
    void RemoveChild(TXMLNode child);
    // Removes every child node, text included.
    void RemoveChildren();

private:
    friend class TXMLNodeList;
    friend class TXMLDocument;
    TXMLNode(pugi::xml_node_struct* node, std::uint64_t* changes) : node_(node), changes_(changes) {}
    TXMLNode Wrap(pugi::xml_node_struct* node) const { return TXMLNode(node, changes_); }
    void Changed() const;

    pugi::xml_node_struct* node_ = nullptr;
    std::uint64_t* changes_ = nullptr;  // the document's change count
};

// The child elements of one node, as a list. Positions count elements only.
class TXMLNodeList {
public:
    explicit TXMLNodeList(TXMLNode parent) : parent_(parent) {}

    int Count() const;
    // Raises EListError for an index outside the list.
    TXMLNode Nodes(int index) const;
    TXMLNode operator[](int index) const { return Nodes(index); }
    TXMLNode FindNode(std::string_view name) const;
    TXMLNode Add(std::string_view name);
    void Delete(int index);
    // Removes every child node.
    void Clear();

private:
    TXMLNode parent_;
};

class TXMLDocument {
public:
    TXMLDocument();
    ~TXMLDocument();
    TXMLDocument(const TXMLDocument&) = delete;
    TXMLDocument& operator=(const TXMLDocument&) = delete;
    TXMLDocument(TXMLDocument&&) noexcept;
    TXMLDocument& operator=(TXMLDocument&&) noexcept;

    // Reads the file and parses it into a fresh document that replaces this one only on success;
    // a parse error raises EDOMParseError and leaves the content as it was. UTF-8 with or without
    // a BOM, UTF-16 with a BOM, and any 8-bit encoding that iconv knows when the declaration
    // names it are accepted; otherwise a byte that is not valid UTF-8 is a parse error at its
    // offset. Declarations, comments and processing instructions are dropped; a whitespace-only
    // value is kept. Control characters other than TAB, LF and CR in values read as blanks, as
    // SetText stores them; any other character that XML has not (a surrogate, U+FFFE, U+FFFF, a
    // reference past U+10FFFF), raw or referenced, stands as U+FFFD. In CDATA a reference is text.
    void LoadFromFile(const std::string& fileName);
    // The same over bytes in memory; name is used in error messages.
    void LoadFromBytes(std::string_view bytes, const std::string& name);

    // The document element as UTF-8 with no declaration, BOM, indentation or line breaks; a
    // carriage return of a value is written as a character reference, so that it reads back.
    std::string SaveToString() const;
    // SaveToString written through AtomicWriteFile: a failed save raises and keeps the old file.
    void SaveToFile(const std::string& fileName) const;

    // The first top-level element, or a null node.
    TXMLNode DocumentElement() const;
    // Empties the document and gives it one top-level element of that name.
    TXMLNode CreateDocumentElement(std::string_view name);
    bool IsEmpty() const;
    void Clear();

    // Moves on every change to the document: a load, a clear, and every change made through its
    // nodes. Every document counts in a range of its own, so a value seen once never stands for
    // another state of this or any other document.
    std::uint64_t ChangeCount() const { return *changes_; }

    struct Impl;

private:
    void Parse(std::string bytes, const std::string& name);
    void Changed();
    std::unique_ptr<Impl> impl_;
    std::unique_ptr<std::uint64_t> changes_;
};
