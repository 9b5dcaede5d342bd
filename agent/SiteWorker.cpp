#include "agent/SiteWorker.h"

#include <chrono>
#include <thread>

#include "agent/AgentLog.h"
#include "platform/Codec.h"
#include "platform/CpLiteral.h"
#include "storage/DataModuleUnit.h"
#include "web/ExtractActionUnit.h"

const char* const TSiteWorker::LoginAccept =
    "text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,video/x-mng,"
    "image/png,image/jpeg,image/gif;q=0.2,*/*;q=0.1";
const char* const TSiteWorker::ConnectionErrorText =
    u8"Ошибка соединения с сервером.\n\rПовторите попытку позже или воспользуйтесь для входа другим сервером."_cp.c_str();

namespace {

bool Contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

constexpr std::string_view FoundText = u8"Найдено"_cp;
constexpr std::string_view EndTexts[] = {u8"Здесь будет храниться ваша переписка"_cp,
                                         u8"В этой папке вы можете хранить контакты"_cp,
                                         u8"Ваши логин и пароль едины для любого из проектов"_cp};

// A text that marks the end of a folder (or, on the login page, stands there too).
bool IsEndText(const std::string& text) {
    for (std::string_view end : EndTexts)
        if (Contains(text, end)) return true;
    return false;
}

bool HasParam(const THTMLTag* tag, const char* lowerKey) {
    for (const THTMLParam& p : tag->Params)
        if (LowerCase(p.Key) == lowerKey) return true;
    return false;
}

// An "input" tag's type password, in any case and quoting (the parser strips the quotes).
bool IsPasswordInput(const THTMLTag* tag) {
    for (const THTMLParam& p : tag->Params)
        if (LowerCase(p.Key) == "type" && LowerCase(p.Value) == "password") return true;
    return false;
}

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
      submit_(std::make_unique<TSubmit>(seams_.Http)),
      findTags_(std::make_unique<TFindTags>()),
      folders_(std::make_unique<TFriendFolderList>()),
      temp_(std::make_unique<TFriend>()) {
    folders_->AddFolder("0", "CommonFriends", u8"Общая папка"_cp);
    folders_->AddFolder("1", "FaforiteFriends", u8"Избранные пользователи"_cp);
    timer_ = seams_.Timer ? std::move(seams_.Timer) : MakeDefaultTimer();
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
                LogCaught("worker finish");
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
        LogCaught("worker tick");
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
        LogCaught("worker step");
        EndRun();
    }
    try {
        state_->Current = ProgressPosition();
        if (OnProgress) OnProgress(state_.get());
    } catch (...) {
        LogCaught("worker progress");
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
        LogCaught("worker progress");
    }
    if (OnComplete) OnComplete(state_.get());
}

// ---------------------------------------------------------------------------------------------
// Page rules

std::string TSiteWorker::CharsetCheck(const std::string& page, TFindTags& ft) {
    TTagList tags;
    return CharsetCheck(page, ft, tags);
}

std::string TSiteWorker::CharsetCheck(const std::string& page, TFindTags& ft, TTagList& tags) {
    ft.SetText(page);
    ft.FindTags(tags, "*");
    // The first meta that declares a charset, the older way (content="...charset=...") or the
    // newer one (charset="..."), decides.
    const THTMLTag* meta = nullptr;
    for (const THTMLTag* tag : tags)
        if (LowerCase(tag->Name) == "meta" && (TFindTags::IsCharsetMeta(tag) || HasParam(tag, "charset"))) {
            meta = tag;
            break;
        }
    if (!meta) return page;
    const std::string declared =
        TFindTags::IsCharsetMeta(meta) ? ft.GetParamValue(meta, "content") : ft.GetParamValue(meta, "charset");
    if (!Contains(LowerCase(declared), "utf-8")) return page;
    std::string converted = Utf8ToCp1251(page);
    ft.SetText(converted);
    ft.FindTags(tags, "*");
    return converted;
}

void TSiteWorker::WalkListPage(const std::string& page, const TContactRowFunc& row) {
    TFindTags& ft = *findTags_;
    // One parse serves the charset, the end test, the rows and the verdict on a page without
    // rows: every search would parse the same text again.
    TTagList tags;
    CharsetCheck(page, ft, tags);
    THTMLElementList& els = ft.GetHTMLElements();
    const bool ended = EndOfFolder(els);
    int contacts = 0;
    if (!ended) {
        bool armed = false;
        for (const THTMLTag* link : tags) {
            if (!IsContactLink(link)) continue;
            const std::string href = ft.GetParamValue(link, "href");
            if (href == "#") {
                armed = true;
                continue;
            }
            if (!armed) continue;
            // A row that passes the contact test shows the folder was read, even when it adds
            // nothing (known, nameless, unmarked).
            if (IsContactAddress(href)) ++contacts;
            row(els, link, href);
        }
    }
    if (ended || contacts == 0) {
        // A lost session answers the login page (whose text also holds an end text) or the home
        // page: neither is the end of a folder.
        if (LostSessionPage(els)) RunFailed = true;
        EndFolder();
    }
}

bool TSiteWorker::LostSessionPage(THTMLElementList& els) {
    bool read = false;
    // A list page carries the folder's own post form, which IsLoginForm accepts as well: only a
    // password input inside such a form tells the login page. A form without its "/form" ends
    // at the next form or at the page's end.
    bool inLoginForm = false;
    for (THTMLElement* e : els) {
        if (const THTMLTag* tag = AsTag(e)) {
            const std::string name = LowerCase(tag->Name);
            if (name == "form")
                inLoginForm = TFindTags::IsLoginForm(tag);
            else if (name == "/form")
                inLoginForm = false;
            else if (inLoginForm && name == "input" && IsPasswordInput(tag))
                return true;
        } else if (const THTMLText* text = AsText(e)) {
            if (Contains(text->Text, FoundText) || IsEndText(text->Text)) read = true;
        }
    }
    return !read;
}

bool TSiteWorker::EndOfFolder(THTMLElementList& els) {
    for (int at = 0; at < els.Count(); ++at) {
        const THTMLTag* td = AsTag(els[at]);
        if (!td || LowerCase(td->Name) != "td") continue;
        for (int i = at + 1; i <= at + 4 && i < els.Count(); ++i) {
            const THTMLText* text = AsText(els[i]);
            if (!text) continue;
            if (Contains(text->Text, FoundText)) break;
            if (IsEndText(text->Text)) return true;
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

std::string TSiteWorker::CanonicalAddress(TFindTags& ft, const TTagList& tags) {
    THTMLElementList& els = ft.GetHTMLElements();
    for (auto it = tags.rbegin(); it != tags.rend(); ++it) {
        if (!IsContactLink(*it)) continue;
        std::string href = ft.GetParamValue(*it, "href");
        if (href.empty() || href.back() != '/') continue;
        int next = (*it)->Position + 1;
        if (next >= els.Count()) continue;
        const THTMLText* text = AsText(els[next]);
        if (text && text->Text == href) return href;
    }
    return "";
}
