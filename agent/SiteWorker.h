#pragma once
// The base of the two site workers (the contact import and the new-message check): one browser-
// like session on the site and one timer-driven walk over the user's two message folders.
//
// Session: `Login` fetches the home page, follows the login link (first cut before "&sold=", then
// whole after a reconnect), resolves the login form and posts the account; a "messages.phtml?rand="
// link in the answer proves it. `GetFolderURL` reads the folder links off the messages page;
// `Logout` requests the logout link and disconnects. Every later request of the session carries
// the long Accept value that the login puts into the client's header.
//
// Walk: the caller's start operation (`StartRun` underneath) fills `FolderURLs` and turns the
// timer on. Each tick is one `Step`: either a list page is loaded and parsed (the derived class's
// `ParseListPage` puts rows into `Temp`), or one row of `Temp` is merged into the worker's table
// of the current folder. A step turns the timer off first and on again last, so it is never
// re-entered while it blocks in HTTP calls or a modal dialog. When both folders are done the next
// tick calls `Finish` (`OnProgress`, then `OnComplete`) and then `RunFinished`.
//
// What a derived worker supplies: `ParseListPage`, `ProgressPosition` (the State's Current during
// a run), `ProgressTotal`, `LoginFailed` (what a refused login does last), `RunFinished` (after
// the completion handlers) and `AfterComplete`. The page helpers below (`CharsetCheck`,
// `EndOfFolder`, `IsContactLink`, `IsContactAddress`, `CanonicalAddress`, `IsDigits`) are the rules
// both workers read list and profile pages by.
//
// Failures: a request that fails is an empty page. An empty list page, a folder whose link was
// missing on the messages page, or an empty folder address ends that folder without further
// requests and sets `RunFailed`; so does a list page that shows a lost session (the login page,
// or the home page the site redirects to); an unexpected error inside a step ends the whole run through its
// normal finish (the next tick finishes), so a worker is never left busy.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "agent/AgentSeams.h"
#include "platform/Events.h"
#include "platform/Object.h"
#include "platform/Strings.h"
#include "storage/clFriend.h"
#include "storage/clFriendFolderList.h"
#include "web/clFindTegProperty.h"
#include "web/clSubmit.h"

// The progress record that a worker hands to its events: the same object throughout.
class TWorkerStateObject : public TObject {
public:
    int Current = 0;  // the progress position
    int Total = 0;    // the progress maximum
    std::string ClassName() const override { return "TWorkerStateObject"; }
};
// The import worker's record (a handler tells the two apart by class).
class TImportStateObject : public TWorkerStateObject {
public:
    std::string ClassName() const override { return "TImportStateObject"; }
};
// The new-message checker's record.
class TCheckMessagesStateObject : public TWorkerStateObject {
public:
    std::string ClassName() const override { return "TCheckMessagesStateObject"; }
};

// Called with the worker's state object.
using TWorkerStateEvent = std::function<void(TObject* State)>;

// The seams a worker is built with; empty members take the program's defaults (AgentSeams.h).
struct TWorkerSeams {
    std::unique_ptr<IWorkerTimer> Timer;
    TPauseFunc Pause;
    TMessageSink Message;
    TCodePrompt CodePrompt;  // used by the import worker only
    // The WinHTTP service of every client the worker makes (its session and the fresh clients of
    // profile pages); null takes the libcurl layer. Not owned: it must outlive the worker.
    winhttp::IWinHttp* Http = nullptr;
};

class TSiteWorker : public TObject {
public:
    // The Accept value that the login puts into the session's request header.
    static const char* const LoginAccept;
    // The message of a failed login or a failed run.
    static const char* const ConnectionErrorText;

    TSiteWorker(std::unique_ptr<TWorkerStateObject> state, TWorkerSeams seams);
    ~TSiteWorker() override;
    std::string ClassName() const override { return "TSiteWorker"; }

    // Session (set Host before Login).
    std::string Host;
    std::string MessagesURL;  // as written in the login answer; empty until a login succeeds
    std::string LogoutURL;    // as written; empty when the answer had none

    bool Login(const std::string& login, const std::string& password);
    // The absolute address of folder index (0 common, 1 favourites) as the messages page links it.
    void GetFolderURL(int index, std::string& url);
    void Logout();

    // The walk.
    int TickCount = 0;
    bool NeedLoadPage = false;
    int FolderIndex = 0;
    int PageIndex = 0;
    int RowIndex = 0;
    int MaxPages = 5000;
    int FolderCount = 2;
    std::string CurrentFolderURL;
    std::string TempFileName;  // assigned by the owner, never read
    TWorkerStateEvent OnProgress;
    TWorkerStateEvent OnComplete;
    // A folder of this run ended because its page could not be read or its link was missing, or
    // the run ended on an unexpected error. Cleared by each start.
    bool RunFailed = false;

    TSubmit& Submit() { return *submit_; }
    TFindTags& FindTags() { return *findTags_; }
    TFriendFolderList& Folders() { return *folders_; }
    TFriend& Temp() { return *temp_; }
    TStringList& FolderURLs() { return folderURLs_; }
    IWorkerTimer& Timer() { return *timer_; }
    TWorkerStateObject& State() { return *state_; }

    // One tick of the timer (public so that a test's timer and the framework's call the same).
    void TimerTick();

    // Page rules shared by the workers.
    // Hands page to ft; when the first meta that declares a charset (in its content or in a
    // charset parameter) declares UTF-8, converts the page to cp1251 and hands the converted text
    // instead. Answers the text that ft now holds.
    static std::string CharsetCheck(const std::string& page, TFindTags& ft);
    // The same, leaving in tags every tag of the text that ft now holds (parsed once).
    static std::string CharsetCheck(const std::string& page, TFindTags& ft, TTagList& tags);
    // True when a "td" of the parsed page is followed within four elements by an end-of-folder
    // text (a "Найдено" text first ends that td's window).
    static bool EndOfFolder(THTMLElementList& els);
    // True for a list page (parsed into els) that ended its folder but shows a lost session: it
    // carries a login form (IsLoginForm) holding a password input before the form's end, or has
    // neither an end text nor a "Найдено" text.
    static bool LostSessionPage(THTMLElementList& els);
    static bool IsContactLink(const THTMLTag* tag);
    static bool IsImageWithSrc(const THTMLTag* tag);
    static bool IsAbsoluteLink(const THTMLTag* tag);
    static bool IsDigits(const std::string& s);
    // The list link's contact test against Host as stored (not lower-cased).
    bool IsContactAddress(const std::string& href) const;
    // The last contact link among tags (any tags of the last search of ft) whose href ends with
    // "/" and whose next element is a text equal to that href; "" when there is none.
    static std::string CanonicalAddress(TFindTags& ft, const TTagList& tags);

protected:
    // Host := the server of the data module's settings (kept when there is no data module).
    void HostFromSettings();
    // Starts a run after a successful Login: counters, folder addresses, progress, timer on.
    void StartRun();
    virtual void ParseListPage(const std::string& page) = 0;
    // A list page's contact rows: called for each contact link after the page's first "#" link,
    // with the page's elements and the link's href.
    using TContactRowFunc =
        std::function<void(THTMLElementList& els, const THTMLTag* link, const std::string& href)>;
    // Puts page into FindTags (CharsetCheck); an end-of-folder page ends the folder, any other
    // hands its contact rows to row. A page without a row that passes the contact test ends the
    // folder too; either fails the run when the page shows a lost session.
    void WalkListPage(const std::string& page, const TContactRowFunc& row);
    virtual int ProgressPosition() const = 0;
    virtual int ProgressTotal() const = 0;
    // What a refused login does after its last step (the import logs out, the checker only
    // disconnects).
    virtual void LoginFailed() = 0;
    // After Finish, from the tick that ended the run.
    virtual void RunFinished() {}
    // After OnComplete has returned (or raised).
    virtual void AfterComplete() {}

    void Step();
    void LoadListPage();
    void MergeNextRow();
    void Finish();
    // Ends the current folder as an end-of-folder text does.
    void EndFolder();
    // Ends the whole run; the next tick finishes it.
    void EndRun();

    // A GET of the current address of client into a string; "" when nothing was read.
    static std::string GetPage(TSubmit& client);
    // The service that the worker's clients talk to (null: the libcurl layer).
    winhttp::IWinHttp* Http() const { return seams_.Http; }
    void Pause(int ms);
    void ShowMessage(const std::string& text);

    TWorkerSeams seams_;
    std::vector<bool> folderLinked_;  // per folder: its link stood on the messages page

private:
    // As GetFolderURL; linked tells whether the messages page had a link numbered index.
    void FolderURL(int index, std::string& url, bool& linked);

    std::unique_ptr<TWorkerStateObject> state_;
    std::unique_ptr<TSubmit> submit_;
    std::unique_ptr<TFindTags> findTags_;
    std::unique_ptr<TFriendFolderList> folders_;
    std::unique_ptr<TFriend> temp_;
    TStringList folderURLs_;
    std::unique_ptr<IWorkerTimer> timer_;
};
