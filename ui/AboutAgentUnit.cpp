#include "ui/AboutAgentUnit.h"

#include "platform/CpLiteral.h"
#include "platform/gui/Application.h"
#include "platform/gui/Controls.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/TImage.h"
#include "ui_AboutAgentUnit.h"

TAboutBox::TAboutBox(QWidget* owner) : TForm(owner), ui_(std::make_unique<Ui::AboutBox>()) {
    ui_->setupUi(this);
    Panel1 = ui_->Panel1;
    ProgramIcon = ui_->ProgramIcon;
    ProductNameLabel = ui_->ProductNameLabel;
    VersionLabel = ui_->VersionLabel;
    OKButton = ui_->OKButton;
    SetBorderStyle(bsDialog);
    SetClientSize(368, 159);
    SetPosition(poScreenCenter);
    setFont(DefaultFont());
    Panel1->SetBevelOuter(bvRaised);
    ProgramIcon->SetTransparent(true);  // the icon stands on a key colour, like an icon's mask
    ProgramIcon->LoadFromResourceName("APP_ICON");
    QFont name = DefaultFont();  // standing in for "Microsoft Sans Serif"
    name.setPixelSize(16);
    name.setBold(true);
    ProductNameLabel->setFont(name);
    VersionLabel->setFont(DefaultFont());
    FormCreate();
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::FormCreate() {
    OKButton->move(147, OKButton->y());
    ProductNameLabel->SetCaption("Velmora Agent");
    VersionLabel->SetCaption(u8"Версия 1.0 Beta"_cp);
}
