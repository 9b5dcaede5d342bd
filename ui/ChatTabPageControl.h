#pragma once
// The skinned tab of the main window: a panel 22 high made of bitmap pieces, an icon and a caption.
#include <string>
#include <string_view>

#include "platform/Events.h"
#include "platform/gui/Controls.h"
#include "platform/gui/QtText.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/TImage.h"

enum TTabStyle { tsNone, tsSelected };

class TChatTabPage : public TPanel {
    Q_OBJECT
    // The caption as a form layout (.ui) sets it.
    Q_PROPERTY(QString caption READ QtCaption WRITE SetQtCaption)
public:
    explicit TChatTabPage(QWidget* owner = nullptr);
    std::string ClassName() const override { return "TChatTabPage"; }

    std::string Caption() const;
    void SetCaption(std::string_view value);
    QString QtCaption() const { return lbTabName->text(); }
    void SetQtCaption(const QString& value) { SetCaption(FromQString(value)); }
    TTabStyle TabStyle() const { return tabStyle_; }
    // tsNone greys the caption and shows the grey pieces; tsSelected the green ones, caption black.
    void SetTabStyle(TTabStyle value);
    TPicture& Picture() { return imgIcon->Picture(); }
    // Copies the given picture's bitmap into the icon.
    void SetPicture(TPicture* value);

    TNotifyEvent OnTabClick;

    TPanel* pnTab;
    TImage* imgBg;
    TImage* imgTopRight;
    TImage* imgShortInfo1;
    TLabel* lbTabName;
    TImage* imgIcon;

private:
    TTabStyle tabStyle_ = tsNone;
};
