#include "platform/Threads.h"

#include <chrono>
#include <deque>
#include <memory>

namespace {

struct PendingCall {
    std::function<void()> call;
    bool waited = false;  // someone blocks until done
    bool done = false;
    std::exception_ptr error;
};

std::mutex syncMutex;
std::condition_variable syncDone;
std::deque<std::shared_ptr<PendingCall>> pending;
std::function<void()> wakeHook;
std::mutex hookMutex;

std::atomic<uint64_t> startCount{0};
std::thread::id mainThreadId = std::this_thread::get_id();
std::function<void(uint32_t)> sleepHook;
std::function<bool()> pumpHook;

void Enqueue(const std::shared_ptr<PendingCall>& entry) {
    {
        std::lock_guard<std::mutex> g(syncMutex);
        pending.push_back(entry);
    }
    std::function<void()> wake;
    {
        std::lock_guard<std::mutex> g(hookMutex);
        wake = wakeHook;
    }
    if (wake) wake();
}

}  // namespace

void SetMainThread() { mainThreadId = std::this_thread::get_id(); }
bool IsMainThread() { return std::this_thread::get_id() == mainThreadId; }

void SetWakeMainThread(std::function<void()> hook) {
    std::lock_guard<std::mutex> g(hookMutex);
    wakeHook = std::move(hook);
}

bool CheckSynchronize() {
    if (!IsMainThread()) return false;
    bool ran = false;
    for (;;) {
        std::shared_ptr<PendingCall> entry;
        {
            std::lock_guard<std::mutex> g(syncMutex);
            if (pending.empty()) break;
            entry = pending.front();
            pending.pop_front();
        }
        ran = true;
        try {
            entry->call();
        } catch (...) {
            // A queued call has nobody to hand its error to; a waited one gets it back.
            if (entry->waited) entry->error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> g(syncMutex);
            entry->done = true;
        }
        syncDone.notify_all();
    }
    return ran;
}

void QueueOnMainThread(std::function<void()> call) {
    auto entry = std::make_shared<PendingCall>();
    entry->call = std::move(call);
    Enqueue(entry);
}

void TThread::Synchronize(const std::function<void()>& call) {
    if (IsMainThread()) {
        call();
        return;
    }
    auto entry = std::make_shared<PendingCall>();
    entry->call = call;
    entry->waited = true;
    Enqueue(entry);
    std::unique_lock<std::mutex> lock(syncMutex);
    syncDone.wait(lock, [&] { return entry->done; });
    if (entry->error) std::rethrow_exception(entry->error);
}

void Sleep(uint32_t ms) {
    if (sleepHook) {
        sleepHook(ms);
        return;
    }
    if (ms == 0) std::this_thread::yield();
    else std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SetSleepHook(std::function<void(uint32_t ms)> hook) { sleepHook = std::move(hook); }

bool PumpMessages() { return pumpHook ? pumpHook() : false; }

void SetMessagePumpHook(std::function<bool()> hook) { pumpHook = std::move(hook); }

TThread::TThread() = default;

TThread::~TThread() {
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();  // cannot join itself; never done by our own clean-up
        } else {
            Terminate();
            WaitFor();
            thread_.join();
        }
    }
}

void TThread::Start() {
    if (started_) return;
    started_ = true;
    ++startCount;
    thread_ = std::thread([this] { Run(); });
}

uint64_t TThread::StartCount() { return startCount.load(); }

void TThread::WaitFor() {
    if (!started_) return;
    while (!finished_.load()) {
        if (IsMainThread()) {
            if (!CheckSynchronize()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

void TThread::DoTerminate() {
    if (OnTerminate) OnTerminate(this);
}

void TThread::Run() {
    try {
        Execute();
    } catch (...) {
        fatal_ = std::current_exception();
    }
    if (FreeOnTerminate) {
        // Clean-up and deletion run on the main thread, which joins this thread there.
        finished_.store(true);
        QueueOnMainThread([this] {
            try {
                DoTerminate();
            } catch (...) {
            }
            delete this;
        });
        return;
    }
    try {
        Synchronize([this] { DoTerminate(); });
    } catch (...) {
    }
    finished_.store(true);
}

void TEvent::SetEvent() {
    {
        std::lock_guard<std::mutex> g(mutex_);
        signalled_ = true;
    }
    cond_.notify_all();
}

void TEvent::ResetEvent() {
    std::lock_guard<std::mutex> g(mutex_);
    signalled_ = false;
}

TWaitResult TEvent::WaitFor(uint32_t ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (ms == INFINITE) {
        cond_.wait(lock, [&] { return signalled_; });
    } else if (!cond_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return signalled_; })) {
        return wrTimeout;
    }
    signalled_ = false;
    return wrSignaled;
}
