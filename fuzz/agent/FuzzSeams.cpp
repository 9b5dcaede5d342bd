// The seams of agent/AgentSeams.h for the fuzz target: the workers are always built with seams of
// their own here, so the defaults only need to exist (no framework timer, no real pause).
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

TMessageSink& MessageSinkSlot() {
    static TMessageSink sink;
    return sink;
}

TCodePrompt& CodePromptSlot() {
    static TCodePrompt prompt;
    return prompt;
}

}  // namespace

std::unique_ptr<IWorkerTimer> MakeFrameworkTimer() { return std::make_unique<TIdleTimer>(); }
void SleepPause(int) {}
void SetDefaultMessageSink(TMessageSink sink) { MessageSinkSlot() = std::move(sink); }
void SetDefaultCodePrompt(TCodePrompt prompt) { CodePromptSlot() = std::move(prompt); }
const TMessageSink& DefaultMessageSink() { return MessageSinkSlot(); }
const TCodePrompt& DefaultCodePrompt() { return CodePromptSlot(); }
