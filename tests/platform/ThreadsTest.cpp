#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "platform/Threads.h"

namespace {

using namespace std::chrono_literals;

// Runs the main thread's pending calls until done() holds or 5 s pass.
template <class F>
bool PumpUntil(F done) {
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        if (!CheckSynchronize()) std::this_thread::sleep_for(1ms);
    }
    return true;
}

class Worker : public TThread {
public:
    std::function<void(Worker&)> body;
    using TThread::Synchronize;

protected:
    void Execute() override {
        if (body) body(*this);
    }
};

TEST(Threads, CreatedSuspendedAndStartedByStart) {
    std::atomic<bool> ran{false};
    Worker w;
    w.body = [&](Worker&) { ran = true; };
    std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(w.Suspended());
    EXPECT_FALSE(ran.load());
    w.Start();
    w.WaitFor();
    EXPECT_TRUE(ran.load());
    EXPECT_TRUE(w.Finished());
}

TEST(Threads, SynchronizeRunsOnTheMainThreadAndWaits) {
    std::thread::id ranOn;
    int after = 0;
    Worker w;
    w.body = [&](Worker&) {
        int value = 0;
        TThread::Synchronize([&] {
            ranOn = std::this_thread::get_id();
            value = 42;
        });
        after = value;  // the worker saw the call completed
    };
    w.Start();
    w.WaitFor();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(after, 42);
}

TEST(Threads, SynchronizeHandsTheCallsErrorToTheWorker) {
    std::string caught;
    Worker w;
    w.body = [&](Worker&) {
        try {
            TThread::Synchronize([] { throw Exception("boom"); });
        } catch (const Exception& e) {
            caught = e.Message();
        }
    };
    w.Start();
    w.WaitFor();
    EXPECT_EQ(caught, "boom");
}

TEST(Threads, WakeHookFiresForEachQueuedCall) {
    std::atomic<int> wakes{0};
    SetWakeMainThread([&] { ++wakes; });
    Worker w;
    w.body = [](Worker&) { TThread::Synchronize([] {}); };
    w.Start();
    w.WaitFor();
    SetWakeMainThread({});
    EXPECT_GE(wakes.load(), 2);  // the call and the thread-end notification
}

TEST(Threads, StopFlagEndsTheLoopAndDestructorJoins) {
    std::atomic<int> spins{0};
    auto w = std::make_unique<Worker>();
    w->body = [&](Worker& self) {
        while (!self.Terminated()) {
            ++spins;
            std::this_thread::sleep_for(1ms);
        }
    };
    w->Start();
    ASSERT_TRUE(PumpUntil([&] { return spins.load() > 0; }));
    w.reset();  // terminates and joins
    SUCCEED();
}

class DyingWorker : public Worker {
public:
    explicit DyingWorker(std::thread::id& diedOn) : diedOn_(diedOn) {}
    ~DyingWorker() override { diedOn_ = std::this_thread::get_id(); }

private:
    std::thread::id& diedOn_;
};

TEST(Threads, FreeOnTerminateCleansUpOnTheMainThread) {
    std::thread::id terminatedOn, diedOn;
    auto* w = new DyingWorker(diedOn);
    w->FreeOnTerminate = true;
    w->OnTerminate = [&](TObject*) { terminatedOn = std::this_thread::get_id(); };
    w->Start();
    ASSERT_TRUE(PumpUntil([&] { return diedOn != std::thread::id(); }));
    EXPECT_EQ(diedOn, std::this_thread::get_id());
    EXPECT_EQ(terminatedOn, std::this_thread::get_id());
}

TEST(Threads, ExecuteErrorIsKept) {
    Worker w;
    w.body = [](Worker&) { throw Exception("worker failed"); };
    w.Start();
    w.WaitFor();
    ASSERT_TRUE(w.FatalException());
    try {
        std::rethrow_exception(w.FatalException());
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "worker failed");
    }
}

TEST(Threads, CheckSynchronizeOffTheMainThreadRunsNothing) {
    bool ran = false;
    QueueOnMainThread([&] { ran = true; });
    bool result = true;
    std::thread([&] { result = CheckSynchronize(); }).join();
    EXPECT_FALSE(result);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(CheckSynchronize());
    EXPECT_TRUE(ran);
}

TEST(Threads, AutoResetEvent) {
    TEvent e;
    EXPECT_EQ(e.WaitFor(0), wrTimeout);
    e.SetEvent();
    EXPECT_EQ(e.WaitFor(0), wrSignaled);
    EXPECT_EQ(e.WaitFor(0), wrTimeout);  // the wait reset it
    e.SetEvent();
    e.ResetEvent();
    EXPECT_EQ(e.WaitFor(0), wrTimeout);
    // Another thread's signal ends an endless wait.
    std::thread t([&] {
        std::this_thread::sleep_for(2ms);
        e.SetEvent();
    });
    EXPECT_EQ(e.WaitFor(INFINITE), wrSignaled);
    t.join();
}

TEST(Threads, ThreadListLocksRecursively) {
    TThreadList<int> list;
    list.Add(1);
    auto& outer = list.LockList();
    auto& inner = list.LockList();  // the holder locks again
    inner.push_back(2);
    list.UnlockList();
    EXPECT_EQ(outer.size(), 2u);
    std::atomic<bool> added{false};
    std::thread t([&] {
        list.Add(3);  // waits for the holder
        added = true;
    });
    std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(added.load());
    list.UnlockList();
    t.join();
    list.Remove(1);
    EXPECT_EQ(list.LockList(), (std::vector<int>{2, 3}));
    list.UnlockList();
}

TEST(Threads, SleepAndPumpHooks) {
    std::vector<uint32_t> slept;
    SetSleepHook([&](uint32_t ms) { slept.push_back(ms); });
    Sleep(7);
    Sleep(0);
    SetSleepHook({});
    EXPECT_EQ(slept, (std::vector<uint32_t>{7, 0}));
    EXPECT_FALSE(PumpMessages());
    int pumps = 0;
    SetMessagePumpHook([&] { return ++pumps == 2; });
    EXPECT_FALSE(PumpMessages());
    EXPECT_TRUE(PumpMessages());
    SetMessagePumpHook({});
}

}  // namespace
