#pragma once
// The application object: start-up over QApplication, the title every message box shows, the
// main form, and the boundary that keeps exceptions out of the event loop.
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <string>

class QApplication;
class TForm;

class TApplication {
public:
    TApplication();
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }

    // The first form created as the program's window; dialogs centre on it.
    QWidget* MainForm() const { return mainForm_; }
    void SetMainForm(QWidget* form) { mainForm_ = form; }

    // When set, errors reaching the boundary go here instead of the error box. The message is
    // the exception's text (cp1251).
    std::function<void(const std::string& message)> OnException;

    // Called from inside a catch block: shows the current exception and swallows it.
    void HandleException() noexcept;
    // The error box: the message (with a full stop added when it lacks one), the title as caption.
    void ShowException(const std::string& message);

    void ProcessMessages();
    // Runs the message loop until Terminate (closing the main form terminates). A Terminate
    // before Run makes Run return at once.
    int Run();
    // Ends the loop; until it has ended, every modal loop ends with mrCancel and a box shown
    // meanwhile does not wait for an answer.
    void Terminate();
    bool Terminated() const { return terminated_; }

private:
    std::string title_;
    QWidget* mainForm_ = nullptr;
    bool terminated_ = false;
    bool running_ = false;
};

// Created by InitialiseGui, freed by FinaliseGui.
extern TApplication* Application;

// Creates the Qt application when none exists yet (argc and argv must outlive it), sets the
// system font, and creates Application.
void InitialiseGui(int& argc, char** argv);
void FinaliseGui();

// The font standing in for the framework's 8-point dialog font (and for every Windows font a form
// names): Liberation Sans, 11 pixels, whose widths are Arial's.
QFont DefaultFont();

// Runs a handler of a tick, click or menu command: nothing it raises leaves this call.
template <class F>
void GuardedCall(F&& handler) noexcept {
    try {
        handler();
    } catch (...) {
        if (Application) Application->HandleException();
    }
}
