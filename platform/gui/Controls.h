#pragma once
// The basic controls the forms are made of. Captions are cp1251; labels show plain text only
// (names from the web must never be read as markup).
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <string>
#include <string_view>

#include "platform/Events.h"
#include "platform/gui/Forms.h"

class TLabel : public QLabel, public TObject {
    Q_OBJECT
public:
    explicit TLabel(QWidget* parent = nullptr);
    std::string ClassName() const override { return "TLabel"; }

    std::string Caption() const;
    // With AutoSize on (the default) the label takes the size of its text.
    void SetCaption(std::string_view caption);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool WordWrap() const { return wordWrap(); }
    void SetWordWrap(bool value) { setWordWrap(value); }
    // A transparent label shows what lies under it; an opaque one fills with its colour.
    bool Transparent() const { return !autoFillBackground(); }
    void SetTransparent(bool value) { setAutoFillBackground(!value); }

private:
    void FitText();
    bool autoSize_ = true;
};

class TButton : public QPushButton, public TObject {
    Q_OBJECT
    // Settable from a form's .ui file as properties with stdset="0" (Default is "default").
    Q_PROPERTY(int modalResult READ ModalResult WRITE SetModalResult)
    Q_PROPERTY(bool cancel READ Cancel WRITE SetCancel)
public:
    explicit TButton(QWidget* parent = nullptr);
    std::string ClassName() const override { return "TButton"; }

    // '&' marks the accelerator letter, as in the framework.
    std::string Caption() const;
    void SetCaption(std::string_view caption);

    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }
    // Enter clicks the Default button; Escape clicks the Cancel button.
    bool Default() const { return isDefault(); }
    void SetDefault(bool value) { setDefault(value); }
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }

    TNotifyEvent OnClick;

    // The click: the form's ModalResult becomes the button's, then OnClick runs (and may change it).
    virtual void Click();

private:
    TModalResult modalResult_ = mrNone;
    bool cancel_ = false;
};

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

// Shows the glyph as the button's icon at its own size, its bottom-left pixel's colour made
// see-through; a null glyph clears the icon.
void ShowGlyph(QAbstractButton& button, const QPixmap& glyph);

// A button with a glyph. The glyph's bottom-left pixel gives its transparent colour.
class TBitBtn : public TButton {
    Q_OBJECT
public:
    explicit TBitBtn(QWidget* parent = nullptr);
    std::string ClassName() const override { return "TBitBtn"; }

    TBitBtnKind Kind() const { return kind_; }
    // A kind sets the modal result, the default caption, Default (OK, Yes) and Cancel (Cancel, No).
    void SetKind(TBitBtnKind kind);

    const QPixmap& Glyph() const { return glyph_; }
    void SetGlyph(const QPixmap& glyph);
    // Keeps the part of the glyph from its top left corner.
    void SetGlyphSize(int width, int height);

    // Where the glyph and the caption are drawn: together centred inside the button's border.
    // When they do not fit, the space between them narrows, then the caption's font shrinks (to
    // 8 pixels at least), and only then is the caption elided; both always stay inside.
    QRect GlyphRect() const;
    QRect CaptionRect() const;
    QFont CaptionFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct BitBtnLayout {
        QRect glyph, caption;
        QString text;  // the caption as drawn, elided when it must be
        QFont font;
    };
    BitBtnLayout Layout() const;
    TBitBtnKind kind_ = bkCustom;
    QPixmap glyph_;
};
