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

void ShowGlyph(QAbstractButton& button, const QPixmap& glyph) {
    if (glyph.isNull()) {
        button.setIcon(QIcon());
        return;
    }
    QPixmap shown = glyph;
    const QImage image = glyph.toImage().convertToFormat(QImage::Format_RGB32);
    shown.setMask(QBitmap::fromImage(
        image.createMaskFromColor(image.pixel(0, image.height() - 1), Qt::MaskInColor)));
    button.setIcon(QIcon(shown));
    button.setIconSize(glyph.size());
}

void TBitBtn::SetGlyph(const QPixmap& glyph) {
    glyph_ = glyph;
    ShowGlyph(*this, glyph);
}

void TBitBtn::SetGlyphSize(int width, int height) {
    if (glyph_.isNull()) return;
    SetGlyph(glyph_.copy(0, 0, width, height));
}

namespace {
constexpr int kBitBtnBorder = 3;   // the bevel and a pixel of air
constexpr int kBitBtnSpacing = 4;  // between glyph and caption when there is room
}  // namespace

TBitBtn::BitBtnLayout TBitBtn::Layout() const {
    BitBtnLayout out;
    const QRect inside = rect().adjusted(kBitBtnBorder, kBitBtnBorder, -kBitBtnBorder, -kBitBtnBorder);
    out.font = font();
    out.text = text();
    const QString plain = QString(out.text).remove(QLatin1Char('&'));
    const int gw = icon().isNull() ? 0 : iconSize().width();
    const int gh = icon().isNull() ? 0 : iconSize().height();
    int tw = QFontMetrics(out.font).horizontalAdvance(plain);
    int spacing = gw > 0 && tw > 0 ? kBitBtnSpacing : 0;
    if (gw + spacing + tw > inside.width() && spacing > 0) spacing = std::max(1, inside.width() - gw - tw);
    if (gw + spacing + tw > inside.width() && out.font.pixelSize() > 0) {
        for (int px = out.font.pixelSize() - 1; px >= 8 && gw + spacing + tw > inside.width(); --px) {
            out.font.setPixelSize(px);
            tw = QFontMetrics(out.font).horizontalAdvance(plain);
        }
    }
    const QFontMetrics fm(out.font);
    if (gw + spacing + tw > inside.width()) {
        out.text = fm.elidedText(plain, Qt::ElideRight, std::max(0, inside.width() - gw - spacing));
        tw = fm.horizontalAdvance(out.text);
    }
    const int x = inside.left() + std::max(0, (inside.width() - (gw + spacing + tw)) / 2);
    out.glyph = QRect(x, inside.top() + (inside.height() - gh) / 2, gw, gh);
    out.caption = QRect(x + gw + spacing, inside.top(), tw, inside.height());
    return out;
}

QRect TBitBtn::GlyphRect() const { return Layout().glyph; }

QRect TBitBtn::CaptionRect() const { return Layout().caption; }

QFont TBitBtn::CaptionFont() const { return Layout().font; }

void TBitBtn::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    opt.icon = QIcon();
    p.drawControl(QStyle::CE_PushButtonBevel, opt);
    const BitBtnLayout layout = Layout();
    if (!layout.glyph.isEmpty())
        p.drawPixmap(layout.glyph.topLeft(), icon().pixmap(iconSize(), isEnabled() ? QIcon::Normal : QIcon::Disabled));
    p.setFont(layout.font);
    p.drawItemText(layout.caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, palette(), isEnabled(),
                   layout.text, QPalette::ButtonText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = layout.caption.adjusted(-1, 0, 1, 0);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}
