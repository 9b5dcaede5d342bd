#pragma once
// The points where a site worker meets the rest of the program: its step timer, the one-second
// pause of a login, the box that shows a message, and the confirmation-code prompt. Each worker
// takes them in its constructor; an empty one gets the program's own (the framework timer, a
// blocking sleep, the shared message box, the confirmation-code dialog). Tests put a manual
// timer, a recording pause and recording sinks in their place and drive a run synchronously.
//
// The framework's own timer and dialog live in the adapters (agent/dialogs), which install them
// as the defaults here at start-up (agent_dialogs::initialise), so this library needs no GUI.
#include <functional>
#include <memory>
#include <string>

class TSubmit;

// The step timer of a worker. The program's is the framework TTimer (ticks from the event loop,
// none while a step blocks); a test's fires when the test says so.
class IWorkerTimer {
public:
    virtual ~IWorkerTimer() = default;
    virtual void SetInterval(int ms) = 0;
    virtual int Interval() const = 0;
    virtual void SetOnTimer(std::function<void()> tick) = 0;
    virtual void SetEnabled(bool on) = 0;
    virtual bool Enabled() const = 0;
};

// Makes the step timer of a worker or scanner that was given none.
using TTimerFactory = std::function<std::unique_ptr<IWorkerTimer>()>;
void SetDefaultTimerFactory(TTimerFactory factory);
// A timer from the installed factory (the framework TTimer with no owner, disabled); raises
// Exception when none is installed, since a worker without one would never tick.
std::unique_ptr<IWorkerTimer> MakeDefaultTimer();

// Blocks the calling thread for ms milliseconds (no event is handled meanwhile).
using TPauseFunc = std::function<void(int ms)>;
void SleepPause(int ms);

// Shows a message to the user and returns when the user has closed it.
using TMessageSink = std::function<void(const std::string& message)>;

// What the code dialog starts from, and what it ends with.
struct TCodeRequest {
    std::string PageURL;   // the base address for resolving the code form
    std::string ImageURL;  // the picture's address
    std::string PageHTML;  // the page that asked for the code
};
struct TCodeAnswer {
    int ModalResult = 0;   // 1 when a code was sent and accepted
    std::string PageHTML;  // the site's answer to the accepted code; empty otherwise
    std::string Code;      // the code as typed (untrimmed)
    std::string ImageURL;  // the picture the accepted code answered (after a refusal, the new one)
    bool NoMoreCodes = false;  // "do not ask me again" was ticked
};
// Shows the code dialog modally; the code goes out through submit (the worker's session).
using TCodePrompt = std::function<TCodeAnswer(const TCodeRequest& request, TSubmit& submit)>;

// Defaults that the program installs at start-up (the user-interface layer owns the message box,
// the dialog layer the code dialog); a worker created with an empty seam calls these. Unset, a
// message goes nowhere and a code request is answered "not sent".
void SetDefaultMessageSink(TMessageSink sink);
void SetDefaultCodePrompt(TCodePrompt prompt);
const TMessageSink& DefaultMessageSink();
const TCodePrompt& DefaultCodePrompt();
