#pragma once
// The key and mouse events of a window itself. Qt hands a press that a control leaves unhandled on
// to the control's parents, up to the window; the framework's window events fire only for presses
// that reach the window directly (no control of it has the focus, or the mouse is over no control),
// so the propagated ones are filtered out here.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

class TOwnInputEvents : public QObject {
    Q_OBJECT
public:
    // Watches window until either is freed.
    explicit TOwnInputEvents(QWidget* window);

    std::function<void(int key)> OnKeyDown;
    std::function<void(int key)> OnKeyUp;
    std::function<void(Qt::MouseButton button, QPoint pos)> OnMouseDown;
    std::function<void(Qt::MouseButton button, QPoint pos)> OnMouseUp;

    // Whether a key event now at the window started there, and a mouse event at pos (window
    // coordinates) hit no control.
    static bool KeyReachesWindow(const QWidget* window);
    static bool MouseReachesWindow(const QWidget* window, QPoint pos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
};
