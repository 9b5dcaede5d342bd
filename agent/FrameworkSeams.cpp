#include <chrono>
#include <thread>

#include "agent/AgentSeams.h"
#include "platform/gui/TTimer.h"

namespace {

class TFrameworkTimer : public IWorkerTimer {
public:
    TFrameworkTimer() { timer_.SetEnabled(false); }
    void SetInterval(int ms) override { timer_.SetInterval(ms); }
    int Interval() const override { return timer_.Interval(); }
    void SetOnTimer(std::function<void()> tick) override {
        timer_.SetOnTimer([tick = std::move(tick)](TObject*) { tick(); });
    }
    void SetEnabled(bool on) override { timer_.SetEnabled(on); }
    bool Enabled() const override { return timer_.Enabled(); }

private:
    TTimer timer_;
};

}  // namespace

std::unique_ptr<IWorkerTimer> MakeFrameworkTimer() { return std::make_unique<TFrameworkTimer>(); }

void SleepPause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
