#include "ui/ChatPersonControl.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>
#include <QTextLayout>
#include <QToolTip>
#include <algorithm>
#include <map>

#include "platform/CpLiteral.h"
#include "platform/graphics/Bitmap.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmaps.h"
#include "platform/gui/QtText.h"
#include "platform/gui/TImage.h"
#include "platform/qtimage/QtImage.h"

namespace {

const QColor kWhite(255, 255, 255);
const QColor kGreen(102, 204, 153);
const QColor kGrey(160, 160, 164);
const QColor kRed(235, 100, 100);
const QColor kDarkRed(146, 51, 51);
const QColor kBlack(0, 0, 0);
constexpr int kFullHeight = 120;
constexpr int kShortHeight = 20;

// The card bitmaps, loaded once for every card; a transparent one keyed on its bottom-left pixel.
const QImage& CardBitmap(const std::string& name, bool transparent) {
    static std::map<std::string, QImage> plain, keyed;
    auto& cache = transparent ? keyed : plain;
    auto it = cache.find(name);
    if (it != cache.end()) return it->second;
    QImage img;
    try {
        img = LoadBitmapResource(name).toImage().convertToFormat(QImage::Format_ARGB32);
    } catch (...) {
        // A missing piece shows nothing; the card still works.
    }
    if (transparent) img = KeyColourTransparent(img);
    return cache.emplace(name, std::move(img)).first->second;
}

// True when the widget lies wholly outside one of its ancestors (the list's scrolled-off part).
bool OutOfSight(const QWidget* w) {
    QRect r = w->rect();
    for (; !w->isWindow() && w->parentWidget(); w = w->parentWidget()) {
        r = r.translated(w->pos()) & w->parentWidget()->rect();
        if (r.isEmpty()) return true;
    }
    return false;
}

bool IsPersonClick(const std::string& e) {
    return e == "pnShortInfo" || e == "lbPersonName" || e == "imgShortInfo" || e == "pnTop" || e == "lbPersonName1" ||
           e == "imgShortInfo1" || e == "imgTopRight";
}

}  // namespace

TChatPerson::TChatPerson(QWidget* owner) : TPanel(owner) {
    SetBevelOuter(bvNone);
    SetColor(kWhite);
    setFocusPolicy(Qt::ClickFocus);
    resize(width(), kShortHeight);
    photo_.OnChange = [this](TObject*) {
        photoValid_ = false;
        if (loadingDefault_) return;
        photoIsDefault_ = false;
        update();
    };
}

TChatPerson::~TChatPerson() { photo_.OnChange = nullptr; }

void TChatPerson::SetChatPersonStyle(TChatPersonStyle value) {
    style_ = value;
    resize(width(), value == cpFull ? kFullHeight : kShortHeight);
    ApplyState();
    update();
}

void TChatPerson::SetPersonState(TPersonState value) {
    state_ = value;
    ApplyState();
    update();
}

void TChatPerson::ApplyState() {
    const bool connected = state_ == psConnected;
    // The row icon changes only while the row is shown (the corner always follows the state).
    if (style_ == cpShort)
        rowIcon_ = connected ? "CONNECTED" : "ABSENT";
    else if (style_ == cpSelected)
        rowIcon_ = connected ? "CONNECTEDSELECTED" : "ABSENTSELECTED";
}

void TChatPerson::SetPersonName(std::string_view value) {
    personName_ = std::string(value);
    update();
}

void TChatPerson::SetFullName(std::string_view value) {
    fullName_ = std::string(value);
    update();
}

TPicture& TChatPerson::PersonPicture() {
    // Thousands of cards share the one "NOPHOTO" until a photo is read or set.
    if (photoIsDefault_ && !photo_.Graphic()) {
        loadingDefault_ = true;
        try {
            TBitmap nophoto;
            QImageToBitmap(LoadBitmapResource("NOPHOTO").toImage(), nophoto);
            photo_.SetBitmap(&nophoto);
        } catch (...) {
        }
        loadingDefault_ = false;
    }
    return photo_;
}

void TChatPerson::SetPersonPicture(TPicture* value) {
    if (value) photo_.Bitmap()->Assign(value->Bitmap());
}

void TChatPerson::SetLetter(bool value) {
    letter_ = value;
    update();
}

void TChatPerson::SetVipUser(bool value) {
    vipUser_ = value;
    update();
}

void TChatPerson::SetWithVoice(bool value) {
    withVoice_ = value;
    update();
}

void TChatPerson::SetIntim(bool value) {
    intim_ = value;
    update();
}

void TChatPerson::SetPhotoCount(int value) {
    photoCount_ = value;
    if (value <= 0) return;
    shownCount_ = value;
    update();
}

void TChatPerson::SetBasketVisible(bool value) {
    basketVisible_ = value;
    update();
}

TChatPerson::DispatchGuard::DispatchGuard(TChatPerson* card) : card_(card) {
    if (card) ++card->dispatching_;
}

TChatPerson::DispatchGuard::~DispatchGuard() {
    if (!card_) return;
    if (--card_->dispatching_ == 0 && card_->detached_) card_->deleteLater();
}

void TChatPerson::Detach() {
    detached_ = true;
    hide();
    if (dispatching_ == 0) deleteLater();
}

void TChatPerson::Delete() {
    DispatchGuard guard(this);
    try {
        if (OnDelete) {
            OnDelete(this);
        } else {
            hide();
            deleteLater();
        }
    } catch (...) {
    }
}

namespace {

constexpr int kAir = 2;  // between a name and the element beside it

// A text on one line as drawn within room pixels: whole, or cut short with "…".
struct TShownText {
    QString text;
    QSize size;
    bool cut = false;
    bool asGiven = true;  // the text unchanged: one line, not cut
};

TShownText OneLine(const QString& text, const QFontMetrics& fm, int room) {
    TShownText out;
    if (text.isEmpty()) return out;
    out.text = text;
    int w = fm.horizontalAdvance(text);
    if (w > room) {
        out.text = fm.elidedText(text, Qt::ElideRight, std::max(0, room));
        out.cut = true;
        out.asGiven = false;
        w = fm.horizontalAdvance(out.text);
    }
    out.size = QSize(w, fm.height());
    return out;
}

// A text wrapped at word boundaries (within a word when one word is wider than the room) into
// at most maxLines lines; the last line is cut short when text remains.
TShownText Wrapped(const QString& text, const QFont& font, int room, int maxLines) {
    TShownText out;
    out.asGiven = false;
    if (text.isEmpty() || maxLines < 1) {
        out.cut = !text.isEmpty();
        return out;
    }
    const QFontMetrics fm(font);
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(room);
        if (static_cast<int>(lines.size()) + 1 == maxLines) {
            const QString rest = text.mid(line.textStart());
            const TShownText last = OneLine(rest, fm, room);
            lines << last.text;
            out.cut = last.cut;
            break;
        }
        lines << text.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    int w = 0;
    for (QString& l : lines) {
        // A line broken at a blank keeps the blank; it is not drawn.
        while (l.size() > 1 && l.endsWith(QLatin1Char(' '))) l.chop(1);
        w = std::max(w, fm.horizontalAdvance(l));
    }
    out.text = lines.join(QLatin1Char('\n'));
    const int n = static_cast<int>(lines.size());
    out.size = QSize(w, n > 0 ? (n - 1) * fm.lineSpacing() + fm.height() : 0);
    return out;
}

}  // namespace

void TChatPerson::Collect(std::vector<TCardElement>& out, bool row) const {
    const int W = width();
    const bool panelShown = row ? style_ != cpFull : style_ == cpFull;
    const char* panel = row ? "pnShortInfo" : "pnFullInfo";
    auto add = [&](const char* name, const char* in, QRect r, bool visible, std::string bitmap, std::string hint,
                   std::string text, QColor color, bool transparent) {
        TCardElement e;
        e.name = name;
        e.panel = in;
        e.rect = r;
        e.visible = visible;
        e.showing = visible && panelShown;
        e.bitmap = std::move(bitmap);
        e.hint = std::move(hint);
        e.text = std::move(text);
        e.color = color;
        e.transparent = transparent;
        out.push_back(std::move(e));
    };
    // A text element: the shown text and where it is drawn; a name cut short shows whole as its hint.
    auto addText = [&](const char* name, const char* in, QRect r, bool visible, const std::string& text,
                       const TShownText& shown, QPoint at, QColor color) {
        add(name, in, r, visible, "", shown.cut ? text : std::string(), text, color, true);
        out.back().shown = shown.asGiven ? text : FromQString(shown.text);
        out.back().drawn = QRect(at, shown.size);
    };
    const std::string gotoHint = u8"Открыть анкету"_cp;
    const std::string letterHint = u8"Новое сообщение"_cp;
    const bool connected = state_ == psConnected;
    const std::string stateHint = connected ? u8"Сейчас на сайте"_cp.str() : u8"Недоступен"_cp.str();
    const QColor nameInk = intim_ ? kRed : kBlack;
    const QFontMetrics fm(font());
    // Texts are converted for Qt when they are measured or painted: a list keeps thousands of cards.
    const std::string countText = shownCount_ > 0 ? std::to_string(shownCount_) + u8" фото"_cp.str() : std::string();
    if (row) {
        add("imgShortInfo", panel, QRect(5, 3, 16, 16), true, rowIcon_, stateHint, "", QColor(), true);
        // The name ends before the profile link.
        const TShownText name = OneLine(ToQString(fullName_), fm, W - 54 - kAir - 21);
        addText("lbPersonName", panel, QRect(QPoint(21, 3), name.size), true, fullName_, name, QPoint(21, 3), nameInk);
        add("imgQuestionnaire", panel, QRect(W - 54, 3, 50, 16), true, "GOTO", gotoHint, "", QColor(), true);
        add("imgNewMessage", panel, QRect(10, 2, 8, 6), letter_ && style_ != cpFull, "LETTERSHORT", letterHint, "",
            QColor(), false);
        return;
    }
    const int H = kFullHeight;
    add("imgShortInfo1", panel, QRect(0, 0, 18, 23), true, connected ? "TOPLEFTCONNECTED" : "TOPLEFTABSENT", stateHint,
        "", QColor(), false);
    add("pnTopBorder", panel, QRect(18, 1, W - 26, 1), true, "", "", "", kGrey, false);
    add("pnTop", panel, QRect(18, 3, W - 26, 20), true, "", "", "", kGreen, false);
    // The title ends within the title bar.
    const TShownText title = OneLine(ToQString(personName_), fm, W - 26 - 3 - kAir);
    addText("lbPersonName1", "pnTop", QRect(QPoint(3, 3), title.size), true, personName_, title, QPoint(3, 3),
            intim_ ? kDarkRed : kBlack);
    add("imgTopRight", panel, QRect(W - 8, 0, 8, 23), true, "TOPRIGHT", "", "", QColor(), false);
    add("pnLeftBorder", panel, QRect(1, 8, 1, H - 16), true, "", "", "", kGrey, false);
    add("pnRightBorder", panel, QRect(W - 2, 8, 1, H - 16), true, "", "", "", kGrey, false);
    add("pnBottomBorder", panel, QRect(8, H - 2, W - 16, 1), true, "", "", "", kGrey, false);
    add("imgBottomLeft", panel, QRect(0, H - 8, 8, 8), true, "BOTTOMLEFT", "", "", QColor(), false);
    add("imgBottomRight", panel, QRect(W - 8, H - 8, 8, 8), true, "RIGHTBOTTOM", "", "", QColor(), false);
    add("imgFullInfo", panel, QRect(6, 26, 46, 62), true, photoIsDefault_ ? "NOPHOTO" : "", "", "", kWhite, false);
    // The full name takes the lines that end above the count or the paid-intimacy mark under it.
    const QRect nameBox(57, 26, W - 100, 52);
    int bottom = nameBox.bottom() + 1;
    if (shownCount_ > 0)
        bottom = std::min(bottom, 64);
    else if (intim_)
        bottom = std::min(bottom, 77);
    const int room = bottom - nameBox.top();
    const int lines = room >= fm.height() ? (room - fm.height()) / fm.lineSpacing() + 1 : 0;
    const TShownText fullName = Wrapped(ToQString(fullName_), font(), nameBox.width(), lines);
    addText("lbPersonName2", panel, nameBox, true, fullName_, fullName, nameBox.topLeft(), nameInk);
    add("imgVoice", panel, QRect(W - 42, 26, 16, 16), withVoice_, "VOICE", u8"С голосовым приветствием"_cp, "",
        QColor(), true);
    add("imgVIP", panel, QRect(W - 24, 26, 16, 16), vipUser_, "VIP", u8"VIP-пользователь"_cp, "", QColor(), true);
    const TShownText count = OneLine(ToQString(countText), fm, W);
    addText("lbPhotoCount", panel, QRect(QPoint(57, 64), count.size), shownCount_ > 0, countText, count, QPoint(57, 64),
            kBlack);
    const std::string intimText = u8"Интим за деньги"_cp;
    const TShownText intim = OneLine(ToQString(intimText), fm, W);
    addText("lbIntim", panel, QRect(QPoint(57, 77), intim.size), intim_, intimText, intim, QPoint(57, 77), kRed);
    add("imgNewMessage1", panel, QRect(18, 95, 19, 14), letter_ && style_ == cpFull, "LETTER", letterHint, "",
        QColor(), false);
    add("imgQuestionnaire1", panel, QRect(W - (basketVisible_ ? 76 : 56), H - 24, 50, 16), true, "GOTO", gotoHint, "",
        QColor(), true);
    add("imgBasket", panel, QRect(W - 24, H - 24, 16, 16), basketVisible_, "BASKETRED", u8"Удалить контакт"_cp, "",
        QColor(), true);
}

std::vector<TCardElement> TChatPerson::Elements() const {
    std::vector<TCardElement> out;
    Collect(out, true);
    Collect(out, false);
    return out;
}

TCardElement TChatPerson::Element(std::string_view name) const {
    for (TCardElement& e : Elements())
        if (e.name == name) return e;
    return TCardElement();
}

namespace {
// Where an element lies in the card: the title bar's label is placed on the title bar.
QRect InCard(const TCardElement& e) { return e.panel == "pnTop" ? e.rect.translated(18, 3) & QRect(18, 3, 10000, 20) : e.rect; }
}  // namespace

std::string TChatPerson::ElementAt(QPoint point) const {
    std::vector<TCardElement> elements;
    const bool row = style_ != cpFull;
    Collect(elements, row);
    for (auto it = elements.rbegin(); it != elements.rend(); ++it)
        if (it->showing && InCard(*it).contains(point)) return it->name;
    return row ? "pnShortInfo" : "pnFullInfo";
}

void TChatPerson::paintEvent(QPaintEvent*) {
    // Painting is a Qt callback: nothing may leave it.
    try {
        QPainter p(this);
        const bool row = style_ != cpFull;
        p.fillRect(rect(), style_ == cpSelected ? kGreen : kWhite);
        std::vector<TCardElement> elements;
        Collect(elements, row);
        p.setFont(font());
        for (const TCardElement& e : elements) {
            if (!e.showing) continue;
            const QRect r = InCard(e);
            if (e.name == "imgFullInfo") {
                p.fillRect(r, kWhite);
                QImage shown;
                if (photoIsDefault_) {
                    shown = CardBitmap("NOPHOTO", false);
                } else {
                    if (!photoValid_) {
                        TBitmap* b = dynamic_cast<TBitmap*>(photo_.Graphic());
                        photoImage_ = b ? BitmapToQImage(*b) : QImage();
                        // A portrait larger than the frame is shown whole, not as its corner.
                        if (!photoImage_.isNull() &&
                            (photoImage_.width() > r.width() || photoImage_.height() > r.height()))
                            photoImage_ = photoImage_.scaled(r.size(), Qt::KeepAspectRatio,
                                                             Qt::SmoothTransformation);
                        photoValid_ = true;
                    }
                    shown = photoImage_;
                }
                p.save();
                p.setClipRect(r);
                if (!shown.isNull()) p.drawImage(r.topLeft(), shown);
                p.restore();
            } else if (!e.bitmap.empty()) {
                p.drawImage(r.topLeft(), CardBitmap(e.bitmap, e.transparent));
            } else if (e.name.rfind("pn", 0) == 0) {
                p.fillRect(r, e.color);
            } else if (e.name.rfind("lb", 0) == 0) {
                p.setPen(e.color);
                const QPoint at = e.panel == "pnTop" ? e.drawn.topLeft() + QPoint(18, 3) : e.drawn.topLeft();
                const QStringList lines = ToQString(e.shown).split(QLatin1Char('\n'));
                const int step = p.fontMetrics().lineSpacing();
                for (int i = 0; i < static_cast<int>(lines.size()); ++i)
                    p.drawText(QRect(at.x(), at.y() + i * step, e.drawn.width() + 1, p.fontMetrics().height()),
                               Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, lines[i]);
            }
        }
    } catch (...) {
    }
}

void TChatPerson::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressed_ = ElementAt(event->position().toPoint());
    TPanel::mousePressEvent(event);
}

void TChatPerson::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void TChatPerson::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    std::string element;
    element.swap(pressed_);
    if (!element.empty() && ElementAt(event->position().toPoint()) == element) Clicked(element);
}

void TChatPerson::Clicked(const std::string& element) {
    // The handler may rebuild the list: the card stays until the guard goes.
    DispatchGuard guard(this);
    if (IsPersonClick(element)) {
        if (OnPersonClick) GuardedCall([&] { OnPersonClick(this); });
    } else if (element == "imgQuestionnaire" || element == "imgQuestionnaire1") {
        if (OnQuestionnaireClick) GuardedCall([&] { OnQuestionnaireClick(this); });
    } else if (element == "imgBasket") {
        try {
            if (OnBasketClick) OnBasketClick(this);
        } catch (...) {
        }
    }
}

bool TChatPerson::event(QEvent* event) {
    // Each card shown with its pane asks to be repainted, and each such card walks all its siblings
    // when the window repaints: with thousands of cards that grows with the square of the count.
    // A card out of sight has nothing to repaint; scrolling it into sight repaints it with its panel.
    if (event->type() == QEvent::UpdateLater && OutOfSight(this)) return true;
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const std::string name = ElementAt(help->pos());
        const std::string hint = Element(name).hint;
        if (hint.empty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), ToQString(hint), this);
        return true;
    }
    return TPanel::event(event);
}
