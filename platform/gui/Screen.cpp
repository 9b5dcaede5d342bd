#include "platform/gui/Screen.h"

#include <QApplication>
#include <QCursor>

namespace {
int depth = 0;
}

THourGlass::THourGlass() {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    ++depth;
}

THourGlass::~THourGlass() {
    --depth;
    QApplication::restoreOverrideCursor();
}

bool HourGlassShown() { return depth > 0; }
