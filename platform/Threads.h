#pragma once
// The framework's threads: a thread object created suspended and started by Start, with a stop
// flag, calls synchronized onto the main thread, an auto-reset event and a list under a recursive
// lock. Waiting is bounded: whoever waits on the main thread runs the pending synchronized calls
// meanwhile, since a worker may be blocked in one.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Events.h"
#include "platform/Object.h"

constexpr uint32_t INFINITE = 0xFFFFFFFFu;

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread : public TObject {
public:
    // A thread always starts suspended here: Start runs Execute.
    TThread();
    // Tells the thread to stop and waits for it (running synchronized calls on the main thread).
    // Never called from the thread itself, except by the clean-up of FreeOnTerminate, which the
    // main thread runs.
    ~TThread() override;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts a suspended thread; later calls do nothing.
    void Start();
    void Terminate() { terminated_.store(true); }
    bool Terminated() const { return terminated_.load(); }
    bool Suspended() const { return !started_; }
    bool Finished() const { return finished_.load(); }
    // Waits until Execute has returned (on the main thread, running synchronized calls).
    void WaitFor();

    // When set before Start, the thread object is deleted on the main thread after the thread
    // ends, OnTerminate first; nobody else may delete it then.
    bool FreeOnTerminate = false;
    // Runs on the main thread once Execute has returned.
    TNotifyEvent OnTerminate;
    // Kept for the record; the stand-in schedules every thread alike.
    TThreadPriority Priority = tpNormal;

    // Threads started so far in this process.
    static uint64_t StartCount();

    // The exception that ended Execute, if any.
    std::exception_ptr FatalException() const { return fatal_; }

    // Runs call on the main thread and waits for it; an exception it raises is raised here. On
    // the main thread the call runs at once.
    static void Synchronize(const std::function<void()>& call);

protected:
    virtual void Execute() = 0;
    virtual void DoTerminate();

private:
    void Run();

    std::thread thread_;
    bool started_ = false;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::exception_ptr fatal_;
};

// Records the calling thread as the main thread (platform::initialise does so).
void SetMainThread();
bool IsMainThread();

// Runs the synchronized calls pending for the main thread (only there; elsewhere false). True
// when at least one ran.
bool CheckSynchronize();
// Queues call for the main thread without waiting for it.
void QueueOnMainThread(std::function<void()> call);
// Called whenever a call is queued for the main thread, from the queueing thread; the GUI sets
// it to post a CheckSynchronize into its event loop. None by default.
void SetWakeMainThread(std::function<void()> hook);

// Sleeps ms milliseconds (0 yields). Replaceable, so that tests run timing on a fake clock; an
// empty hook restores the real sleep.
void Sleep(uint32_t ms);
void SetSleepHook(std::function<void(uint32_t ms)> hook);

// The message pump of code that waits on the main thread without an event loop of its own: runs
// the waiting messages and answers true when the application is quitting. Without a hook it
// runs nothing and answers false.
bool PumpMessages();
void SetMessagePumpHook(std::function<bool()> hook);

enum TWaitResult { wrSignaled, wrTimeout };

// An auto-reset event: a wait that sees it signalled clears it again.
class TEvent {
public:
    void SetEvent();
    void ResetEvent();
    // ms INFINITE waits without end.
    TWaitResult WaitFor(uint32_t ms);

private:
    std::mutex mutex_;
    std::condition_variable cond_;
    bool signalled_ = false;
};

// A list guarded by a recursive lock: the holder may lock it again.
template <typename T>
class TThreadList {
public:
    std::vector<T>& LockList() {
        mutex_.lock();
        return items_;
    }
    void UnlockList() { mutex_.unlock(); }
    void Add(const T& item) {
        std::lock_guard<std::recursive_mutex> g(mutex_);
        items_.push_back(item);
    }
    void Remove(const T& item) {
        std::lock_guard<std::recursive_mutex> g(mutex_);
        for (auto it = items_.begin(); it != items_.end(); ++it)
            if (*it == item) {
                items_.erase(it);
                return;
            }
    }
    size_t Count() {
        std::lock_guard<std::recursive_mutex> g(mutex_);
        return items_.size();
    }

private:
    std::recursive_mutex mutex_;
    std::vector<T> items_;
};
