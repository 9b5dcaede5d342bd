#pragma once
// Test support for the GUI: an offscreen test main, and an answerer for modal boxes. A test
// arms a ModalAnswerer before the call that opens a box; the answerer finds the box from inside
// its modal loop, records its caption, text and buttons, and then acts (presses a button or a key).
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

// Runs the tests of argv on the offscreen platform: sets QT_QPA_PLATFORM itself, starts the GUI
// layer, calls initialise (the subsystems' start-up) before and finalise after the tests.
int RunGuiTests(int argc, char** argv, const std::function<void()>& initialise = {},
                const std::function<void()>& finalise = {});

struct ModalBoxInfo {
    std::string caption;               // cp1251
    std::string text;                  // the message label's text, cp1251
    std::vector<std::string> buttons;  // captions left to right, '&' kept
};

// Reads a box: the caption, the label named "Message" (else the last label with text), and the
// visible buttons ordered by their left edge.
ModalBoxInfo ReadModalBox(QWidget* box);
// Clicks the visible button whose caption, without '&', equals caption (cp1251); false if none.
bool PressButton(QWidget* box, const std::string& caption);
// Sends a key press and release to the box's focused control (or to the box).
void PressKey(QWidget* box, int key);
// Types text into target one character (code point) at a time, as key presses carrying the
// character, which Qt's own key-click helper cannot do beyond ASCII.
void TypeText(QWidget* target, const QString& text);

class ModalAnswerer : public QObject {
public:
    using Action = std::function<void(QWidget* box)>;
    // One action per box shown (or per poll of a box that stays open), in order.
    explicit ModalAnswerer(std::vector<Action> actions);
    explicit ModalAnswerer(Action action) : ModalAnswerer(std::vector<Action>{std::move(action)}) {}

    static Action Press(std::string caption);
    static Action Key(int key);

    const std::vector<ModalBoxInfo>& Seen() const { return seen_; }
    // The first box seen; fails the test when none was.
    const ModalBoxInfo& First() const;
    bool Done() const { return next_ >= actions_.size(); }

private:
    void Poll();

    std::vector<Action> actions_;
    size_t next_ = 0;
    std::vector<ModalBoxInfo> seen_;
    QPointer<QWidget> lastBox_;
    int pollsSinceAction_ = 0;
    bool pending_ = false;
    QTimer timer_;
};
