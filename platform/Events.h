#pragma once
// The framework's notify event: a handler called with the object that fired it.
#include <functional>

#include "platform/Object.h"

using TNotifyEvent = std::function<void(TObject* Sender)>;
