#include "web/ExtractActionUnit.h"

#include "platform/Strings.h"
#include "web/clFindTegProperty.h"
#include "web/clSubmit.h"

namespace {

std::string ResolveAction(const std::string& baseURL, const std::string& action) {
    const TUrl base = SplitURL(baseURL);
    if (action.size() >= 7 && SameText(std::string_view(action).substr(0, 7), "http://")) return action;
    if (action.empty() || action == "/") return baseURL;
    // Root-relative, as a browser takes it.
    if (action[0] == '/') return "http://" + base.Host + action;
    if (action.find('/') == std::string::npos) {
        // The base folder comes from the path before its query: a "/" in the query is no folder.
        std::string_view path = base.Path;
        path = path.substr(0, path.find('?'));
        const size_t last = path.rfind('/');
        const std::string_view dir = last == std::string_view::npos ? std::string_view() : path.substr(0, last);
        return "http://" + base.Host + std::string(dir) + "/" + action;
    }
    return "http://" + base.Host + "/" + action;
}

}  // namespace

void ExtractAction(TFindTags& findTags, const std::string& baseURL, const std::string& pageHTML,
                   std::string& url) {
    url.clear();
    try {
        findTags.SetText(pageHTML);
        findTags.Reparse = true;
        TTagList forms;
        findTags.FindTags(forms, "form", &TFindTags::IsLoginForm);
        findTags.Reparse = true;
        if (forms.size() == 1) {
            url = ResolveAction(baseURL, findTags.GetParamValue(forms[0], "action"));
            return;
        }
        findTags.FindTags(forms, "form", &TFindTags::IsActionlessPostForm);
        if (forms.size() == 1) url = baseURL;
    } catch (const std::exception&) {
        // Out of memory on a huge page: no address, as for a page without a form.
        url.clear();
    }
}
