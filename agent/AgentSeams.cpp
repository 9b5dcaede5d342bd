#include "agent/AgentSeams.h"

#include <chrono>
#include <thread>

#include "platform/Exceptions.h"

// The process-wide defaults. The framework timer and the code dialog are installed by the
// framework adapters (agent/dialogs), so that a build without the GUI layer supplies its own.
namespace {

TMessageSink& MessageSinkSlot() {
    static TMessageSink sink;
    return sink;
}

TCodePrompt& CodePromptSlot() {
    static TCodePrompt prompt;
    return prompt;
}

TTimerFactory& TimerFactorySlot() {
    static TTimerFactory factory;
    return factory;
}

}  // namespace

void SetDefaultMessageSink(TMessageSink sink) { MessageSinkSlot() = std::move(sink); }
void SetDefaultCodePrompt(TCodePrompt prompt) { CodePromptSlot() = std::move(prompt); }
const TMessageSink& DefaultMessageSink() { return MessageSinkSlot(); }
const TCodePrompt& DefaultCodePrompt() { return CodePromptSlot(); }
void SetDefaultTimerFactory(TTimerFactory factory) { TimerFactorySlot() = std::move(factory); }

std::unique_ptr<IWorkerTimer> MakeDefaultTimer() {
    std::unique_ptr<IWorkerTimer> timer;
    if (TimerFactorySlot()) timer = TimerFactorySlot()();
    if (!timer) throw Exception("No worker timer: the agent's framework adapters are not initialised");
    return timer;
}

void SleepPause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
