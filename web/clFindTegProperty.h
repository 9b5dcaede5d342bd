#pragma once
// Tag search over a page: the one way the site agent, the form-action resolver and the main window
// look into a page. Every search parses the current text afresh.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "web/HTMLPars.h"

// A tag filter; an empty function stands for no filter.
using TTagFilter = std::function<bool(const THTMLTag*)>;
// Found tags: the parser's own elements, owned by nobody here.
using TTagList = std::vector<THTMLTag*>;

class TFindTags {
public:
    TFindTags() = default;
    TFindTags(const TFindTags&) = delete;
    TFindTags& operator=(const TFindTags&) = delete;

    // While true, every search parses the current text afresh. Nothing sets it to false.
    bool Reparse = true;

    // The page becomes the parser's lines; nothing is parsed and the current elements stay.
    void SetText(std::string_view page) { parser_.Lines.SetText(page); }
    // The lines joined, each followed by CR LF.
    std::string GetText() const { return parser_.Lines.Text(); }
    // The parser's element list itself; valid until the next search.
    THTMLElementList& GetHTMLElements() { return parser_.HTMLElements; }
    THTMLParser& Parser() { return parser_; }

    // Every tag named tagName (A-Z folded; "*" for any) that the filter accepts, in document order.
    // The tags of any earlier search are freed here.
    void FindTags(TTagList& result, std::string_view tagName, const TTagFilter& filter = {});
    // The value of the tag's first parameter whose key equals paramName (A-Z folded); "" otherwise.
    std::string GetParamValue(const THTMLTag* tag, std::string_view paramName) const;

    // A site login form: an action that is no search, subscription or voting, posted.
    static bool IsLoginForm(const THTMLTag* tag);
    // A posted form with no action at all, which posts back to its own page.
    static bool IsActionlessPostForm(const THTMLTag* tag);
    // A meta tag whose content declares a charset.
    static bool IsCharsetMeta(const THTMLTag* tag);

private:
    THTMLParser parser_;
};
