#pragma once
// The message of the Exception that f raises, or "(no error)" when it raises none: lets a test
// compare a failure's exact text.
#include <functional>
#include <string>

#include "platform/Exceptions.h"

inline std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no error)";
}
