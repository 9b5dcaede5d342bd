#include "ui/GradientButtonControl.h"

#include <QMouseEvent>

#include "platform/gui/Application.h"
#include "ui/ControlClicks.h"

TGradientButton::TGradientButton(QWidget* owner) : TPanel(owner) {
    SetBevelOuter(bvNone);
    SetParentColor(true);
    resize(width(), 22);
    pnButton = new TPanel(this);
    pnButton->setObjectName(QStringLiteral("pnButton"));
    pnButton->SetBevelOuter(bvNone);
    pnButton->SetParentColor(true);
    pnButton->setGeometry(rect());
    pnButton->SetAlign(alClient);
    const int w = pnButton->width();

    imgBg = new TImage(pnButton);
    imgBg->setObjectName(QStringLiteral("imgBg"));
    imgBg->setGeometry(8, 0, w - 16, 22);
    imgBg->SetStretch(true);
    imgBg->SetTransparent(true);
    ::SetAnchors(imgBg, akLeft | akTop | akRight);

    imgTopRight = new TImage(pnButton);
    imgTopRight->setObjectName(QStringLiteral("imgTopRight"));
    imgTopRight->setGeometry(w - 8, 0, 8, 22);
    imgTopRight->SetTransparent(true);
    ::SetAnchors(imgTopRight, akTop | akRight);

    imgTopLeft = new TImage(pnButton);
    imgTopLeft->setObjectName(QStringLiteral("imgTopLeft"));
    imgTopLeft->setGeometry(0, 0, 8, 22);
    imgTopLeft->SetTransparent(true);

    lbTabName = new TLabel(pnButton);
    lbTabName->setObjectName(QStringLiteral("lbTabName"));
    lbTabName->move(4, 3);
    lbTabName->SetTransparent(true);
    QFont bold = lbTabName->font();
    bold.setBold(true);
    lbTabName->setFont(bold);
    lbTabName->SetCaption("");

    auto* relay = new TClickRelay(this, [this] {
        if (enabled_ && OnClick) OnClick(this);
    });
    relay->Watch({imgBg, lbTabName, imgTopLeft, imgTopRight});
    // Hover moves anywhere over the button: its parts cover it, so each reports for it.
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(pnButton), static_cast<QWidget*>(imgBg),
                       static_cast<QWidget*>(imgTopRight), static_cast<QWidget*>(imgTopLeft),
                       static_cast<QWidget*>(lbTabName)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    SetEnabled(true);
}

std::string TGradientButton::Caption() const { return lbTabName->Caption(); }

void TGradientButton::SetCaption(std::string_view value) { lbTabName->SetCaption(value); }

void TGradientButton::SetEnabled(bool value) {
    enabled_ = value;
    ShowLabelEnabled(lbTabName, value);
    imgTopLeft->LoadFromResourceName(value ? "BTN2LEFT" : "BTN1LEFT");
    imgBg->LoadFromResourceName(value ? "TABBG2" : "TABBG1");
    imgTopRight->LoadFromResourceName(value ? "BTN2RIGHT" : "BTN1RIGHT");
}

bool TGradientButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == pnButton) {
        // The caption stays centred on the button.
        lbTabName->move((width() - lbTabName->width()) / 2, 3);
        return false;
    }
    if (event->type() == QEvent::MouseMove) {
        auto* e = static_cast<QMouseEvent*>(event);
        auto* w = static_cast<QWidget*>(watched);
        const QPoint at = w->mapTo(this, e->position().toPoint());
        const unsigned shift = static_cast<unsigned>(e->modifiers()) | static_cast<unsigned>(e->buttons());
        if (OnMouseMove) GuardedCall([&] { OnMouseMove(this, shift, at.x(), at.y()); });
        return true;
    }
    return TPanel::eventFilter(watched, event);
}
