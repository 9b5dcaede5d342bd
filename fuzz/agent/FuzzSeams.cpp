// The framework timer and the pause for the fuzz target: no GUI layer, no real waiting. The
// harness drives the workers itself, so the timer only has to hold its settings.
#include "agent/AgentSeams.h"

namespace {

class TIdleTimer : public IWorkerTimer {
public:
    void SetInterval(int ms) override { interval_ = ms; }
    int Interval() const override { return interval_; }
    void SetOnTimer(std::function<void()>) override {}
    void SetEnabled(bool on) override { enabled_ = on; }
    bool Enabled() const override { return enabled_; }

private:
    int interval_ = 0;
    bool enabled_ = false;
};

}  // namespace

std::unique_ptr<IWorkerTimer> MakeFrameworkTimer() { return std::make_unique<TIdleTimer>(); }
void SleepPause(int) {}
