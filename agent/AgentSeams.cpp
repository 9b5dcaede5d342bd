#include "agent/AgentSeams.h"

// The process-wide default message sink and code prompt. The framework timer and the real pause
// live in FrameworkSeams.cpp, so that a build without the GUI layer can supply its own.
namespace {

TMessageSink& MessageSinkSlot() {
    static TMessageSink sink;
    return sink;
}

TCodePrompt& CodePromptSlot() {
    static TCodePrompt prompt;
    return prompt;
}

}  // namespace

void SetDefaultMessageSink(TMessageSink sink) { MessageSinkSlot() = std::move(sink); }
void SetDefaultCodePrompt(TCodePrompt prompt) { CodePromptSlot() = std::move(prompt); }
const TMessageSink& DefaultMessageSink() { return MessageSinkSlot(); }
const TCodePrompt& DefaultCodePrompt() { return CodePromptSlot(); }
