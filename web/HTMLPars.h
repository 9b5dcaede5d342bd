#pragma once
// A flat model of an HTML page: tags and text runs in document order, no tree.
// The site agent walks the list forward from a tag's Position, so the element positions
// must stay exactly as the scan makes them: nothing is normalised or dropped.
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Strings.h"

class THTMLTag;
class THTMLText;

// Base of the two element kinds; tell them apart with IsTag()/IsText() or AsTag()/AsText().
class THTMLElement {
public:
    enum class TKind : unsigned char { Tag, Text };

    virtual ~THTMLElement() = default;
    THTMLElement(const THTMLElement&) = delete;
    THTMLElement& operator=(const THTMLElement&) = delete;

    TKind Kind() const { return kind_; }
    bool IsTag() const { return kind_ == TKind::Tag; }
    bool IsText() const { return kind_ == TKind::Text; }

    std::string Raw;   // the text as it stood in the page
    int Position = 0;  // index in the parser's element list

protected:
    explicit THTMLElement(TKind kind) : kind_(kind) {}

private:
    TKind kind_;
};

class THTMLParam {
public:
    std::string Raw;    // e.g. href="x.phtml"
    std::string Key;    // before the first "=", upper case (A-Z only)
    std::string Value;  // after the first "=", one pair of outer quotes removed, case kept

    void SetText(std::string_view raw);
};

class THTMLTag : public THTMLElement {
public:
    THTMLTag() : THTMLElement(TKind::Tag) {}

    std::string Name;               // up to the first blank, upper case; "" for "<>" or a stray ">"
    std::vector<THTMLParam> Params;  // in the order written

    int ParamCount() const { return static_cast<int>(Params.size()); }
    void SetText(std::string_view raw);

private:
    void AddParam(std::string_view raw);
    size_t used_ = 0;
};

class THTMLText : public THTMLElement {
public:
    THTMLText() : THTMLElement(TKind::Text) {}

    std::string Text;  // line joins as blanks, leading blank run shortened, entities decoded

    void SetText(std::string_view raw);
};

inline THTMLTag* AsTag(THTMLElement* e) { return e && e->IsTag() ? static_cast<THTMLTag*>(e) : nullptr; }
inline const THTMLTag* AsTag(const THTMLElement* e) {
    return e && e->IsTag() ? static_cast<const THTMLTag*>(e) : nullptr;
}
inline THTMLText* AsText(THTMLElement* e) { return e && e->IsText() ? static_cast<THTMLText*>(e) : nullptr; }
inline const THTMLText* AsText(const THTMLElement* e) {
    return e && e->IsText() ? static_cast<const THTMLText*>(e) : nullptr;
}

// The parser's element list; it owns its elements. Indexing out of range raises EListError.
class THTMLElementList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    THTMLElement* operator[](int i) const;
    THTMLElement* Items(int i) const { return (*this)[i]; }

    void Add(std::unique_ptr<THTMLElement> e) { items_.push_back(std::move(e)); }
    void Clear();

    class const_iterator {
    public:
        explicit const_iterator(std::vector<std::unique_ptr<THTMLElement>>::const_iterator it) : it_(it) {}
        THTMLElement* operator*() const { return it_->get(); }
        const_iterator& operator++() {
            ++it_;
            return *this;
        }
        bool operator==(const const_iterator& o) const { return it_ == o.it_; }
        bool operator!=(const const_iterator& o) const { return it_ != o.it_; }

    private:
        std::vector<std::unique_ptr<THTMLElement>>::const_iterator it_;
    };
    const_iterator begin() const { return const_iterator(items_.begin()); }
    const_iterator end() const { return const_iterator(items_.end()); }

private:
    std::vector<std::unique_ptr<THTMLElement>> items_;
};

class THTMLParser {
public:
    THTMLParser() = default;
    THTMLParser(const THTMLParser&) = delete;
    THTMLParser& operator=(const THTMLParser&) = delete;

    std::string PendingText;  // outside tags, since the last element was closed
    std::string PendingTag;   // inside a tag, since the last "<"
    bool InTag = false;
    THTMLElementList HTMLElements;
    TStringList Lines;  // the page, one entry per line, without line breaks

    // Appends the elements of Lines to HTMLElements; call ClearElements first for a fresh parse.
    void Execute();
    // Empties the list and frees every element: a tag kept from an earlier search is gone.
    void ClearElements();

private:
    void CloseText();
    void CloseTag();
};

// The named entities the text decoder knows, with their codes, in table order.
struct THTMLEntity {
    const char* Name;  // with the leading "&" and the trailing ";"
    int Code;
};
constexpr int HTMLEntityCount = 100;
extern const THTMLEntity HTMLEntities[HTMLEntityCount];
// The byte a decoded code 0..255 becomes: control codes and 160 turn into a blank.
extern const std::array<unsigned char, 256> HTMLCharTable;
