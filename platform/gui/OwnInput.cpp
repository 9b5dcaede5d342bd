#include "platform/gui/OwnInput.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "platform/gui/Application.h"

TOwnInputEvents::TOwnInputEvents(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
    window->setFocusPolicy(Qt::StrongFocus);
}

bool TOwnInputEvents::KeyReachesWindow(const QWidget* window) {
    const QWidget* focus = QApplication::focusWidget();
    return !focus || focus == window || !window->isAncestorOf(focus);
}

bool TOwnInputEvents::MouseReachesWindow(const QWidget* window, QPoint pos) {
    return window->childAt(pos) == nullptr;
}

bool TOwnInputEvents::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_) return false;
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!KeyReachesWindow(window_)) return false;
            const auto& handler = event->type() == QEvent::KeyPress ? OnKeyDown : OnKeyUp;
            if (handler) GuardedCall([&] { handler(key->key()); });
            return false;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint pos = mouse->position().toPoint();
            if (!MouseReachesWindow(window_, pos)) return false;
            const auto& handler = event->type() == QEvent::MouseButtonPress ? OnMouseDown : OnMouseUp;
            if (handler) GuardedCall([&] { handler(mouse->button(), pos); });
            return false;
        }
        default:
            return false;
    }
}
