#include "platform/gui/Shell.h"

#include <QDesktopServices>
#include <QUrl>

#include "platform/gui/QtText.h"

namespace {
std::function<void(const std::string&)>& Hook() {
    static std::function<void(const std::string&)> hook;
    return hook;
}
}  // namespace

void SetShellOpenHook(std::function<void(const std::string& address)> hook) { Hook() = std::move(hook); }

void ShellOpen(std::string_view address) {
    if (Hook()) {
        Hook()(std::string(address));
        return;
    }
    // The opener is started detached; its success is not waited for.
    QDesktopServices::openUrl(QUrl(ToQString(address), QUrl::TolerantMode));
}
