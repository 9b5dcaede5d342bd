#include "platform/gui/Controls.h"

#include <QBitmap>
#include <QEvent>
#include <QImage>

#include "platform/gui/Application.h"
#include "platform/gui/QtText.h"

TLabel::TLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(false);
}

std::string TLabel::Caption() const { return FromQString(text()); }

void TLabel::SetCaption(std::string_view caption) {
    setText(ToQString(caption));
    FitText();
}

void TLabel::SetAutoSize(bool value) {
    autoSize_ = value;
    FitText();
}

void TLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) FitText();
}

void TLabel::FitText() {
    if (autoSize_ && !wordWrap()) resize(sizeHint());
}

TButton::TButton(QWidget* parent) : QPushButton(parent) {
    connect(this, &QPushButton::clicked, this, [this] { GuardedCall([this] { Click(); }); });
}

std::string TButton::Caption() const { return FromQString(text()); }

void TButton::SetCaption(std::string_view caption) { setText(ToQString(caption)); }

void TButton::Click() {
    if (TForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
    if (OnClick) OnClick(this);
}

TBitBtn::TBitBtn(QWidget* parent) : TButton(parent) { setIconSize(QSize(16, 16)); }

void TBitBtn::SetKind(TBitBtnKind kind) {
    static const TModalResult results[] = {mrNone, mrOk, mrCancel, mrNone, mrYes,  mrNo,
                                           mrNone, mrAbort, mrRetry, mrIgnore, mrAll};
    static const char* const captions[] = {"",       "OK",     "Cancel", "&Help",   "&Yes",  "&No",
                                           "&Close", "Abort",  "&Retry", "&Ignore", "&All"};
    kind_ = kind;
    if (kind == bkCustom) return;
    SetModalResult(results[kind]);
    SetCaption(captions[kind]);
    SetDefault(kind == bkOK || kind == bkYes);
    SetCancel(kind == bkCancel || kind == bkNo);
}

void TBitBtn::SetGlyph(const QPixmap& glyph) {
    glyph_ = glyph;
    if (glyph.isNull()) {
        setIcon(QIcon());
        return;
    }
    QPixmap shown = glyph;
    const QImage image = glyph.toImage().convertToFormat(QImage::Format_RGB32);
    shown.setMask(QBitmap::fromImage(
        image.createMaskFromColor(image.pixel(0, image.height() - 1), Qt::MaskInColor)));
    setIcon(QIcon(shown));
    setIconSize(glyph.size());
}

void TBitBtn::SetGlyphSize(int width, int height) {
    if (glyph_.isNull()) return;
    SetGlyph(glyph_.copy(0, 0, width, height));
}
