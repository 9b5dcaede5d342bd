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

void ReportFileReadError(const std::string& fileName, const std::string& error) {
    if (!Reported().emplace(fileName, error).second) return;
    const std::string text = u8"Файл "_cp.str() + fileName + u8" не удалось прочитать ("_cp.str() + error +
                             u8"). Файл оставлен без изменений."_cp.str();
    if (Application) Application->ShowException(text);
}

void ForgetFileReadErrors() { Reported().clear(); }
