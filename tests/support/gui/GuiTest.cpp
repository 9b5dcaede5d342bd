#include "GuiTest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <algorithm>
#include <gtest/gtest.h>

#include "platform/Initialise.h"
#include "platform/gui/Application.h"
#include "platform/gui/QtText.h"

namespace {

// A box that nobody answers would hang the test run: after ten seconds it is closed and the
// running test fails.
class ModalWatchdog : public QObject {
public:
    ModalWatchdog() {
        connect(&timer_, &QTimer::timeout, this, [this] { Check(); });
        timer_.start(500);
    }

private:
    void Check() {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || box != last_) {
            last_ = box;
            polls_ = 0;
            return;
        }
        if (++polls_ >= 20) {
            ADD_FAILURE() << "a modal box was left open: " << box->windowTitle().toStdString();
            polls_ = 0;
            box->close();
        }
    }

    QTimer timer_;
    QPointer<QWidget> last_;
    int polls_ = 0;
};

QString WithoutAccelerator(QString s) {
    s.remove(QLatin1Char('&'));
    return s;
}

std::vector<QAbstractButton*> VisibleButtons(QWidget* box) {
    std::vector<QAbstractButton*> buttons;
    for (QAbstractButton* b : box->findChildren<QAbstractButton*>())
        if (b->isVisibleTo(box)) buttons.push_back(b);
    std::stable_sort(buttons.begin(), buttons.end(),
                     [](QAbstractButton* a, QAbstractButton* b) { return a->x() < b->x(); });
    return buttons;
}

}  // namespace

int RunGuiTests(int argc, char** argv, const std::function<void()>& initialise,
                const std::function<void()>& finalise) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    platform::initialise();
    InitialiseGui(argc, argv);
    if (initialise) initialise();
    int result;
    {
        ModalWatchdog watchdog;
        result = RUN_ALL_TESTS();
    }
    if (finalise) finalise();
    FinaliseGui();
    return result;
}

ModalBoxInfo ReadModalBox(QWidget* box) {
    ModalBoxInfo info;
    info.caption = FromQString(box->windowTitle());
    QLabel* message = box->findChild<QLabel*>(QStringLiteral("Message"));
    if (!message) {
        for (QLabel* l : box->findChildren<QLabel*>())
            if (!l->text().isEmpty()) message = l;
    }
    if (message) info.text = FromQString(message->text());
    for (QAbstractButton* b : VisibleButtons(box)) info.buttons.push_back(FromQString(b->text()));
    return info;
}

bool PressButton(QWidget* box, const std::string& caption) {
    const QString wanted = WithoutAccelerator(ToQString(caption));
    for (QAbstractButton* b : VisibleButtons(box)) {
        if (WithoutAccelerator(b->text()) == wanted) {
            b->click();
            return true;
        }
    }
    return false;
}

void PressKey(QWidget* box, int key) {
    QWidget* target = box->focusWidget() ? box->focusWidget() : box;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

void TypeText(QWidget* target, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString one(text[i]);
        if (text[i].isHighSurrogate() && i + 1 < text.size()) one += text[++i];
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, one);
        QCoreApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, one);
        QCoreApplication::sendEvent(target, &release);
    }
}

ModalAnswerer::ModalAnswerer(std::vector<Action> actions) : actions_(std::move(actions)) {
    connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
    timer_.start(5);
}

ModalAnswerer::Action ModalAnswerer::Press(std::string caption) {
    return [caption](QWidget* box) { EXPECT_TRUE(PressButton(box, caption)) << "no button " << caption; };
}

ModalAnswerer::Action ModalAnswerer::Key(int key) {
    return [key](QWidget* box) { PressKey(box, key); };
}

const ModalBoxInfo& ModalAnswerer::First() const {
    static const ModalBoxInfo none;
    EXPECT_FALSE(seen_.empty()) << "no modal box was shown";
    return seen_.empty() ? none : seen_.front();
}

void ModalAnswerer::Poll() {
    if (Done()) {
        timer_.stop();
        return;
    }
    QWidget* box = QApplication::activeModalWidget();
    if (pending_) return;
    if (!box || !box->isVisible()) return;
    // A box that is still open right after an action gets a moment to close first.
    if (box == lastBox_ && ++pollsSinceAction_ < 4) return;
    lastBox_ = box;
    pollsSinceAction_ = 0;
    seen_.push_back(ReadModalBox(box));
    // Acting from a queued call, not from inside this timer's slot, lets the poll go on when the
    // action itself opens a nested box.
    pending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this, action = actions_[next_++], target = QPointer<QWidget>(box)] {
            pending_ = false;
            if (target) action(target);
        },
        Qt::QueuedConnection);
}
