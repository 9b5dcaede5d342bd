#pragma once
// Edit and check box. Both fire their events for every change, also one made by the program
// (as the framework does), so forms wire them after filling them.
#include <QCheckBox>
#include <QLineEdit>
#include <string>
#include <string_view>

#include "platform/Events.h"

class TLabel;

class TEdit : public QLineEdit, public TObject {
    Q_OBJECT
    // The password character as a form layout (.ui) sets it.
    Q_PROPERTY(QString passwordChar READ QtPasswordChar WRITE SetQtPasswordChar)
public:
    explicit TEdit(QWidget* parent = nullptr);
    std::string ClassName() const override { return "TEdit"; }

    std::string Text() const;
    void SetText(std::string_view text);
    // A non-zero character (cp1251) is shown for every character typed (a password box).
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char c);
    QString QtPasswordChar() const;
    void SetQtPasswordChar(const QString& value);

    TNotifyEvent OnChange;

private:
    char passwordChar_ = 0;
};

class TCheckBox : public QCheckBox, public TObject {
    Q_OBJECT
    Q_PROPERTY(bool wordWrap READ WordWrap WRITE SetWordWrap)
public:
    explicit TCheckBox(QWidget* parent = nullptr);
    std::string ClassName() const override { return "TCheckBox"; }

    std::string Caption() const;
    void SetCaption(std::string_view caption);
    // Hides QAbstractButton::setText so that a text set after the wrap (as uic's code does: texts
    // come after every other property) lands in the wrapped caption.
    void setText(const QString& text);
    bool Checked() const { return isChecked(); }
    void SetChecked(bool value) { setChecked(value); }
    // A wrapped caption runs over several lines within the box's width.
    bool WordWrap() const { return wrapLabel_ != nullptr; }
    void SetWordWrap(bool value);

    // Fired whenever the tick changes, by the user or by SetChecked.
    TNotifyEvent OnClick;

protected:
    bool hitButton(const QPoint& pos) const override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceWrapLabel();
    TLabel* wrapLabel_ = nullptr;
    QString caption_;  // the caption while it is wrapped (the box's own text is empty then)
};
