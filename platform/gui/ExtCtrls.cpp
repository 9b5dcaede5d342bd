#include "platform/gui/ExtCtrls.h"

#include <QPainter>

#include "platform/gui/QtText.h"

TPanel::TPanel(QWidget* parent) : QWidget(parent), color_(212, 208, 200) {
    // The framework's default panel: 185 x 41, raised, in the button face colour.
    resize(185, 41);
    setContentsMargins(1, 1, 1, 1);
}

void TPanel::SetColor(const QColor& color) {
    color_ = color;
    parentColor_ = false;
    update();
}

void TPanel::SetParentColor(bool value) {
    parentColor_ = value;
    update();
}

void TPanel::SetBevelOuter(TBevelCut value) {
    bevelOuter_ = value;
    const int b = BorderWidth();
    setContentsMargins(b, b, b, b);
    update();
}

std::string TPanel::Hint() const { return FromQString(toolTip()); }

void TPanel::SetHint(std::string_view hint) { setToolTip(ToQString(hint)); }

void TPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!parentColor_) p.fillRect(rect(), color_);
    if (bevelOuter_ == bvNone) return;
    const QColor light = bevelOuter_ == bvRaised ? QColor(255, 255, 255) : QColor(128, 128, 128);
    const QColor dark = bevelOuter_ == bvRaised ? QColor(128, 128, 128) : QColor(255, 255, 255);
    const int r = width() - 1, b = height() - 1;
    p.setPen(light);
    p.drawLine(0, 0, r, 0);
    p.drawLine(0, 0, 0, b);
    p.setPen(dark);
    p.drawLine(r, 0, r, b);
    p.drawLine(0, b, r, b);
}
