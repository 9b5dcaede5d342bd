#include "agent/RegCodeSender.h"

#include "agent/SiteWorker.h"
#include "platform/Streams.h"
#include "platform/Strings.h"
#include "web/ExtractActionUnit.h"
#include "web/clSubmit.h"

TRegCodeSender::TRegCodeSender() : findTags_(std::make_unique<TFindTags>()) {}

TRegCodeSender::~TRegCodeSender() = default;

bool TRegCodeSender::SendCode() {
    RefusedPageHTML.clear();
    std::string url;
    ExtractAction(*findTags_, PageURL, PageHTML, url);
    PageURL = url;
    if (url.empty() || !Submit) return false;

    findTags_->SetText(PageHTML);
    TTagList inputs;
    findTags_->FindTags(inputs, "input");
    TStringList fields;
    for (const THTMLTag* input : inputs) {
        std::string name = findTags_->GetParamValue(input, "name");
        if (name == "check")
            fields.Add("check=" + Trim(CodeText()));
        else
            fields.Add(name + "=" + findTags_->GetParamValue(input, "value"));
    }
    Submit->SetURL(PageURL);
    TStringStream stream;
    Submit->PostURLEncoded(fields, &stream, true);
    PageHTML = stream.DataString();

    if (!PageHTML.empty()) {
        findTags_->SetText(PageHTML);
        TTagList links;
        findTags_->FindTags(links, "a", &TSiteWorker::IsAbsoluteLink);
        for (auto it = links.rbegin(); it != links.rend(); ++it)
            if (findTags_->GetParamValue(*it, "href").find("reg_code.phtml?image") != std::string::npos) {
                RefusedPageHTML = PageHTML;
                PageHTML.clear();
                return false;
            }
    }
    return true;
}
