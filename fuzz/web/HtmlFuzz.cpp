// Feeds arbitrary bytes to the page parser, the tag search, its filters and the form-action
// resolver, and checks the parser's invariants on the way. Input: an optional base address, a NUL,
// then the page; without a NUL the whole input is the page.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "web/ExtractActionUnit.h"
#include "web/clFindTegProperty.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

std::string Without(const std::string& s, const char* drop) {
    std::string r;
    for (char c : s)
        if (!std::strchr(drop, c) || c == '\0') r.push_back(c);
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string base = "http://host/a/b.phtml?r=/c";
    std::string page = input;
    const size_t nul = input.find('\0');
    if (nul != std::string::npos && nul < 256) {
        base = input.substr(0, nul);
        page = input.substr(nul + 1);
    }

    // One finder for every input, as a search object parses page after page.
    static TFindTags ft;
    ft.SetText(page);
    TTagList tags;
    ft.FindTags(tags, "*");

    // Every byte but "<", ">", CR and LF comes back, in order, in the raw texts.
    std::string joined;
    int index = 0;
    for (THTMLElement* e : ft.GetHTMLElements()) {
        Check(e->Position == index++, "position equals index");
        joined += e->Raw;
        if (const THTMLText* t = AsText(e)) {
            Check(!t->Raw.empty(), "no empty text element");
            Check(t->Text.size() <= t->Raw.size(), "decoding never grows text");
        } else {
            const THTMLTag* tag = AsTag(e);
            Check(tag != nullptr, "element is a tag or a text");
            for (const THTMLParam& p : tag->Params) Check(!p.Raw.empty(), "no empty parameter");
            (void)ft.GetParamValue(tag, "href");
            (void)TFindTags::IsLoginForm(tag);
            (void)TFindTags::IsActionlessPostForm(tag);
            (void)TFindTags::IsCharsetMeta(tag);
        }
    }
    Check(Without(joined, "\n") == Without(page, "<>\r\n"), "raw texts rebuild the page");

    ft.FindTags(tags, "meta", &TFindTags::IsCharsetMeta);
    ft.FindTags(tags, "a");
    std::string url;
    ExtractAction(ft, base, page, url);
    return 0;
}
