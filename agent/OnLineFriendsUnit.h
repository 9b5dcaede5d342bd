#pragma once
// The on-site scan: tells, contact by contact, whether a stored contact is on the site now.
//
// A one-second timer walks the records of the data module's folders 0, 1 and 2 in a cycle. A tick
// either fetches the next contact's profile page (a client that never logs in, a fresh connection
// per page, a 500 ms receive timeout) or, on the next tick, reports that page through OnStatus:
// 1 when a span on it is followed directly by the text "Сейчас на сайте!", 0 when not, 3 when
// nothing could be read. An empty folder costs one tick. The timer stays on through a tick.
//
// RunState: 0 stopped, 1 started, 2 resumed, 3 paused (1 and 2 both mean running). A pause keeps
// the position and the fetched page, so a page fetched before it is reported after the resume.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "agent/AgentSeams.h"
#include "platform/Object.h"
#include "web/clFindTegProperty.h"
#include "web/clSubmit.h"

// Called with the contact's address as stored and the status (1 on the site, 0 not, 3 unknown).
using TOnLineStatusEvent = std::function<void(const std::string& URL, int Status)>;

class TOnLineFriends : public TObject {
public:
    static constexpr int TickInterval = 1000;
    static constexpr int PageReceiveTimeout = 500;
    static constexpr int FolderCycle = 3;

    // timer: null takes the default timer (the framework's); http: the WinHTTP service of the
    // page client (null: the libcurl layer; not owned).
    explicit TOnLineFriends(std::unique_ptr<IWorkerTimer> timer = nullptr, winhttp::IWinHttp* http = nullptr);
    ~TOnLineFriends() override;
    std::string ClassName() const override { return "TOnLineFriends"; }

    // Only when OnStatus is assigned: from the first record of folder 0, timer on.
    void Start();
    // Timer off, back before the first record; the folder and the phase stay.
    void Stop();
    // Only when OnStatus is assigned: timer off, everything else kept.
    void Pause();
    // Timer on; tests nothing.
    void Resume();

    std::uint8_t RunState() const { return runState_; }

    TOnLineStatusEvent OnStatus;

    // One tick of the timer (public so that a test's timer and the framework's call the same).
    void TimerTick();

    // Position, for the owner and tests.
    int RecNo() const { return recNo_; }
    int Phase() const { return phase_; }
    int FolderIndex() const { return folderIndex_; }
    const std::string& URL() const { return url_; }
    const std::string& PageText() const { return pageText_; }

    IWorkerTimer& Timer() { return *timer_; }
    TSubmit& Submit() { return *submit_; }

    // The tag filter over the scanner's own tag search: a span whose next element is the text
    // "Сейчас на сайте!" exactly (a span that ends the page is not one).
    bool IsOnSiteSpan(const THTMLTag* tag);

private:
    void Tick();
    void NextFolder();
    void FetchPage();
    int CheckPage();

    int recNo_ = 0;
    int phase_ = 1;
    std::string url_;
    std::string pageText_;
    int folderIndex_ = 0;
    std::unique_ptr<IWorkerTimer> timer_;
    std::unique_ptr<TSubmit> submit_;
    std::unique_ptr<TFindTags> findTags_;
    std::uint8_t runState_ = 0;
};
