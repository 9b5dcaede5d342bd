#include "agent/SiteWorker.h"

#include <chrono>
#include <thread>

#include "platform/Codec.h"
#include "storage/DataModuleUnit.h"
#include "web/ExtractActionUnit.h"
#include "platform/CpLiteral.h"

const char* const TSiteWorker::LoginAccept =
    "text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,video/x-mng,"
    "image/png,image/jpeg,image/gif;q=0.2,*/*;q=0.1";
const char* const TSiteWorker::ConnectionErrorText =
    u8"Ошибка соединения с сервером.\n\rПовторите попытку позже или воспользуйтесь для входа другим сервером."_cp.c_str();

namespace {

bool Contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

bool IsHref(const THTMLParam& p) { return SameText(p.Key, "href"); }

// The first href (tags in order, each tag's parameters in order) whose lower-cased value
// contains part; "" when there is none.
std::string FirstHrefWith(const TTagList& tags, const char* part) {
    for (const THTMLTag* tag : tags)
        for (const THTMLParam& p : tag->Params)
            if (IsHref(p) && Contains(LowerCase(p.Value), part)) return p.Value;
    return std::string();
}

}  // namespace

TSiteWorker::TSiteWorker(std::unique_ptr<TWorkerStateObject> state, TWorkerSeams seams)
    : seams_(std::move(seams)),
      state_(std::move(state)),
      submit_(std::make_unique<TSubmit>()),
      findTags_(std::make_unique<TFindTags>()),
      folders_(std::make_unique<TFriendFolderList>()),
      temp_(std::make_unique<TFriend>()) {
    folders_->AddFolder("0", "CommonFriends", u8"Общая папка"_cp);
    folders_->AddFolder("1", "FaforiteFriends", u8"Избранные пользователи"_cp);
    timer_ = seams_.Timer ? std::move(seams_.Timer) : MakeFrameworkTimer();
    timer_->SetEnabled(false);
    timer_->SetInterval(200);
    timer_->SetOnTimer([this] { TimerTick(); });
}

TSiteWorker::~TSiteWorker() {
    // The timer goes first so that no tick reaches a half-destroyed worker.
    timer_->SetEnabled(false);
    timer_.reset();
}

void TSiteWorker::Pause(int ms) {
    if (seams_.Pause)
        seams_.Pause(ms);
    else
        SleepPause(ms);
}

void TSiteWorker::ShowMessage(const std::string& text) {
    const TMessageSink& sink = seams_.Message ? seams_.Message : DefaultMessageSink();
    if (sink) sink(text);
}

std::string TSiteWorker::GetPage(TSubmit& client) {
    TStringStream stream;
    client.Get(&stream);
    return stream.DataString();
}

// ---------------------------------------------------------------------------------------------
// Session

bool TSiteWorker::Login(const std::string& login, const std::string& password) {
    bool result = false;
    TSubmit& submit = *submit_;
    submit.SetURL("http://" + Host);
    submit.Connect();
    std::string home = submit.GetString();
    if (home.empty()) {
        submit.Disconnect();
        return false;
    }
    CharsetCheck(home, *findTags_);
    MessagesURL.clear();
    LogoutURL.clear();

    TTagList tags;
    findTags_->FindTags(tags, "a");
    const std::string full = FirstHrefWith(tags, "?tip=login");

    std::string link = full;
    size_t sold = full.find("&sold=");
    if (sold != std::string::npos) link = full.substr(0, sold);
    std::string s, formAddress, page;

    if (!link.empty()) {
        Pause(1000);
        submit.SetURL(link);
        submit.RequestHeader().SetAccept(LoginAccept);
        page = GetPage(submit);
        ExtractAction(*findTags_, link, page, formAddress);
    }
    if (formAddress.empty() && !full.empty()) {
        link = full;
        submit.Disconnect();
        Pause(1000);
        submit.SetURL(full);
        submit.Connect();
        submit.RequestHeader().SetAccept(LoginAccept);
        page = GetPage(submit);
        ExtractAction(*findTags_, full, page, formAddress);
        findTags_->SetText(page);
        findTags_->FindTags(tags, "input");
        for (const THTMLTag* tag : tags)
            if (findTags_->GetParamValue(tag, "name") == "s") {
                s = findTags_->GetParamValue(tag, "value");
                break;
            }
    }
    if (!formAddress.empty()) {
        Pause(1000);
        submit.SetURL(formAddress);
        TStringList fields;
        fields.Add("oid=0");
        fields.Add("photo_oid=0");
        fields.Add("login_action=login");
        fields.Add("tcurl=");
        fields.Add("login=" + login);
        fields.Add("password=" + password);
        fields.Add("level=");
        if (!s.empty()) fields.Add("s=" + s);
        submit.RequestHeader().SetAccept(LoginAccept);
        TStringStream stream;
        submit.PostURLEncoded(fields, &stream, true);
        std::string answer = stream.DataString();

        findTags_->SetText(answer);
        findTags_->FindTags(tags, "a");
        MessagesURL = FirstHrefWith(tags, "messages.phtml?rand=");
        result = !MessagesURL.empty();
        LogoutURL = FirstHrefWith(tags, "logout.phtml");
    }
    if (!result) LoginFailed();
    return result;
}

void TSiteWorker::GetFolderURL(int index, std::string& url) {
    bool linked = false;
    FolderURL(index, url, linked);
}

void TSiteWorker::FolderURL(int index, std::string& url, bool& linked) {
    url.clear();
    linked = false;
    if (MessagesURL.empty()) return;
    submit_->SetURL(MessagesURL);
    std::string page = GetPage(*submit_);
    findTags_->SetText(page);
    TTagList tags;
    findTags_->FindTags(tags, "a");
    std::string last, taken;
    int counted = -1;
    for (const THTMLTag* tag : tags) {
        for (const THTMLParam& p : tag->Params)
            if (IsHref(p) && Contains(LowerCase(p.Value), "messages.phtml?fid=") && p.Value != last) {
                last = p.Value;
                if (++counted == index) {
                    taken = p.Value;
                    linked = true;
                    break;
                }
            }
        if (linked) break;
    }
    size_t m = MessagesURL.find("messages.phtml");
    if (m == std::string::npos) {
        url = taken;
        return;
    }
    url = MessagesURL.substr(0, m);
    if (linked) {
        size_t f = taken.find("messages.phtml?fid=");
        url += f == std::string::npos ? taken : taken.substr(f);
    }
}

void TSiteWorker::Logout() {
    if (!LogoutURL.empty()) {
        submit_->SetURL(LogoutURL);
        GetPage(*submit_);
    }
    submit_->Disconnect();
}

// ---------------------------------------------------------------------------------------------
// The walk

void TSiteWorker::HostFromSettings() {
    if (dmFriend && dmFriend->Settings) Host = dmFriend->Settings->AgentServer;
}

void TSiteWorker::StartRun() {
    TickCount = 0;
    FolderIndex = 0;
    PageIndex = 0;
    RowIndex = 0;
    NeedLoadPage = true;
    RunFailed = false;
    FolderCount = 2;
    folderURLs_.Clear();
    folderLinked_.assign(FolderCount, false);
    for (int i = 0; i < FolderCount; ++i) {
        std::string url;
        bool linked = false;
        FolderURL(i, url, linked);
        folderURLs_.Add(url);
        folderLinked_[i] = linked;
    }
    CurrentFolderURL = folderURLs_[0];
    MaxPages = 5000;
    state_->Current = 0;
    state_->Total = ProgressTotal();
    temp_->ClearRecords();
    timer_->SetEnabled(true);
    if (OnProgress) OnProgress(state_.get());
}

void TSiteWorker::TimerTick() {
    try {
        if (FolderIndex >= FolderCount && PageIndex >= MaxPages && temp_->RecordCount() <= RowIndex) {
            try {
                Finish();
            } catch (...) {
                timer_->SetEnabled(false);
            }
            AfterComplete();
            RunFinished();
            return;
        }
        ++TickCount;
        Step();
    } catch (...) {
        // Nothing leaves a tick; Step has already ended the run when it failed.
    }
}

void TSiteWorker::Step() {
    timer_->SetEnabled(false);
    try {
        if (NeedLoadPage) {
            LoadListPage();
            NeedLoadPage = false;
        } else {
            MergeNextRow();
            if (temp_->RecordCount() <= RowIndex) {
                ++PageIndex;
                if (PageIndex < MaxPages) {
                    temp_->ClearRecords();
                    RowIndex = 0;
                    NeedLoadPage = true;
                } else {
                    ++FolderIndex;
                    if (FolderIndex < FolderCount) {
                        PageIndex = 0;
                        temp_->ClearRecords();
                        RowIndex = 0;
                        NeedLoadPage = true;
                        CurrentFolderURL = folderURLs_[FolderIndex];
                    }
                }
            }
        }
    } catch (...) {
        EndRun();
    }
    try {
        state_->Current = ProgressPosition();
        if (OnProgress) OnProgress(state_.get());
    } catch (...) {
    }
    timer_->SetEnabled(true);
}

void TSiteWorker::EndFolder() {
    PageIndex = MaxPages;
    RowIndex = temp_->RecordCount();
}

void TSiteWorker::EndRun() {
    RunFailed = true;
    NeedLoadPage = false;
    FolderIndex = FolderCount;
    PageIndex = MaxPages;
    RowIndex = temp_->RecordCount();
}

void TSiteWorker::LoadListPage() {
    bool linked = FolderIndex < static_cast<int>(folderLinked_.size()) && folderLinked_[FolderIndex];
    if (CurrentFolderURL.empty() || !linked) {
        RunFailed = true;
        EndFolder();
        return;
    }
    std::string address = CurrentFolderURL;
    if (TickCount >= 2) address += "&offset=" + IntToStr(static_cast<int64_t>(PageIndex) * 10);
    submit_->SetURL(address);
    std::string page = GetPage(*submit_);
    if (page.empty()) {
        RunFailed = true;
        EndFolder();
        return;
    }
    ParseListPage(page);
}

void TSiteWorker::MergeNextRow() {
    if (temp_->RecordCount() <= RowIndex) return;
    temp_->SetRecNo(RowIndex + 1);
    std::string url = temp_->GetFieldText("URL");
    TFriend* table = folders_->GetFolderTable(FolderIndex);
    if (table && !table->FindByLogin(url)) table->CopyRecord(*temp_);
    ++RowIndex;
}

void TSiteWorker::Finish() {
    timer_->SetEnabled(false);
    state_->Current = 0;
    state_->Total = ProgressTotal();
    // The completion handler must run whatever the progress handler does: it ends the session.
    try {
        if (OnProgress) OnProgress(state_.get());
    } catch (...) {
    }
    if (OnComplete) OnComplete(state_.get());
}

// ---------------------------------------------------------------------------------------------
// Page rules

std::string TSiteWorker::CharsetCheck(const std::string& page, TFindTags& ft) {
    ft.SetText(page);
    TTagList metas;
    ft.FindTags(metas, "meta", &TFindTags::IsCharsetMeta);
    if (!metas.empty() && Contains(LowerCase(ft.GetParamValue(metas.front(), "content")), "utf-8")) {
        std::string converted = Utf8ToCp1251(page);
        ft.SetText(converted);
        return converted;
    }
    return page;
}

void TSiteWorker::WalkListPage(const std::string& page, const TContactRowFunc& row) {
    TFindTags& ft = *findTags_;
    CharsetCheck(page, ft);
    if (EndOfFolder(ft)) {
        EndFolder();
        return;
    }
    TTagList links;
    ft.FindTags(links, "a", &TSiteWorker::IsContactLink);
    THTMLElementList& els = ft.GetHTMLElements();
    bool armed = false;
    for (const THTMLTag* link : links) {
        const std::string href = ft.GetParamValue(link, "href");
        if (href == "#") {
            armed = true;
            continue;
        }
        if (armed) row(els, link, href);
    }
}

bool TSiteWorker::EndOfFolder(TFindTags& ft) {
    TTagList tds;
    ft.FindTags(tds, "td");
    THTMLElementList& els = ft.GetHTMLElements();
    for (const THTMLTag* td : tds) {
        for (int i = td->Position + 1; i <= td->Position + 4 && i < els.Count(); ++i) {
            const THTMLText* text = AsText(els[i]);
            if (!text) continue;
            if (Contains(text->Text, u8"Найдено"_cp)) break;
            if (Contains(text->Text, u8"Здесь будет храниться ваша переписка"_cp) ||
                Contains(text->Text, u8"В этой папке вы можете хранить контакты"_cp) ||
                Contains(text->Text, u8"Ваши логин и пароль едины для любого из проектов"_cp))
                return true;
        }
    }
    return false;
}

bool TSiteWorker::IsContactLink(const THTMLTag* tag) {
    if (!tag || LowerCase(tag->Name) != "a") return false;
    bool found = false;
    for (const THTMLParam& p : tag->Params)
        if (LowerCase(p.Key) == "href" && (LowerCase(p.Value).rfind("http://", 0) == 0 || p.Value == "#"))
            found = true;
    return found;
}

bool TSiteWorker::IsImageWithSrc(const THTMLTag* tag) {
    if (!tag || LowerCase(tag->Name) != "img") return false;
    for (const THTMLParam& p : tag->Params)
        if (LowerCase(p.Key) == "src") return true;
    return false;
}

bool TSiteWorker::IsAbsoluteLink(const THTMLTag* tag) {
    if (!tag || LowerCase(tag->Name) != "a") return false;
    for (const THTMLParam& p : tag->Params)
        if (LowerCase(p.Key) == "href" && LowerCase(p.Value).rfind("http://", 0) == 0) return true;
    return false;
}

bool TSiteWorker::IsDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

bool TSiteWorker::IsContactAddress(const std::string& href) const {
    std::string lower = LowerCase(href);
    std::string prefix = "http://" + Host + "/";
    return lower.find(prefix + "?sold=") == std::string::npos && lower.rfind(prefix, 0) == 0 &&
           lower.find("/search.phtml") == std::string::npos && lower.find("oid=") != std::string::npos;
}

std::string TSiteWorker::CanonicalAddress(TFindTags& ft) {
    TTagList links;
    ft.FindTags(links, "a", &TSiteWorker::IsContactLink);
    THTMLElementList& els = ft.GetHTMLElements();
    for (auto it = links.rbegin(); it != links.rend(); ++it) {
        std::string href = ft.GetParamValue(*it, "href");
        if (href.empty() || href.back() != '/') continue;
        int next = (*it)->Position + 1;
        if (next >= els.Count()) continue;
        const THTMLText* text = AsText(els[next]);
        if (text && text->Text == href) return href;
    }
    return "";
}
