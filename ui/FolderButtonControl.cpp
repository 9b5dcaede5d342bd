#include "ui/FolderButtonControl.h"

#include <QEvent>

#include "ui/ControlClicks.h"

TFolderButton::TFolderButton(QWidget* owner) : TPanel(owner) {
    resize(width(), 22);
    imgBackground = new TImage(this);
    imgBackground->setObjectName(QStringLiteral("imgBackground"));
    imgBackground->SetStretch(true);
    imgBackground->setGeometry(contentsRect());
    ::SetAlign(imgBackground, alClient);
    lbCaption = new TLabel(this);
    lbCaption->setObjectName(QStringLiteral("lbCaption"));
    lbCaption->move(3, 3);
    lbCaption->SetTransparent(true);
    lbCaption->SetCaption("");
    auto* relay = new TClickRelay(this, [this] {
        if (OnClick) OnClick(this);
    });
    relay->Watch({imgBackground, lbCaption});
    SetFolderButtonStyle(TFolderButtonStyle::bsNone);
}

TFolderButton::~TFolderButton() {
    // The label and the image go before the bar itself.
    delete lbCaption;
    delete imgBackground;
}

void TFolderButton::changeEvent(QEvent* event) {
    TPanel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        QMetaObject::invokeMethod(this, [this] { lbCaption->SetCaption(lbCaption->Caption()); }, Qt::QueuedConnection);
}

std::string TFolderButton::Caption() const { return lbCaption->Caption(); }

void TFolderButton::SetCaption(std::string_view value) { lbCaption->SetCaption(value); }

void TFolderButton::SetFolderButtonStyle(TFolderButtonStyle value) {
    style_ = value;
    imgBackground->LoadFromResourceName(value == TFolderButtonStyle::bsSelected ? "TABBG2" : "TABBG1");
    update();
}
