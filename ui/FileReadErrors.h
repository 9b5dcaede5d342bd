#pragma once
// A data file that cannot be read is reported once in the framework's error box: "Friends.xml" is
// read twice at start-up (into the data module and into the found-users folder), and the user
// hears of it once.
#include <string>

// "Файл <name> не удалось прочитать (<error>). Файл оставлен без изменений."
std::string FileReadErrorText(const std::string& fileName, const std::string& error);
// Shows "Файл <name> не удалось прочитать (<error>). Файл оставлен без изменений." unless the same
// file was reported with the same error before.
void ReportFileReadError(const std::string& fileName, const std::string& error);
// Forgets what was reported (tests, or a new start).
void ForgetFileReadErrors();
