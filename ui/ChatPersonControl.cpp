#include "ui/ChatPersonControl.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
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

QSize TChatPerson::TextSize(const QString& text) const {
    if (text.isEmpty()) return QSize(0, 0);
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(text), fm.height());
}

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
    const std::string gotoHint = u8"Открыть анкету"_cp;
    const std::string letterHint = u8"Новое сообщение"_cp;
    const bool connected = state_ == psConnected;
    const std::string stateHint = connected ? u8"Сейчас на сайте"_cp.str() : u8"Недоступен"_cp.str();
    const QColor nameInk = intim_ ? kRed : kBlack;
    // Texts are converted for Qt when they are measured or painted: a list keeps thousands of cards.
    const QString fullNameQ = ToQString(fullName_);
    const QString personNameQ = ToQString(personName_);
    const std::string countText = shownCount_ > 0 ? std::to_string(shownCount_) + u8" фото"_cp.str() : std::string();
    if (row) {
        add("imgShortInfo", panel, QRect(5, 3, 16, 16), true, rowIcon_, stateHint, "", QColor(), true);
        add("lbPersonName", panel, QRect(QPoint(21, 3), TextSize(fullNameQ)), true, "", "", fullName_, nameInk,
            true);
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
    add("lbPersonName1", "pnTop", QRect(QPoint(3, 3), TextSize(personNameQ)), true, "", "", personName_,
        intim_ ? kDarkRed : kBlack, true);
    add("imgTopRight", panel, QRect(W - 8, 0, 8, 23), true, "TOPRIGHT", "", "", QColor(), false);
    add("pnLeftBorder", panel, QRect(1, 8, 1, H - 16), true, "", "", "", kGrey, false);
    add("pnRightBorder", panel, QRect(W - 2, 8, 1, H - 16), true, "", "", "", kGrey, false);
    add("pnBottomBorder", panel, QRect(8, H - 2, W - 16, 1), true, "", "", "", kGrey, false);
    add("imgBottomLeft", panel, QRect(0, H - 8, 8, 8), true, "BOTTOMLEFT", "", "", QColor(), false);
    add("imgBottomRight", panel, QRect(W - 8, H - 8, 8, 8), true, "RIGHTBOTTOM", "", "", QColor(), false);
    add("imgFullInfo", panel, QRect(6, 26, 46, 62), true, photoIsDefault_ ? "NOPHOTO" : "", "", "", kWhite, false);
    add("lbPersonName2", panel, QRect(57, 26, W - 100, 52), true, "", "", fullName_, nameInk, true);
    add("imgVoice", panel, QRect(W - 42, 26, 16, 16), withVoice_, "VOICE", u8"С голосовым приветствием"_cp, "",
        QColor(), true);
    add("imgVIP", panel, QRect(W - 24, 26, 16, 16), vipUser_, "VIP", u8"VIP-пользователь"_cp, "", QColor(), true);
    add("lbPhotoCount", panel, QRect(QPoint(57, 64), TextSize(ToQString(countText))), shownCount_ > 0, "", "",
        countText, kBlack, true);
    const QString intimText = ToQString(u8"Интим за деньги"_cp);
    add("lbIntim", panel, QRect(QPoint(57, 77), TextSize(intimText)), intim_, "", "", u8"Интим за деньги"_cp, kRed,
        true);
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
                const QString text = ToQString(e.text);
                p.save();
                if (e.name == "lbPersonName1") p.setClipRect(QRect(18, 3, width() - 26, 20));
                const int flags = e.name == "lbPersonName2" ? (Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap)
                                                            : (Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine);
                p.drawText(e.name == "lbPersonName2" ? r : QRect(r.topLeft(), QSize(r.width() + 1, r.height())), flags,
                           text);
                p.restore();
            }
        }
    } catch (...) {
    }
}

void TChatPerson::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressed_ = ElementAt(event->position().toPoint());
    TPanel::mousePressEvent(event);
}

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
