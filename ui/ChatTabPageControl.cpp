#include "ui/ChatTabPageControl.h"

#include "platform/graphics/Bitmap.h"
#include "ui/ControlClicks.h"

TChatTabPage::TChatTabPage(QWidget* owner) : TPanel(owner) {
    SetBevelOuter(bvNone);
    resize(width(), 22);
    pnTab = new TPanel(this);
    pnTab->setObjectName(QStringLiteral("pnTab"));
    pnTab->SetBevelOuter(bvNone);
    pnTab->SetColor(QColor(255, 255, 255));
    pnTab->setGeometry(rect());
    pnTab->SetAlign(alClient);
    const int w = pnTab->width();

    imgBg = new TImage(pnTab);
    imgBg->setObjectName(QStringLiteral("imgBg"));
    imgBg->setGeometry(18, 0, w - 26, 22);
    imgBg->SetStretch(true);
    ::SetAnchors(imgBg, akLeft | akTop | akRight);

    imgTopRight = new TImage(pnTab);
    imgTopRight->setObjectName(QStringLiteral("imgTopRight"));
    imgTopRight->setGeometry(w - 8, 0, 8, 23);
    ::SetAnchors(imgTopRight, akTop | akRight);

    imgShortInfo1 = new TImage(pnTab);
    imgShortInfo1->setObjectName(QStringLiteral("imgShortInfo1"));
    imgShortInfo1->setGeometry(0, 0, 18, 23);

    lbTabName = new TLabel(pnTab);
    lbTabName->setObjectName(QStringLiteral("lbTabName"));
    lbTabName->move(20, 3);
    lbTabName->SetTransparent(true);
    QFont bold = lbTabName->font();
    bold.setBold(true);
    lbTabName->setFont(bold);
    lbTabName->SetCaption("");

    imgIcon = new TImage(pnTab);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setGeometry(3, 3, 16, 16);
    imgIcon->SetTransparent(true);
    imgIcon->raise();

    auto* relay = new TClickRelay(this, [this] {
        if (OnTabClick) OnTabClick(this);
    });
    relay->Watch({imgBg, imgIcon, lbTabName, imgShortInfo1, imgTopRight});
    SetTabStyle(tsNone);
}

std::string TChatTabPage::Caption() const { return lbTabName->Caption(); }

void TChatTabPage::SetCaption(std::string_view value) { lbTabName->SetCaption(value); }

void TChatTabPage::SetTabStyle(TTabStyle value) {
    tabStyle_ = value;
    const bool selected = value == tsSelected;
    ShowLabelEnabled(lbTabName, selected);
    imgShortInfo1->LoadFromResourceName(selected ? "TABBG2LEFT" : "TABBG1LEFT");
    imgBg->LoadFromResourceName(selected ? "TABBG2" : "TABBG1");
    imgTopRight->LoadFromResourceName(selected ? "TABBG2RIGHT" : "TABBG1RIGHT");
    update();
}

void TChatTabPage::SetPicture(TPicture* value) {
    if (value) imgIcon->Picture().Bitmap()->Assign(value->Bitmap());
}
