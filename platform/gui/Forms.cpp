#include "platform/gui/Forms.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <algorithm>

#include "platform/gui/Application.h"
#include "platform/gui/Controls.h"
#include "platform/gui/QtText.h"

TForm::TForm(QWidget* owner) : QDialog(owner) {
    setFont(DefaultFont());
    SetBorderStyle(bsSizeable);
}

TForm::~TForm() {
    if (loop_) loop_->exit();
}

std::string TForm::Caption() const { return FromQString(windowTitle()); }

void TForm::SetCaption(std::string_view caption) { setWindowTitle(ToQString(caption)); }

void TForm::SetWidth(int value) {
    if (borderStyle_ == bsDialog || borderStyle_ == bsSingle) setFixedWidth(value);
    resize(value, height());
}

void TForm::SetHeight(int value) {
    if (borderStyle_ == bsDialog || borderStyle_ == bsSingle) setFixedHeight(value);
    resize(width(), value);
}

void TForm::SetClientSize(int w, int h) {
    SetWidth(w);
    SetHeight(h);
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    borderStyle_ = style;
    Qt::WindowFlags flags;
    switch (style) {
        case bsNone:
            flags = Qt::FramelessWindowHint | Qt::Dialog;
            break;
        case bsSingle:
        case bsDialog:
            flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                    Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
            setFixedSize(size());
            break;
        case bsSizeable:
            flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                    Qt::WindowMinMaxButtonsHint;
            setMinimumSize(0, 0);
            setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            break;
    }
    if (isWindow()) setWindowFlags(flags);
}

void TForm::PlaceOnShow() {
    QRect area;
    QWidget* host = nullptr;
    if (position_ == poScreenCenter) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) area = screen->availableGeometry();
    } else if (position_ == poMainFormCenter || position_ == poOwnerFormCenter) {
        host = position_ == poOwnerFormCenter ? parentWidget() : nullptr;
        if (!host && Application) host = Application->MainForm();
        if (host && host != this && host->isVisible()) {
            area = host->frameGeometry();
        } else {
            host = nullptr;
            if (QScreen* screen = QGuiApplication::primaryScreen()) area = screen->availableGeometry();
        }
    }
    if (!area.isValid()) return;
    // The frame is known only once a window has been shown: until then take the host's.
    const QWidget* framed = isVisible() ? this : host ? host : Application ? Application->MainForm() : nullptr;
    const QSize outer = framed ? size() + framed->frameGeometry().size() - framed->geometry().size() : size();
    QPoint at = area.center() - QPoint(outer.width() / 2, outer.height() / 2);
    // A dialog wider than its host, centred on a window at the screen's edge, would stand partly
    // off the screen: it keeps within the screen's free area, its top left first.
    QScreen* screen = QGuiApplication::screenAt(area.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect free = screen->availableGeometry();
        at.setX(std::max(free.left(), std::min(at.x(), free.right() + 1 - outer.width())));
        at.setY(std::max(free.top(), std::min(at.y(), free.bottom() + 1 - outer.height())));
    }
    move(at);
}

TModalResult TForm::ShowModal() {
    QPointer<TForm> self(this);
    modalResult_ = mrNone;
    setWindowModality(Qt::ApplicationModal);
    PlaceOnShow();
    show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) raise();
    activateWindow();
    QEventLoop loop;
    loop_ = &loop;
    for (;;) {
        // Once the application is ending, Qt ends every nested loop at once; waiting on would spin.
        if (Application && Application->Terminated()) {
            modalResult_ = mrCancel;
            break;
        }
        const int exitCode = loop.exec(QEventLoop::DialogExec);
        if (!self) return mrCancel;  // freed while it was shown
        if (exitCode < 0) {
            modalResult_ = mrCancel;
            break;
        }
        if (modalResult_ == mrNone) continue;
        bool canClose = false;
        try {
            canClose = CloseQuery();
        } catch (...) {
            if (Application) Application->HandleException();
        }
        if (canClose) break;
        modalResult_ = mrNone;
    }
    loop_ = nullptr;
    hide();
    setWindowModality(Qt::NonModal);
    return modalResult_;
}

void TForm::SetModalResult(TModalResult value) {
    modalResult_ = value;
    // The loop looks at the result once the event that set it has been handled.
    if (loop_ && value != mrNone)
        QMetaObject::invokeMethod(this, [this] { CheckModalEnd(); }, Qt::QueuedConnection);
}

void TForm::CheckModalEnd() {
    if (loop_ && modalResult_ != mrNone) loop_->exit();
}

bool TForm::CloseQuery() { return OnCloseQuery ? OnCloseQuery() : true; }

void TForm::Close() {
    if (loop_) {
        SetModalResult(mrCancel);
        return;
    }
    if (!CloseQuery()) return;
    hide();
    // The main form's close ends the program.
    if (Application && Application->MainForm() == this) Application->Terminate();
}

void TForm::closeEvent(QCloseEvent* event) {
    event->ignore();
    GuardedCall([this] { Close(); });
}

void TForm::reject() { Close(); }

void TForm::accept() {
    if (loop_) SetModalResult(mrOk);
}

namespace {
TButton* FindButton(QWidget* form, bool cancel) {
    for (TButton* b : form->findChildren<TButton*>()) {
        if (!b->isVisibleTo(form) || !b->isEnabled()) continue;
        if (cancel ? b->Cancel() : b->Default()) return b;
    }
    return nullptr;
}
}  // namespace

void TForm::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & ~(Qt::KeypadModifier)) {
        QDialog::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
        case Qt::Key_Escape:
            if (TButton* b = FindButton(this, true)) b->click();
            event->accept();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            auto* focused = qobject_cast<QPushButton*>(focusWidget());
            if (focused && focused->isEnabled())
                focused->click();
            else if (TButton* b = FindButton(this, false))
                b->click();
            event->accept();
            return;
        }
        default:
            QDialog::keyPressEvent(event);
    }
}

TForm* GetParentForm(QWidget* control) {
    return control ? dynamic_cast<TForm*>(control->window()) : nullptr;
}

TCustomForm::TCustomForm(QWidget* owner) : QWidget(owner, Qt::Window), color_(212, 208, 200) {
    setFont(DefaultFont());
    setAutoFillBackground(true);
    SetColor(color_);
}

std::string TCustomForm::Caption() const { return FromQString(windowTitle()); }

void TCustomForm::SetCaption(std::string_view caption) { setWindowTitle(ToQString(caption)); }

void TCustomForm::SetColor(const QColor& color) {
    color_ = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    setPalette(pal);
}

void TCustomForm::SetActiveControl(QWidget* control) {
    activeControl_ = control;
    if (control && control->isVisible()) control->setFocus(Qt::OtherFocusReason);
}

bool TCustomForm::CloseQuery() { return OnCloseQuery ? OnCloseQuery() : true; }

void TCustomForm::Close() {
    if (!CloseQuery()) return;
    hide();
    if (Application && Application->MainForm() == this) Application->Terminate();
}

void TCustomForm::closeEvent(QCloseEvent* event) {
    event->ignore();
    GuardedCall([this] { Close(); });
}
