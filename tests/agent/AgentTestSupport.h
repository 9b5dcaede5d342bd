#pragma once
// Test seams for the site workers and a fixture that starts the stand-in site and a data module.
//
// ManualTimer: fires only when the test says so and records, at every probe, whether it was on.
// The fixture probes it from the site's request hook, so a test can assert that every request of a
// step went out while the worker's timer was off. Pauses and messages are recorded in order.
#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>
#include <atomic>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "agent/AgentSeams.h"
#include "agent/ContactsImportClass.h"
#include "platform/CpLiteral.h"
#include "platform/registry/Registry.h"
#include "site/StandInSite.h"
#include "storage/DataModuleUnit.h"


// The texts the workers send and show, pinned here as written so that a change to the product's
// constants fails the tests.
inline const std::string kLoginAccept =
    "text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,video/x-mng,image/png,"
    "image/jpeg,image/gif;q=0.2,*/*;q=0.1";
inline const std::string kConnectionError =
    u8"Ошибка соединения с сервером.\n\rПовторите попытку позже или воспользуйтесь для входа другим сервером."_cp;
inline const std::string kImportCompleted = u8"Импорт контактов завершен."_cp;

class ManualTimer : public IWorkerTimer {
public:
    void SetInterval(int ms) override { interval_ = ms; }
    int Interval() const override { return interval_; }
    void SetOnTimer(std::function<void()> tick) override { tick_ = std::move(tick); }
    void SetEnabled(bool on) override { enabled_ = on; }
    bool Enabled() const override { return enabled_; }

    // One tick when the timer is on; false when it is off.
    bool Fire() {
        if (!enabled_ || !tick_) return false;
        ++fired_;
        tick_();
        return true;
    }
    int Fired() const { return fired_; }

    // Called from any thread: records whether the timer is on right now.
    void Probe() {
        std::lock_guard<std::mutex> lock(mu_);
        probes_.push_back(enabled_.load());
    }
    std::vector<bool> Probes() const {
        std::lock_guard<std::mutex> lock(mu_);
        return probes_;
    }

private:
    int interval_ = 0;
    std::atomic<bool> enabled_{false};
    std::function<void()> tick_;
    int fired_ = 0;
    mutable std::mutex mu_;
    std::vector<bool> probes_;
};

// Seams with a new manual timer (left in timer) that record pauses and messages in order.
inline TWorkerSeams RecordingSeams(ManualTimer*& timer, std::vector<int>& pauses, std::vector<std::string>& messages) {
    auto t = std::make_unique<ManualTimer>();
    timer = t.get();
    TWorkerSeams seams;
    seams.Timer = std::move(t);
    seams.Pause = [&pauses](int ms) { pauses.push_back(ms); };
    seams.Message = [&messages](const std::string& m) { messages.push_back(m); };
    return seams;
}

// Fires timer until it stays off, at most limit ticks; answers the number of ticks fired.
inline int FireToEnd(ManualTimer& timer, int limit = 20000) {
    int n = 0;
    while (n < limit && timer.Fire()) ++n;
    return n;
}

// A worker with test seams; pauses and messages land in the given vectors.
struct WorkerRig {
    ManualTimer* timer = nullptr;  // owned by the worker
    std::vector<int> pauses;
    std::vector<std::string> messages;
    std::vector<TCodeRequest> prompts;
    std::function<TCodeAnswer(const TCodeRequest&, TSubmit&)> answer;  // the "user" at the dialog
    std::unique_ptr<TContactsImportClass> worker;

    // http: the WinHTTP service of the worker's clients (null: the libcurl layer).
    void Make(winhttp::IWinHttp* http = nullptr) {
        TWorkerSeams seams = RecordingSeams(timer, pauses, messages);
        seams.Http = http;
        seams.CodePrompt = [this](const TCodeRequest& r, TSubmit& s) {
            prompts.push_back(r);
            return answer ? answer(r, s) : TCodeAnswer{};
        };
        worker = std::make_unique<TContactsImportClass>(std::move(seams));
    }
    // Fires until the timer stays off; answers the number of ticks fired.
    int RunToEnd(int limit = 20000) { return FireToEnd(*timer, limit); }
};

std::string ReadFile(const std::string& path);
std::string FixturePath(const std::string& name);

class AgentTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the site with `state`, points the data module's server at it, makes the worker.
    void StartSite();
    // Logs the worker in with the state's account.
    bool LogIn();
    // Login, StartImport and ticks until the end; answers the ticks fired.
    int Import();
    // All records of table as "Name|Login|URL|Area|Age|VipUser|PhotoCount|WithVoice|Intim|AgeRange|NewMessage".
    static std::vector<std::string> Rows(TFriend& table);
    std::vector<std::string> Rows(int folder) { return Rows(*rig.worker->Folders().GetFolderTable(folder)); }

    site::SiteState state;
    std::unique_ptr<site::StandInSite> server;
    WorkerRig rig;
    std::unique_ptr<TdmFriend> dm;
    QTemporaryDir configDir;
};

site::Contact MakeContact(const std::string& login, const std::string& name, const std::string& age = "",
                          const std::string& area = "");
