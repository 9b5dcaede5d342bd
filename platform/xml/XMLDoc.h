#pragma once
// A small XML DOM over pugixml. Every name and text at this interface is code page 1251; the
// document holds UTF-8 and files are written as UTF-8.
#include <pugixml.hpp>

#include <memory>
#include <string>
#include <string_view>

#include "platform/Exceptions.h"

// A file that is not well-formed XML: the message names the file, the reason and the offset.
VA_DECLARE_EXCEPTION(EDOMParseError, Exception)

class TXMLNodeList;

// A handle to one node of a document; cheap to copy, null when it names nothing. A handle is
// valid while its node is in the document.
class TXMLNode {
public:
    TXMLNode() = default;
    explicit TXMLNode(pugi::xml_node node) : node_(node) {}

    bool IsNull() const { return !node_; }
    explicit operator bool() const { return static_cast<bool>(node_); }
    bool operator==(const TXMLNode& other) const { return node_ == other.node_; }
    bool IsElement() const { return node_.type() == pugi::node_element; }

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

    pugi::xml_node Handle() const { return node_; }

private:
    pugi::xml_node node_;
};

// The child elements of one node, as a list. Positions count elements only.
class TXMLNodeList {
public:
    explicit TXMLNodeList(pugi::xml_node parent) : parent_(parent) {}

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
    pugi::xml_node parent_;
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
    // a BOM, UTF-16 with a BOM, and text declared as windows-1251 are accepted. Declarations,
    // comments and processing instructions are dropped; a whitespace-only value is kept. Control
    // characters other than TAB, LF and CR in values read as blanks, as SetText stores them.
    void LoadFromFile(const std::string& fileName);
    // The same over bytes in memory; name is used in error messages.
    void LoadFromBytes(std::string_view bytes, const std::string& name);

    // The document element as UTF-8 with no declaration, BOM, indentation or line breaks.
    std::string SaveToString() const;
    // SaveToString written through AtomicWriteFile: a failed save raises and keeps the old file.
    void SaveToFile(const std::string& fileName) const;

    // The first top-level element, or a null node.
    TXMLNode DocumentElement() const;
    // Empties the document and gives it one top-level element of that name.
    TXMLNode CreateDocumentElement(std::string_view name);
    bool IsEmpty() const;
    void Clear();

    struct Impl;

private:
    void Parse(std::string bytes, const std::string& name);
    std::unique_ptr<Impl> impl_;
};
