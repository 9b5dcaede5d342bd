#include "platform/gui/Application.h"

#include <QApplication>
#include <QFont>

#include "platform/Exceptions.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/SystemClipboard.h"

TApplication* Application = nullptr;

namespace {
std::unique_ptr<QApplication> ownedQtApp;
}

TApplication::TApplication() = default;
TApplication::~TApplication() = default;

void TApplication::HandleException() noexcept {
    std::string message;
    try {
        throw;
    } catch (const Exception& e) {
        message = e.Message();
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown exception";
    }
    try {
        if (OnException)
            OnException(message);
        else
            ShowException(message);
    } catch (...) {
        // Showing the error failed as well; the event loop must go on regardless.
    }
}

void TApplication::ShowException(const std::string& message) {
    std::string text = message;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    std::unique_ptr<TForm> box(CreateMessageDialog(text, mtError, {mbOK}));
    box->SetCaption(title_);
    box->ShowModal();
}

void TApplication::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

int TApplication::Run() {
    int result = 0;
    if (!terminated_) {
        running_ = true;
        result = QCoreApplication::exec();
        running_ = false;
    }
    terminated_ = false;  // the loop is over: a box at shutdown is answered again
    return result;
}

void TApplication::Terminate() {
    terminated_ = true;
    // Not quit(): Qt's quit first asks every window to close, and forms decide that themselves.
    if (running_) QCoreApplication::exit(0);
}

QFont DefaultFont() {
    // Arial's widths: the layouts were made for the framework's fonts, which are as wide.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

void InitialiseGui(int& argc, char** argv) {
    if (!QApplication::instance()) ownedQtApp = std::make_unique<QApplication>(argc, argv);
    QApplication::setFont(DefaultFont());
    if (!Application) Application = new TApplication();
    InstallGuiThreadHooks();
}

void FinaliseGui() {
    RemoveGuiThreadHooks();
    delete Application;
    Application = nullptr;
    ownedQtApp.reset();
}
