#include "ui/FileReadErrors.h"

#include <set>
#include <utility>

#include "platform/CpLiteral.h"
#include "platform/gui/Application.h"

namespace {
std::set<std::pair<std::string, std::string>>& Reported() {
    static std::set<std::pair<std::string, std::string>> reported;
    return reported;
}
}  // namespace

std::string FileReadErrorText(const std::string& fileName, const std::string& error) {
    return u8"Файл "_cp.str() + fileName + u8" не удалось прочитать ("_cp.str() + error +
           u8"). Файл оставлен без изменений."_cp.str();
}

void ReportFileReadError(const std::string& fileName, const std::string& error) {
    if (!Reported().emplace(fileName, error).second) return;
    if (Application) Application->ShowException(FileReadErrorText(fileName, error));
}

void ForgetFileReadErrors() { Reported().clear(); }
