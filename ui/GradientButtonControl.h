#pragma once
// The skinned button of the settings page: a panel 22 high made of bitmap pieces and a caption
// centred on it. Enabled is the button's own flag: a disabled button shows the grey pieces and a
// greyed caption, ignores clicks, and still reports every mouse move over it.
#include <functional>
#include <string>
#include <string_view>

#include "platform/Events.h"
#include "platform/gui/Controls.h"
#include "platform/gui/QtText.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/TImage.h"

// Shift: the Qt keyboard modifiers and mouse buttons held; X and Y in the control's coordinates.
using TMouseMoveEvent = std::function<void(TObject* Sender, unsigned Shift, int X, int Y)>;

class TGradientButton : public TPanel {
    Q_OBJECT
    // The caption as a form layout (.ui) sets it.
    Q_PROPERTY(QString caption READ QtCaption WRITE SetQtCaption)
public:
    explicit TGradientButton(QWidget* owner = nullptr);
    std::string ClassName() const override { return "TGradientButton"; }

    std::string Caption() const;
    void SetCaption(std::string_view value);
    QString QtCaption() const { return lbTabName->text(); }
    void SetQtCaption(const QString& value) { SetCaption(FromQString(value)); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);

    TNotifyEvent OnClick;
    // Every mouse move over the button or any part of it, whatever Enabled says.
    TMouseMoveEvent OnMouseMove;

    TPanel* pnButton;
    TImage* imgBg;
    TImage* imgTopRight;
    TImage* imgTopLeft;
    TLabel* lbTabName;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool enabled_ = true;
};
