#pragma once
// Forms: windows and dialogs whose controls carry the component names as object names, with the
// framework's modal loop. ShowModal runs until ModalResult is non-zero after the event that set
// it has been handled (so a click handler may put it back to 0 and keep the form open); Escape
// clicks the Cancel button, Enter the Default button (or the focused button), and the close box
// gives mrCancel.
#include <QColor>
#include <QDialog>
#include <QPointer>
#include <functional>
#include <string>
#include <string_view>

#include "platform/ClassRegistry.h"
#include "platform/Events.h"

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
enum TPosition { poDesigned, poScreenCenter, poMainFormCenter, poOwnerFormCenter };

class QEventLoop;

class TForm : public QDialog, public TObject {
    Q_OBJECT
public:
    // The owner becomes the Qt parent of a top-level form (it frees the form), not its container.
    explicit TForm(QWidget* owner = nullptr);
    ~TForm() override;

    std::string ClassName() const override { return "TForm"; }

    std::string Caption() const;
    void SetCaption(std::string_view caption);

    // Width and Height are the form's client size here: the frame belongs to the window system.
    int Left() const { return x(); }
    int Top() const { return y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetWidth(int value);
    void SetHeight(int value);
    void SetClientSize(int w, int h);

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }

    TModalResult ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value);
    bool InModalLoop() const { return loop_ != nullptr; }

    // Asked before the form closes (close box or Close); false keeps it open.
    std::function<bool()> OnCloseQuery;
    virtual bool CloseQuery();
    // As the close box: ends a modal loop with mrCancel, otherwise closes after CloseQuery; the
    // main form's close terminates the application. A CloseQuery that raises at the end of a
    // modal loop is shown as an error and keeps the form open.
    void Close();

    // The control with this component name, or null.
    template <class T = QWidget>
    T* FindComponent(std::string_view name) const {
        return findChild<T*>(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void accept() override;

private:
    void PlaceOnShow();
    void CheckModalEnd();

    TModalResult modalResult_ = mrNone;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TPosition position_ = poDesigned;
    QEventLoop* loop_ = nullptr;
};

// The form a control stands on (its window), or null.
TForm* GetParentForm(QWidget* control);

// A form that is not a dialog: the pages and the main window. Made with an owner it is a window
// that the owner frees; embedded into a panel it becomes a borderless child of the panel. Its keys
// close nothing: Escape, Enter, modal results and the close box's mrCancel belong to TForm.
class TCustomForm : public QWidget, public TObject {
    Q_OBJECT
public:
    explicit TCustomForm(QWidget* owner = nullptr);
    std::string ClassName() const override { return "TCustomForm"; }

    std::string Caption() const;
    void SetCaption(std::string_view caption);

    int Left() const { return x(); }
    int Top() const { return y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetClientSize(int w, int h) { resize(w, h); }

    QColor Color() const { return color_; }
    void SetColor(const QColor& color);

    // Whether the form scrolls when its content is larger than itself; the form's own setting,
    // kept when it is embedded.
    bool AutoScroll() const { return autoScroll_; }
    virtual void SetAutoScroll(bool value) { autoScroll_ = value; }

    bool Visible() const { return !isHidden(); }
    void SetVisible(bool value) { setVisible(value); }

    // The control that gets the focus when the form is activated (as its layout names it).
    QWidget* ActiveControl() const { return activeControl_; }
    void SetActiveControl(QWidget* control);

    // Runs once the page is shown and the events are processed after embedding; no page of the
    // system does anything here.
    virtual void PageActivated() {}

    std::function<bool()> OnCloseQuery;
    virtual bool CloseQuery();
    // Closes after CloseQuery; the main form's close terminates the application.
    void Close();

    template <class T = QWidget>
    T* FindComponent(std::string_view name) const {
        return findChild<T*>(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QColor color_;
    bool autoScroll_ = true;
    QPointer<QWidget> activeControl_;
};

// The page classes, registered by name at start-up and created by name with their owner.
using TPageRegistry = TClassRegistry<TCustomForm*(QWidget* owner)>;
