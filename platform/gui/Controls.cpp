#include "platform/gui/Controls.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QImage>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>

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

QPixmap SeeThroughGlyph(const QPixmap& glyph) {
    QPixmap shown = glyph;
    const QImage image = glyph.toImage().convertToFormat(QImage::Format_RGB32);
    shown.setMask(QBitmap::fromImage(
        image.createMaskFromColor(image.pixel(0, image.height() - 1), Qt::MaskInColor)));
    return shown;
}

void TBitBtn::SetGlyph(const QPixmap& glyph) {
    glyph_ = glyph;
    if (glyph.isNull()) {
        setIcon(QIcon());
        return;
    }
    setIcon(QIcon(SeeThroughGlyph(glyph)));
    setIconSize(glyph.size());
}

void TBitBtn::SetGlyphSize(int width, int height) {
    if (glyph_.isNull()) return;
    SetGlyph(glyph_.copy(0, 0, width, height));
}

namespace {
constexpr int kBitBtnBorder = 3;   // the bevel and a pixel of air
constexpr int kBitBtnSpacing = 4;  // between glyph and caption when there is room
}  // namespace

void TBitBtn::Layout(QRect& glyph, QRect& caption, QString& text, QFont& captionFont) const {
    const QRect inside = rect().adjusted(kBitBtnBorder, kBitBtnBorder, -kBitBtnBorder, -kBitBtnBorder);
    captionFont = font();
    text = this->text();
    const QString plain = QString(text).remove(QLatin1Char('&'));
    const int gw = icon().isNull() ? 0 : iconSize().width();
    const int gh = icon().isNull() ? 0 : iconSize().height();
    int tw = QFontMetrics(captionFont).horizontalAdvance(plain);
    int spacing = gw > 0 && tw > 0 ? kBitBtnSpacing : 0;
    if (gw + spacing + tw > inside.width() && spacing > 0) spacing = std::max(1, inside.width() - gw - tw);
    if (gw + spacing + tw > inside.width() && captionFont.pixelSize() > 0) {
        for (int px = captionFont.pixelSize() - 1; px >= 8 && gw + spacing + tw > inside.width(); --px) {
            captionFont.setPixelSize(px);
            tw = QFontMetrics(captionFont).horizontalAdvance(plain);
        }
    }
    const QFontMetrics fm(captionFont);
    if (gw + spacing + tw > inside.width()) {
        text = fm.elidedText(QString(text).remove(QLatin1Char('&')), Qt::ElideRight, std::max(0, inside.width() - gw - spacing));
        tw = fm.horizontalAdvance(text);
    }
    const int x = inside.left() + std::max(0, (inside.width() - (gw + spacing + tw)) / 2);
    glyph = QRect(x, inside.top() + (inside.height() - gh) / 2, gw, gh);
    caption = QRect(x + gw + spacing, inside.top(), tw, inside.height());
}

QRect TBitBtn::GlyphRect() const {
    QRect g, c;
    QString t;
    QFont f;
    Layout(g, c, t, f);
    return g;
}

QRect TBitBtn::CaptionRect() const {
    QRect g, c;
    QString t;
    QFont f;
    Layout(g, c, t, f);
    return c;
}

QFont TBitBtn::CaptionFont() const {
    QRect g, c;
    QString t;
    QFont f;
    Layout(g, c, t, f);
    return f;
}

void TBitBtn::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    opt.icon = QIcon();
    p.drawControl(QStyle::CE_PushButtonBevel, opt);
    QRect glyph, caption;
    QString text;
    QFont captionFont;
    Layout(glyph, caption, text, captionFont);
    if (!glyph.isEmpty())
        p.drawPixmap(glyph.topLeft(), icon().pixmap(iconSize(), isEnabled() ? QIcon::Normal : QIcon::Disabled));
    p.setFont(captionFont);
    p.drawItemText(caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, palette(), isEnabled(), text,
                   QPalette::ButtonText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = caption.adjusted(-1, 0, 1, 0);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}
