#include "agent/AgentLog.h"

#include <exception>
#include <string>

#include "platform/Codec.h"

Q_LOGGING_CATEGORY(lcAgent, "velmora.agent", QtInfoMsg)

void LogCaught(const char* where) noexcept {
    try {
        if (!lcAgent().isDebugEnabled()) return;
        std::string what = "an error that is not an exception";
        try {
            throw;
        } catch (const std::exception& e) {
            what = Cp1251ToUtf8(e.what());  // the system's messages are cp1251
        } catch (...) {
        }
        qCDebug(lcAgent, "%s: %s", where, what.c_str());
    } catch (...) {
        // A trace that cannot be written is dropped.
    }
}
