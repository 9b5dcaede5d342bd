#include "ui/ControlClicks.h"

#include <QMouseEvent>

#include "platform/gui/Application.h"
#include "platform/gui/Controls.h"

bool TClickRelay::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) pressed_ = watched;
    } else if (event->type() == QEvent::MouseButtonRelease) {
        auto* e = static_cast<QMouseEvent*>(event);
        auto* w = qobject_cast<QWidget*>(watched);
        const bool click = e->button() == Qt::LeftButton && pressed_ == watched && w && w->rect().contains(e->position().toPoint());
        if (e->button() == Qt::LeftButton) pressed_ = nullptr;
        if (click) {
            GuardedCall(onClick_);
            return true;
        }
    }
    return false;
}

void ShowLabelEnabled(TLabel* label, bool enabled) {
    QPalette pal = label->palette();
    const QColor ink = enabled ? QColor(0, 0, 0) : QColor(128, 128, 128);
    pal.setColor(QPalette::WindowText, ink);
    pal.setColor(QPalette::Text, ink);
    label->setPalette(pal);
}
