#include "web/clSubmit.h"

#include "platform/Strings.h"

TUrl SplitURL(const std::string& url) {
    TUrl r;
    r.URL = url;
    std::string work = url;
    if (work.size() >= 7 && SameText(std::string_view(work).substr(0, 7), "http://")) work.erase(0, 7);
    size_t slash = work.find('/');
    if (slash == std::string::npos) {
        r.Host = work;
        r.Path = "/";
        return r;
    }
    r.Host = work.substr(0, slash);
    r.Path = work.substr(slash);
    size_t q = work.find('?');
    if (q != std::string::npos) r.Query = work.substr(q + 1);
    if (r.Path.empty()) r.Path = "/";
    return r;
}
