#pragma once
// The contact card. Collapsed it is a 20-pixel row (state icon, name with age and area, profile
// link, small envelope); expanded a 120-pixel card with a rounded frame, a green title bar, the
// photo, the full name, the marks, the profile link and the delete basket.
//
// A list holds thousands of cards, so a card is one widget that paints its elements itself
// instead of one widget per element. Each element keeps its place, size, bitmap, hint and click
// behaviour as the card's layout gives them; Element() reads them back. Texts are plain text,
// never markup.
#include <QColor>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Events.h"
#include "platform/graphics/Graphic.h"
#include "platform/gui/ExtCtrls.h"

enum TChatPersonStyle { cpShort, cpSelected, cpFull };
enum TPersonState { psAbsent, psConnected };

// One element of the card as it stands now. Place and size are in the coordinates of the panel
// that holds it: "pnShortInfo" (the row), "pnFullInfo" (the card) or "pnTop" (the title bar).
struct TCardElement {
    std::string name;
    std::string panel;
    QRect rect;
    bool visible = false;   // the element's own flag
    bool showing = false;   // visible, and its panel is the one shown
    std::string bitmap;     // resource name shown, '' for none (lines, texts, the photo once set)
    std::string hint;       // cp1251, '' for none; a name cut short has its whole text here
    std::string text;       // cp1251, for the texts
    std::string shown;      // cp1251, the text as drawn: lines split by '\n', cut short with "…"
    QRect drawn;            // where the shown text is drawn, in the coordinates of rect
    QColor color;           // the ink of a text, the fill of a line or bar
    bool transparent = false;
};

class TChatPerson : public TPanel {
    Q_OBJECT
public:
    explicit TChatPerson(QWidget* owner = nullptr);
    ~TChatPerson() override;
    std::string ClassName() const override { return "TChatPerson"; }

    TChatPersonStyle ChatPersonStyle() const { return style_; }
    void SetChatPersonStyle(TChatPersonStyle value);
    TPersonState PersonState() const { return state_; }
    void SetPersonState(TPersonState value);
    std::string PersonName() const { return personName_; }
    void SetPersonName(std::string_view value);
    std::string FullName() const { return fullName_; }
    void SetFullName(std::string_view value);
    // Reading gives the photo's picture; writing copies the given picture's bitmap into it.
    TPicture& PersonPicture();
    void SetPersonPicture(TPicture* value);
    const std::string& URL() const { return url_; }
    void SetURL(std::string_view value) { url_ = std::string(value); }
    bool Letter() const { return letter_; }
    void SetLetter(bool value);
    bool VipUser() const { return vipUser_; }
    void SetVipUser(bool value);
    bool WithVoice() const { return withVoice_; }
    void SetWithVoice(bool value);
    bool Intim() const { return intim_; }
    void SetIntim(bool value);
    int PhotoCount() const { return photoCount_; }
    // Above 0 shows the count; 0 or less changes nothing.
    void SetPhotoCount(int value);
    bool BasketVisible() const { return basketVisible_; }
    void SetBasketVisible(bool value);

    bool PhotoLoaded = false;

    TNotifyEvent OnPersonClick;
    TNotifyEvent OnQuestionnaireClick;
    TNotifyEvent OnBasketClick;
    TNotifyEvent OnDelete;

    // Fires OnDelete when assigned, otherwise the card frees itself; an error is ignored.
    void Delete();

    // While a click or Delete of this card runs its handlers (which may open a modal box), the
    // card must outlive them: a list that lets go of it meanwhile detaches it instead, and the
    // card frees itself once they have returned.
    bool Dispatching() const { return dispatching_ > 0; }
    void Detach();
    bool Detached() const { return detached_; }
    // Counts a dispatch for the life of the guard.
    class DispatchGuard {
    public:
        explicit DispatchGuard(TChatPerson* card);
        ~DispatchGuard();
        DispatchGuard(const DispatchGuard&) = delete;
        DispatchGuard& operator=(const DispatchGuard&) = delete;

    private:
        QPointer<TChatPerson> card_;
    };

    // The element of that name; an unknown name gives an element with an empty name.
    TCardElement Element(std::string_view name) const;
    // Every element in painting order (later ones lie over earlier ones).
    std::vector<TCardElement> Elements() const;
    // The element that a click at this point of the card lands on, '' for none.
    std::string ElementAt(QPoint point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // The second press of a double click is not a second click.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void ApplyState();
    void Clicked(const std::string& element);
    void Collect(std::vector<TCardElement>& out, bool row) const;

    TChatPersonStyle style_ = cpShort;
    TPersonState state_ = psAbsent;
    std::string rowIcon_ = "ABSENT";
    std::string personName_, fullName_, url_;
    int shownCount_ = 0;  // the count lbPhotoCount shows; 0 while it shows nothing
    TPicture photo_;
    mutable QImage photoImage_;
    mutable bool photoValid_ = false;
    bool photoIsDefault_ = true;  // "NOPHOTO" shown; loaded into photo_ only when it is read
    bool loadingDefault_ = false;
    bool letter_ = false, vipUser_ = false, withVoice_ = false, intim_ = false;
    int photoCount_ = 0;
    bool basketVisible_ = true;
    std::string pressed_;
    int dispatching_ = 0;
    bool detached_ = false;
};
