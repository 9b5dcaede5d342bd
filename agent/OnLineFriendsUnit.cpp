#include "agent/OnLineFriendsUnit.h"

#include "agent/AgentLog.h"
#include "agent/SiteWorker.h"
#include "storage/DataModuleUnit.h"
#include "platform/CpLiteral.h"

namespace {

const char* const OnSiteText = u8"Сейчас на сайте!"_cp.c_str();

}  // namespace

TOnLineFriends::TOnLineFriends(std::unique_ptr<IWorkerTimer> timer, winhttp::IWinHttp* http)
    : timer_(timer ? std::move(timer) : MakeDefaultTimer()),
      submit_(std::make_unique<TSubmit>(http)),
      findTags_(std::make_unique<TFindTags>()) {
    timer_->SetEnabled(false);
    timer_->SetInterval(TickInterval);
    timer_->SetOnTimer([this] { TimerTick(); });
}

TOnLineFriends::~TOnLineFriends() {
    // The timer goes first so that no tick reaches a half-destroyed scanner.
    timer_->SetEnabled(false);
    timer_.reset();
}

void TOnLineFriends::Start() {
    if (!OnStatus) return;
    runState_ = 1;
    recNo_ = 0;
    folderIndex_ = 0;
    phase_ = 1;
    timer_->SetEnabled(true);
}

void TOnLineFriends::Stop() {
    timer_->SetEnabled(false);
    recNo_ = 0;
    runState_ = 0;
}

void TOnLineFriends::Pause() {
    if (!OnStatus) return;
    timer_->SetEnabled(false);
    runState_ = 3;
}

void TOnLineFriends::Resume() {
    timer_->SetEnabled(true);
    runState_ = 2;
}

void TOnLineFriends::TimerTick() {
    try {
        Tick();
    } catch (...) {
        // Nothing leaves a tick: the scan goes on with the next one.
        LogCaught("scan tick");
    }
}

void TOnLineFriends::NextFolder() {
    recNo_ = 0;
    phase_ = 1;
    folderIndex_ = (folderIndex_ + 1) % FolderCycle;
}

void TOnLineFriends::Tick() {
    if (!OnStatus || !dmFriend || !dmFriend->Folders) return;
    TFriend* table = dmFriend->Folders->GetFolderTable(folderIndex_);
    const int count = table ? table->RecordCount() : 0;
    if (count <= 0) {
        NextFolder();
        return;
    }
    if (phase_ == 1) {
        // Records deleted while the scan stood still can leave it at or past the new end.
        if (recNo_ >= count) {
            NextFolder();
            return;
        }
        ++recNo_;
        phase_ = 2;
        table->SetRecNo(recNo_);
        url_ = table->GetFieldText("URL");
        FetchPage();
        return;
    }
    phase_ = 1;
    const int status = CheckPage();
    const std::string url = url_;
    try {
        OnStatus(url, status);
    } catch (...) {
        // The handler's failure must not stop the walk.
        LogCaught("scan status handler");
    }
    TFriend* after = dmFriend && dmFriend->Folders ? dmFriend->Folders->GetFolderTable(folderIndex_) : nullptr;
    if (!after || after->RecordCount() <= recNo_) NextFolder();
}

void TOnLineFriends::FetchPage() {
    pageText_.clear();
    // A record without an address is reported as unknown, without a request.
    if (url_.empty()) return;
    submit_->ReceiveTimeout = PageReceiveTimeout;
    submit_->SetURL(url_);
    try {
        submit_->Connect();
        pageText_ = submit_->GetString();
    } catch (...) {
        LogCaught("scan page request");
        pageText_.clear();
    }
    submit_->Disconnect();
}

int TOnLineFriends::CheckPage() {
    if (pageText_.empty()) return 3;
    pageText_ = TSiteWorker::CharsetCheck(pageText_, *findTags_);
    findTags_->SetText(pageText_);
    TTagList spans;
    findTags_->FindTags(spans, "span", [this](const THTMLTag* tag) { return IsOnSiteSpan(tag); });
    return spans.empty() ? 0 : 1;
}

bool TOnLineFriends::IsOnSiteSpan(const THTMLTag* tag) {
    if (!tag || LowerCase(tag->Name) != "span") return false;
    THTMLElementList& els = findTags_->GetHTMLElements();
    const int next = tag->Position + 1;
    if (next >= els.Count()) return false;
    const THTMLText* text = AsText(els[next]);
    return text && text->Text == OnSiteText;
}
