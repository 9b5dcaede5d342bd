#pragma once
// The folder bar of the contacts page: a panel 22 high whose background is a stretched bitmap,
// grey or green, with the folder's caption.
#include <string>
#include <string_view>

#include "platform/Events.h"
#include "platform/gui/Controls.h"
#include "platform/gui/QtText.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/TImage.h"

// Scoped: the form border style has a bsNone of its own.
enum class TFolderButtonStyle { bsNone, bsSelected };

class TFolderButton : public TPanel {
    Q_OBJECT
    // The caption as a form layout (.ui) sets it.
    Q_PROPERTY(QString caption READ QtCaption WRITE SetQtCaption)
public:
    explicit TFolderButton(QWidget* owner = nullptr);
    ~TFolderButton() override;
    std::string ClassName() const override { return "TFolderButton"; }

    std::string Caption() const;
    void SetCaption(std::string_view value);
    QString QtCaption() const { return lbCaption->text(); }
    void SetQtCaption(const QString& value) { SetCaption(FromQString(value)); }
    TFolderButtonStyle FolderButtonStyle() const { return style_; }
    void SetFolderButtonStyle(TFolderButtonStyle value);

    TNotifyEvent OnClick;

    TImage* imgBackground;
    TLabel* lbCaption;

protected:
    // The caption is in the bar's font: a new font sizes it again.
    void changeEvent(QEvent* event) override;

private:
    TFolderButtonStyle style_ = TFolderButtonStyle::bsNone;
};
