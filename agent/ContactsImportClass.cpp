#include "agent/ContactsImportClass.h"

#include <climits>

#include "agent/RegCodeSender.h"
#include "storage/clUrlList.h"
#include "platform/CpLiteral.h"

const char* const TContactsImportClass::CompletedText = u8"Импорт контактов завершен."_cp.c_str();

struct TContactsImportClass::Row {
    std::string Name;
    int Age = 0;
    std::string Area;
    int VipUser = 0;
    int PhotoCount = 0;
    int WithVoice = 0;
    std::string Address;
};

namespace {

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

bool TagIs(const THTMLElement* e, const char* lowerName) {
    const THTMLTag* tag = AsTag(e);
    return tag && LowerCase(tag->Name) == lowerName;
}

// "&s=" to the end, or the whole address without one: what tells one picture from another.
std::string PicturePart(const std::string& url) {
    size_t p = url.find("&s=");
    return p == std::string::npos ? url : url.substr(p);
}

}  // namespace

TContactsImportClass::TContactsImportClass(TWorkerSeams seams)
    : TSiteWorker(std::make_unique<TImportStateObject>(), std::move(seams)) {}

void TContactsImportClass::StartImport() {
    HostFromSettings();
    LastCode.clear();
    LastCaptchaURL.clear();
    StoreFailed = false;
    StartRun();
}

void TContactsImportClass::RunFinished() {
    if (RunFailed)
        ShowMessage(ConnectionErrorText);
    else if (!StoreFailed)
        ShowMessage(CompletedText);
}

void TContactsImportClass::ParseListPage(const std::string& page) {
    WalkListPage(page, [this](THTMLElementList& els, const THTMLTag* link, const std::string& href) {
        ReadRow(els, link, href);
    });
}

void TContactsImportClass::ReadRow(THTMLElementList& els, const THTMLTag* link, const std::string& href) {
    Row row;
    row.Address = href;
    const int count = els.Count();

    // Name: the first text after the link; an image right after it, or the row's end, gives none.
    int nameAt = -1;
    for (int i = link->Position + 1; i < count; ++i) {
        THTMLElement* e = els[i];
        if (const THTMLTag* tag = AsTag(e)) {
            std::string name = LowerCase(tag->Name);
            if ((name == "img" && i == link->Position + 1) || name == "/tr") break;
            continue;
        }
        row.Name = AsText(e)->Text;
        nameAt = i;
        break;
    }
    if (nameAt < 0) return;

    // Age and area from the texts after each closing link of the row.
    for (int j = nameAt + 1; j < count && !TagIs(els[j], "/tr"); ++j) {
        if (!TagIs(els[j], "/a")) continue;
        int textAt = -1;
        for (int k = j + 1; k <= j + 3 && k < count; ++k)
            if (els[k]->IsText()) {
                textAt = k;
                break;
            }
        if (textAt < 0) continue;
        const std::string& text = AsText(els[textAt])->Text;
        size_t comma = text.find(", ");
        if (comma == std::string::npos) continue;
        std::string ageText;
        int ageAt = textAt;
        if (Trim(text).size() >= 2) {
            ageText = Trim(text.substr(comma + 2));
        } else {
            ageAt = -1;
            for (int k = textAt + 1; k < count; ++k) {
                if (TagIs(els[k], "img")) break;
                if (els[k]->IsText()) {
                    ageAt = k;
                    break;
                }
            }
            if (ageAt < 0) continue;
            ageText = Trim(AsText(els[ageAt])->Text);
        }
        if (!IsDigits(ageText)) continue;
        int age = 0;
        if (TryStrToInt(ageText, age)) row.Age = age;
        for (int k = ageAt + 1; k < count; ++k)
            if (const THTMLText* t = AsText(els[k])) {
                std::string area = TrimLeft(t->Text);
                if (!area.empty()) {
                    row.Area = area;
                    break;
                }
            }
    }

    if (!IsContactAddress(row.Address) || Trim(row.Name).empty()) return;
    ReadProfile(row);

    TFriend* table = Folders().GetFolderTable(FolderIndex);
    if (table && !table->FindByLogin(row.Address) && !Temp().FindByLogin(row.Address))
        Temp().AddFriend(row.Name, ExtractLogin(row.Address), row.Address, row.Area, row.Age, row.VipUser,
                         row.PhotoCount, row.WithVoice, 0, "");
}

void TContactsImportClass::ReadProfile(Row& row) {
    TFindTags rowTags;
    bool fresh = !FullImport;
    if (FullImport) {
        Submit().SetURL(row.Address);
        std::string page = GetPage(Submit());
        if (!page.empty()) {
            rowTags.SetText(page);
            TTagList links;
            rowTags.FindTags(links, "a", &TSiteWorker::IsContactLink);
            bool wantsCode = false;
            for (auto it = links.rbegin(); it != links.rend() && !wantsCode; ++it)
                wantsCode = Contains(rowTags.GetParamValue(*it, "href"), "reg_code.phtml?image");
            if (wantsCode && !AnswerCode(rowTags)) fresh = true;
        }
    }
    if (fresh) {
        TSubmit client(Http());
        client.SetURL(row.Address);
        std::string page = GetPage(client);
        if (!page.empty()) rowTags.SetText(page);
        client.Disconnect();
    }

    std::string text = rowTags.GetText();
    if (text.empty()) return;
    // One parse for the charset, the address, the marks and the photo count.
    TTagList tags;
    CharsetCheck(text, rowTags, tags);

    std::string canonical = CanonicalAddress(rowTags, tags);
    if (!canonical.empty()) row.Address = canonical;

    for (const THTMLTag* img : tags) {
        if (!IsImageWithSrc(img)) continue;
        std::string src = rowTags.GetParamValue(img, "src");
        if (Contains(src, "i_voice.gif") || Contains(src, "icop_voice.gif")) row.WithVoice = 1;
        if (Contains(src, "ico_vip.gif")) row.VipUser = 1;
    }

    for (THTMLElement* e : rowTags.GetHTMLElements()) {
        const THTMLText* t = AsText(e);
        if (!t) continue;
        const std::string& s = t->Text;
        int value = 0;
        size_t p = s.find(u8" фото"_cp);
        if (p != std::string::npos) {
            std::string count = Trim(s.substr(0, p));
            if (IsDigits(count) && TryStrToInt(count, value)) row.PhotoCount = value;
        }
        size_t q = s.find(u8" интим-фото"_cp);
        if (q != std::string::npos) {
            size_t comma = s.find(',');
            std::string count;
            if (comma == std::string::npos)
                count = Trim(s.substr(0, q));
            else if (comma < q)
                count = Trim(s.substr(comma + 1, q - comma - 1));
            // A sum that would leave the integer range is ignored, as a number that does.
            if (IsDigits(count) && TryStrToInt(count, value) && value <= INT_MAX - row.PhotoCount)
                row.PhotoCount += value;
        }
    }
}

bool TContactsImportClass::AnswerCode(TFindTags& rowTags) {
    TTagList images;
    rowTags.FindTags(images, "img", &TSiteWorker::IsImageWithSrc);
    std::string picture;
    for (const THTMLTag* img : images) {
        std::string src = rowTags.GetParamValue(img, "src");
        if (Contains(src, "reg.phtml?image=")) {
            picture = src;
            break;
        }
    }
    if (picture.empty()) return false;

    TCodeRequest request;
    request.PageURL = "http://" + Submit().GetHost() + "/tips/index.phtml";
    request.ImageURL = picture;
    request.PageHTML = rowTags.GetText();

    TCodeAnswer answer;
    if (PicturePart(LastCaptchaURL) == PicturePart(picture) && !LastCode.empty()) {
        TRegCodeSender sender;
        sender.PageURL = request.PageURL;
        sender.ImageURL = request.ImageURL;
        sender.PageHTML = request.PageHTML;
        sender.Submit = &Submit();
        sender.Code = LastCode;
        answer.ModalResult = sender.SendCode() ? 1 : 5;
        answer.PageHTML = sender.PageHTML;
        answer.Code = LastCode;
    } else {
        const TCodePrompt& prompt = seams_.CodePrompt ? seams_.CodePrompt : DefaultCodePrompt();
        if (prompt) answer = prompt(request, Submit());
    }

    bool answered = false;
    if (answer.ModalResult == 1 && !answer.PageHTML.empty()) {
        rowTags.SetText(answer.PageHTML);
        LastCode = answer.Code;
        LastCaptchaURL = answer.ImageURL.empty() ? picture : answer.ImageURL;
        answered = true;
    }
    if (answer.NoMoreCodes) FullImport = false;
    return answered;
}
