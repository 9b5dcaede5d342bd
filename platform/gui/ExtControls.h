#pragma once
// Controls of the settings page and the main window: a group box, a check-list box, a speed button
// with a glyph, a progress bar, a status bar with permanent panels, and the validator that keeps an
// edit to the characters code page 1251 holds.
#include <QGroupBox>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolButton>
#include <QValidator>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Events.h"

class QLabel;

class TGroupBox : public QGroupBox, public TObject {
    Q_OBJECT
public:
    explicit TGroupBox(QWidget* parent = nullptr);
    std::string ClassName() const override { return "TGroupBox"; }

    std::string Caption() const;
    void SetCaption(std::string_view caption);
};

// A list whose items carry a tick each. OnClickCheck fires when the user turns a tick (click on
// the tick or space); the turned item becomes the current one first, as a click on it would make
// it. Ticks set by the program fire nothing.
class TCheckListBox : public QListWidget, public TObject {
    Q_OBJECT
public:
    explicit TCheckListBox(QWidget* parent = nullptr);
    std::string ClassName() const override { return "TCheckListBox"; }

    int Count() const { return count(); }
    std::string Items(int index) const;
    void Clear();
    void Add(std::string_view text);
    void SetItems(const std::vector<std::string>& items);

    bool Checked(int index) const;
    void SetChecked(int index, bool value);
    // The current item, -1 when none.
    int ItemIndex() const { return currentRow(); }
    void SetItemIndex(int index) { setCurrentRow(index); }

    TNotifyEvent OnClickCheck;

private:
    bool filling_ = false;
};

// A flat button that shows a glyph; the glyph's bottom-left pixel is its see-through colour.
class TSpeedButton : public QToolButton, public TObject {
    Q_OBJECT
public:
    explicit TSpeedButton(QWidget* parent = nullptr);
    std::string ClassName() const override { return "TSpeedButton"; }

    const QPixmap& Glyph() const { return glyph_; }
    void SetGlyph(const QPixmap& glyph);

    TNotifyEvent OnClick;
    // As a user's click: OnClick, when the button is enabled.
    void Click();

private:
    QPixmap glyph_;
};

class TProgressBar : public QProgressBar, public TObject {
    Q_OBJECT
public:
    explicit TProgressBar(QWidget* parent = nullptr);
    std::string ClassName() const override { return "TProgressBar"; }

    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    int Position() const { return value(); }
    void SetMax(int value);
    // Clamped into Min..Max, as the framework's bar keeps it.
    void SetPosition(int value);
};

// A status bar of permanent panels: their texts stay when Qt shows a temporary message (menu tips
// go there and never overwrite a panel).
class TStatusBar : public QStatusBar, public TObject {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent = nullptr, int panels = 1);
    std::string ClassName() const override { return "TStatusBar"; }

    int PanelCount() const { return static_cast<int>(panels_.size()); }
    std::string PanelText(int index) const;
    void SetPanelText(int index, std::string_view text);
    QLabel* Panel(int index) const;

private:
    std::vector<QLabel*> panels_;
};

// Keeps an edit to the characters code page 1251 holds: any other character, typed or pasted, is
// dropped and the rest of the text goes in.
class TCp1251Validator : public QValidator {
    Q_OBJECT
public:
    explicit TCp1251Validator(QObject* parent = nullptr) : QValidator(parent) {}
    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

    static bool Holds(QChar c);
};
