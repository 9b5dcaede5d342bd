// The workers' step timer on the framework TTimer, and the start-up that makes it and the code
// dialog the workers' defaults.
#include "agent/AgentSeams.h"
#include "agent/dialogs/RegCodeUnit.h"
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

namespace agent_dialogs {
void initialise() {
    SetDefaultTimerFactory(&MakeFrameworkTimer);
    SetDefaultCodePrompt(&ShowRegCodeDialog);
}
}  // namespace agent_dialogs
