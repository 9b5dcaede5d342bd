#pragma once
// The shell's "OPEN": hands an address to the desktop's URL opener, which starts the user's
// browser. It returns at once and reports nothing, as the program ignores the result.
#include <functional>
#include <string>
#include <string_view>

void ShellOpen(std::string_view address);

// Tests set this to record the addresses instead of starting a browser; empty gives the desktop
// back. The address is cp1251.
void SetShellOpenHook(std::function<void(const std::string& address)> hook);
