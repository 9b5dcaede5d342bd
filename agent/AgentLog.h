#pragma once
// The agent's trace: errors that the step, tick and request boundaries swallow (the user sees
// only the connection-error text, or nothing) go to the QtCore log category "velmora.agent" at
// debug level, which is off unless QT_LOGGING_RULES enables it ("velmora.agent.debug=true").
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcAgent)

// Logs the exception being handled, with where it was caught. Call it only inside a catch
// block; it raises nothing.
void LogCaught(const char* where) noexcept;
