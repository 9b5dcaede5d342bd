#include "web/clFindTegProperty.h"

void TFindTags::FindTags(TTagList& result, std::string_view tagName, const TTagFilter& filter) {
    result.clear();
    if (Reparse) {
        parser_.ClearElements();
        parser_.Execute();
    }
    const bool any = tagName == "*";
    for (THTMLElement* e : parser_.HTMLElements) {
        THTMLTag* tag = AsTag(e);
        if (!tag || !(any || SameText(tag->Name, tagName))) continue;
        if (!filter || filter(tag)) result.push_back(tag);
    }
}

std::string TFindTags::GetParamValue(const THTMLTag* tag, std::string_view paramName) const {
    if (!tag || Trim(paramName).empty()) return std::string();
    for (const THTMLParam& p : tag->Params)
        if (SameText(p.Key, paramName)) return p.Value;
    return std::string();
}

namespace {

bool Contains(std::string_view s, std::string_view word) { return s.find(word) != std::string_view::npos; }

}  // namespace

// Each filter reads every parameter and decides at the end; a finding is never undone.
bool TFindTags::IsLoginForm(const THTMLTag* tag) {
    if (!tag || LowerCase(tag->Name) != "form") return false;
    bool action = false, post = false, search = false;
    for (const THTMLParam& p : tag->Params) {
        const std::string key = LowerCase(p.Key);
        const std::string value = LowerCase(p.Value);
        if (key == "action" && !Contains(value, "subscribe") && !Contains(value, "search") &&
            !Contains(value, "see") && !Contains(value, "find") && !Contains(value, "voting"))
            action = true;
        else if (key == "method" && value == "post")
            post = true;
        else if (key == "name" && value == "poisk")
            search = true;
    }
    return action && post && !search;
}

bool TFindTags::IsActionlessPostForm(const THTMLTag* tag) {
    if (!tag || LowerCase(tag->Name) != "form") return false;
    bool action = false, post = false, search = false;
    for (const THTMLParam& p : tag->Params) {
        const std::string key = LowerCase(p.Key);
        const std::string value = LowerCase(p.Value);
        if (key == "action")
            action = true;
        else if (key == "method" && value == "post")
            post = true;
        else if (key == "name" && (value == "poisk" || value == "search"))
            search = true;
    }
    return !action && post && !search;
}

bool TFindTags::IsCharsetMeta(const THTMLTag* tag) {
    if (!tag || LowerCase(tag->Name) != "meta") return false;
    bool charset = false;
    for (const THTMLParam& p : tag->Params)
        if (LowerCase(p.Key) == "content" && Contains(LowerCase(p.Value), "charset=")) charset = true;
    return charset;
}
