// The contact card: its elements at two sizes, its states and marks, and which clicks count.
#include <QFontMetrics>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <memory>

#include "platform/CpLiteral.h"
#include "platform/graphics/Bitmap.h"
#include "platform/gui/QtText.h"
#include "ui/ChatPersonControl.h"
#include "UiTestSupport.h"

namespace {

struct Want {
    const char* name;
    const char* panel;
    QRect rect;  // text elements: only the place is compared
    const char* bitmap;
    std::string hint;
    bool text = false;
};

// The card's layout as the element table gives it, for a card W wide (the card panel 120 high).
std::vector<Want> Layout(int W) {
    const int H = 120;
    const std::string absent = u8"Недоступен"_cp, go = u8"Открыть анкету"_cp, letter = u8"Новое сообщение"_cp;
    return {
        {"imgShortInfo", "pnShortInfo", QRect(5, 3, 16, 16), "ABSENT", absent},
        {"lbPersonName", "pnShortInfo", QRect(21, 3, 0, 0), "", "", true},
        {"imgQuestionnaire", "pnShortInfo", QRect(W - 54, 3, 50, 16), "GOTO", go},
        {"imgNewMessage", "pnShortInfo", QRect(10, 2, 8, 6), "LETTERSHORT", letter},
        {"imgShortInfo1", "pnFullInfo", QRect(0, 0, 18, 23), "TOPLEFTABSENT", absent},
        {"pnTopBorder", "pnFullInfo", QRect(18, 1, W - 26, 1), "", ""},
        {"pnTop", "pnFullInfo", QRect(18, 3, W - 26, 20), "", ""},
        {"lbPersonName1", "pnTop", QRect(3, 3, 0, 0), "", "", true},
        {"imgTopRight", "pnFullInfo", QRect(W - 8, 0, 8, 23), "TOPRIGHT", ""},
        {"pnLeftBorder", "pnFullInfo", QRect(1, 8, 1, H - 16), "", ""},
        {"pnRightBorder", "pnFullInfo", QRect(W - 2, 8, 1, H - 16), "", ""},
        {"pnBottomBorder", "pnFullInfo", QRect(8, H - 2, W - 16, 1), "", ""},
        {"imgBottomLeft", "pnFullInfo", QRect(0, H - 8, 8, 8), "BOTTOMLEFT", ""},
        {"imgBottomRight", "pnFullInfo", QRect(W - 8, H - 8, 8, 8), "RIGHTBOTTOM", ""},
        {"imgFullInfo", "pnFullInfo", QRect(6, 26, 46, 62), "NOPHOTO", ""},
        {"lbPersonName2", "pnFullInfo", QRect(57, 26, W - 100, 52), "", ""},
        {"imgVoice", "pnFullInfo", QRect(W - 42, 26, 16, 16), "VOICE", u8"С голосовым приветствием"_cp},
        {"imgVIP", "pnFullInfo", QRect(W - 24, 26, 16, 16), "VIP", u8"VIP-пользователь"_cp},
        {"lbPhotoCount", "pnFullInfo", QRect(57, 64, 0, 0), "", "", true},
        {"lbIntim", "pnFullInfo", QRect(57, 77, 0, 0), "", "", true},
        {"imgNewMessage1", "pnFullInfo", QRect(18, 95, 19, 14), "LETTER", letter},
        {"imgQuestionnaire1", "pnFullInfo", QRect(W - 76, H - 24, 50, 16), "GOTO", go},
        {"imgBasket", "pnFullInfo", QRect(W - 24, H - 24, 16, 16), "BASKETRED", u8"Удалить контакт"_cp},
    };
}

void ExpectLayout(const TChatPerson& card, int W) {
    const std::vector<TCardElement> got = card.Elements();
    const std::vector<Want> want = Layout(W);
    ASSERT_EQ(want.size(), got.size());
    for (size_t i = 0; i < want.size(); ++i) {
        const Want& w = want[i];
        const TCardElement& g = got[i];
        EXPECT_EQ(w.name, g.name);
        EXPECT_EQ(w.panel, g.panel) << w.name;
        if (w.text)
            EXPECT_EQ(w.rect.topLeft(), g.rect.topLeft()) << w.name << " W=" << W;
        else
            EXPECT_EQ(w.rect, g.rect) << w.name << " W=" << W;
        EXPECT_EQ(w.bitmap, g.bitmap) << w.name;
        EXPECT_EQ(w.hint, g.hint) << w.name;
    }
}

std::unique_ptr<TChatPerson> MakeCard(int width) {
    auto card = std::make_unique<TChatPerson>();
    card->resize(width, card->height());
    return card;
}

QPoint Centre(const TChatPerson& card, const char* name) {
    TCardElement e = card.Element(name);
    QRect r = e.rect;
    if (e.panel == "pnTop") r.translate(18, 3);
    return r.center();
}

}  // namespace

TEST(ChatPersonTest, ANewCardIsAShortAbsentRowWithNoMarks) {
    TChatPerson card;
    EXPECT_EQ(cpShort, card.ChatPersonStyle());
    EXPECT_EQ(psAbsent, card.PersonState());
    EXPECT_EQ(20, card.height());
    EXPECT_FALSE(card.Letter() || card.VipUser() || card.WithVoice() || card.Intim() || card.PhotoLoaded);
    EXPECT_EQ(0, card.PhotoCount());
    EXPECT_TRUE(card.BasketVisible());
    for (const char* hidden : {"imgNewMessage", "imgNewMessage1", "imgVoice", "imgVIP", "lbPhotoCount", "lbIntim"})
        EXPECT_FALSE(card.Element(hidden).visible) << hidden;
    EXPECT_TRUE(card.Element("imgShortInfo").showing);
    EXPECT_FALSE(card.Element("imgShortInfo1").showing);
    EXPECT_EQ("NOPHOTO", card.Element("imgFullInfo").bitmap);
    EXPECT_EQ(QSize(46, 62), QSize(card.PersonPicture().Width(), card.PersonPicture().Height()));
    EXPECT_EQ("", card.Element("imgNothing").name);
}

TEST(ChatPersonTest, TheElementTableHoldsAtTwoSizes) {
    for (int W : {308, 686}) {
        auto card = MakeCard(150);
        card->SetChatPersonStyle(cpFull);
        card->resize(W, card->height());
        ExpectLayout(*card, W);
        EXPECT_TRUE(card->Element("imgBasket").showing);
        EXPECT_FALSE(card->Element("imgShortInfo").showing);
        card->SetChatPersonStyle(cpShort);
        EXPECT_TRUE(card->Element("imgQuestionnaire").showing);
    }
    // The basket hidden while the card is collapsed; the card widened and then opened.
    auto card = MakeCard(308);
    card->SetBasketVisible(false);
    card->resize(500, card->height());
    card->SetChatPersonStyle(cpFull);
    EXPECT_EQ(QRect(500 - 56, 96, 50, 16), card->Element("imgQuestionnaire1").rect);
    EXPECT_FALSE(card->Element("imgBasket").visible);
    EXPECT_FALSE(card->BasketVisible());
    // The profile link sits 6 pixels from the right edge without the basket, 26 with it.
    EXPECT_EQ(6, 500 - card->Element("imgQuestionnaire1").rect.right() - 1);
    card->SetBasketVisible(true);
    EXPECT_EQ(26, 500 - card->Element("imgQuestionnaire1").rect.right() - 1);
}

TEST(ChatPersonTest, TheStateChangesTheCornerAtOnceAndTheRowIconOnCollapse) {
    auto card = MakeCard(308);
    card->SetChatPersonStyle(cpFull);
    card->SetPersonState(psConnected);
    EXPECT_EQ("TOPLEFTCONNECTED", card->Element("imgShortInfo1").bitmap);
    EXPECT_EQ(u8"Сейчас на сайте"_cp, card->Element("imgShortInfo1").hint);
    EXPECT_EQ("ABSENT", card->Element("imgShortInfo").bitmap);
    EXPECT_EQ(u8"Сейчас на сайте"_cp, card->Element("imgShortInfo").hint);
    card->SetChatPersonStyle(cpShort);
    EXPECT_EQ("CONNECTED", card->Element("imgShortInfo").bitmap);
    card->SetChatPersonStyle(cpSelected);
    EXPECT_EQ("CONNECTEDSELECTED", card->Element("imgShortInfo").bitmap);
    EXPECT_EQ(20, card->height());
    card->SetPersonState(psAbsent);
    EXPECT_EQ("ABSENTSELECTED", card->Element("imgShortInfo").bitmap);
    EXPECT_EQ("TOPLEFTABSENT", card->Element("imgShortInfo1").bitmap);
    EXPECT_EQ(u8"Недоступен"_cp, card->Element("imgShortInfo1").hint);
}

TEST(ChatPersonTest, TheSmallAndBigEnvelopesAreNeverShownTogether) {
    auto card = MakeCard(308);
    for (bool letter : {true, false, true})
        for (TChatPersonStyle style : {cpShort, cpFull, cpSelected, cpFull, cpShort}) {
            card->SetLetter(letter);
            card->SetChatPersonStyle(style);
            const bool small = card->Element("imgNewMessage").showing;
            const bool big = card->Element("imgNewMessage1").showing;
            EXPECT_FALSE(small && big);
            EXPECT_EQ(letter && style != cpFull, small);
            EXPECT_EQ(letter && style == cpFull, big);
            EXPECT_EQ(letter, card->Letter());
        }
}

TEST(ChatPersonTest, MarksCountAndNameColours) {
    auto card = MakeCard(308);
    card->SetChatPersonStyle(cpFull);
    card->SetPhotoCount(3);
    TCardElement count = card->Element("lbPhotoCount");
    EXPECT_TRUE(count.showing);
    EXPECT_EQ(u8"3 фото"_cp, count.text);
    for (int v : {0, -1}) {
        card->SetPhotoCount(v);
        EXPECT_EQ(u8"3 фото"_cp, card->Element("lbPhotoCount").text);
        EXPECT_TRUE(card->Element("lbPhotoCount").showing);
    }
    card->SetVipUser(true);
    card->SetWithVoice(true);
    EXPECT_TRUE(card->Element("imgVIP").showing);
    EXPECT_TRUE(card->Element("imgVoice").showing);
    EXPECT_FALSE(card->Element("lbIntim").visible);
    card->SetIntim(true);
    EXPECT_TRUE(card->Element("lbIntim").showing);
    EXPECT_EQ(u8"Интим за деньги"_cp, card->Element("lbIntim").text);
    EXPECT_EQ(QColor(235, 100, 100), card->Element("lbIntim").color);
    EXPECT_EQ(QColor(235, 100, 100), card->Element("lbPersonName").color);
    EXPECT_EQ(QColor(235, 100, 100), card->Element("lbPersonName2").color);
    EXPECT_EQ(QColor(146, 51, 51), card->Element("lbPersonName1").color);
    card->SetIntim(false);
    EXPECT_FALSE(card->Element("lbIntim").visible);
    for (const char* n : {"lbPersonName", "lbPersonName1", "lbPersonName2"})
        EXPECT_EQ(QColor(0, 0, 0), card->Element(n).color) << n;
    EXPECT_EQ(QColor(102, 204, 153), card->Element("pnTop").color);
    EXPECT_EQ(QColor(160, 160, 164), card->Element("pnLeftBorder").color);

    TChatPerson zero;
    zero.SetPhotoCount(0);
    EXPECT_FALSE(zero.Element("lbPhotoCount").visible);
    EXPECT_EQ("", zero.Element("lbPhotoCount").text);
}

TEST(ChatPersonTest, NamesAreShownExactlyAsWrittenAndPaintedAsPlainText) {
    const std::string name = u8"<b>Маша</b> &amp; <img src=x>"_cp;
    auto card = MakeCard(308);
    card->SetPersonName(name);
    card->SetFullName(name + ", 25");
    EXPECT_EQ(name, card->PersonName());
    EXPECT_EQ(name + ", 25", card->FullName());
    EXPECT_EQ(name, card->Element("lbPersonName1").text);
    EXPECT_EQ(name + ", 25", card->Element("lbPersonName2").text);
    // The row's label fits the raw text, markup and all.
    const QFontMetrics fm(card->font());
    EXPECT_EQ(fm.horizontalAdvance(ToQString(name + ", 25")), card->Element("lbPersonName").rect.width());
}

TEST(ChatPersonTest, OnlyTheListedElementsReactToClicks) {
    auto card = MakeCard(308);
    card->SetVipUser(true);
    card->SetWithVoice(true);
    card->SetIntim(true);
    card->SetLetter(true);
    card->SetPhotoCount(3);
    card->SetPersonName(u8"Маша"_cp);
    card->SetFullName(u8"Маша, 25, Москва"_cp);
    std::map<std::string, int> fired;
    card->OnPersonClick = [&](TObject* s) {
        EXPECT_EQ(card.get(), s);
        ++fired["person"];
    };
    card->OnQuestionnaireClick = [&](TObject* s) {
        EXPECT_EQ(card.get(), s);
        ++fired["questionnaire"];
    };
    card->OnBasketClick = [&](TObject* s) {
        EXPECT_EQ(card.get(), s);
        ++fired["basket"];
    };
    card->show();
    Settle();
    struct Case {
        TChatPersonStyle style;
        const char* element;
        const char* fires;  // "" for nothing
    };
    const Case cases[] = {
        {cpShort, "imgShortInfo", "person"},     {cpShort, "lbPersonName", "person"},
        {cpShort, "imgQuestionnaire", "questionnaire"}, {cpShort, "imgNewMessage", ""},
        {cpFull, "imgShortInfo1", "person"},     {cpFull, "pnTop", "person"},
        {cpFull, "lbPersonName1", "person"},     {cpFull, "imgTopRight", "person"},
        {cpFull, "imgQuestionnaire1", "questionnaire"}, {cpFull, "imgBasket", "basket"},
        {cpFull, "imgFullInfo", ""},             {cpFull, "lbPersonName2", ""},
        {cpFull, "lbPhotoCount", ""},            {cpFull, "lbIntim", ""},
        {cpFull, "imgVIP", ""},                  {cpFull, "imgVoice", ""},
        {cpFull, "imgNewMessage1", ""},          {cpFull, "pnLeftBorder", ""},
        {cpFull, "pnBottomBorder", ""},          {cpFull, "imgBottomLeft", ""},
    };
    for (const Case& c : cases) {
        card->SetChatPersonStyle(c.style);
        fired.clear();
        const QPoint at = Centre(*card, c.element);
        ASSERT_EQ(c.element, card->ElementAt(at)) << c.element;
        QTest::mouseClick(card.get(), Qt::LeftButton, {}, at);
        if (*c.fires) {
            EXPECT_EQ(1, fired[c.fires]) << c.element;
            EXPECT_EQ(1u, fired.size()) << c.element;
        } else {
            EXPECT_TRUE(fired.empty()) << c.element;
        }
    }
    // The row's own background is the person click too; the card's background is nothing.
    card->SetChatPersonStyle(cpShort);
    fired.clear();
    QTest::mouseClick(card.get(), Qt::LeftButton, {}, QPoint(200, 18));
    EXPECT_EQ(1, fired["person"]);
    card->SetChatPersonStyle(cpFull);
    fired.clear();
    QTest::mouseClick(card.get(), Qt::LeftButton, {}, QPoint(150, 105));
    EXPECT_TRUE(fired.empty());
}

TEST(ChatPersonTest, ADoubleClickIsOneClick) {
    auto card = MakeCard(308);
    card->SetFullName(u8"Маша, 25, Москва"_cp);
    int person = 0, questionnaire = 0;
    card->OnPersonClick = [&](TObject*) { ++person; };
    card->OnQuestionnaireClick = [&](TObject*) { ++questionnaire; };
    card->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(card.get()));
    // Through the window, as the platform delivers it: press, release, double click, release.
    QTest::mouseDClick(card->windowHandle(), Qt::LeftButton, {}, Centre(*card, "lbPersonName"));
    QTest::mouseDClick(card->windowHandle(), Qt::LeftButton, {}, Centre(*card, "imgQuestionnaire"));
    EXPECT_EQ(1, person);
    EXPECT_EQ(1, questionnaire);
}

TEST(ChatPersonTest, DeleteFiresOnDeleteOrFreesTheCard) {
    auto card = MakeCard(308);
    int deletes = 0;
    card->OnDelete = [&](TObject*) {
        ++deletes;
        throw Exception("ignored");
    };
    card->Delete();
    EXPECT_EQ(1, deletes);
    QPointer<TChatPerson> alone = new TChatPerson();
    alone->Delete();
    Settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alone.isNull());
}

TEST(ChatPersonTest, ThePaintedCardShowsItsFrameBarAndPhoto) {
    auto card = MakeCard(308);
    card->SetChatPersonStyle(cpFull);
    TBitmap photo;
    photo.SetPixelFormat(pf24bit);
    photo.SetSize(46, 62);
    for (int y = 0; y < 62; ++y)
        for (int x = 0; x < 46; ++x) photo.SetPixel(x, y, 0x3050A0);  // BGR order: blue 0x30, red 0xA0
    TPicture pic;
    pic.SetBitmap(&photo);
    card->SetPersonPicture(&pic);
    EXPECT_EQ("", card->Element("imgFullInfo").bitmap);
    const QImage shot = card->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(qRgb(160, 160, 164), shot.pixel(150, 1));    // pnTopBorder
    EXPECT_EQ(qRgb(102, 204, 153), shot.pixel(300 - 12, 12));  // pnTop
    EXPECT_EQ(qRgb(160, 160, 164), shot.pixel(1, 60));     // pnLeftBorder
    EXPECT_EQ(qRgb(160, 160, 164), shot.pixel(306, 60));   // pnRightBorder
    EXPECT_EQ(qRgb(160, 160, 164), shot.pixel(150, 118));  // pnBottomBorder
    EXPECT_EQ(qRgb(0xA0, 0x50, 0x30), shot.pixel(20, 50));  // the photo
    card->SetChatPersonStyle(cpSelected);
    EXPECT_EQ(qRgb(102, 204, 153), card->grab().toImage().pixel(150, 18));
}
TEST(ChatPersonTest, APhotoLargerThanTheFrameIsShownWholeScaledDown) {
    auto card = MakeCard(308);
    card->SetChatPersonStyle(cpFull);
    // 120x160 as the site serves: the top-left quadrant red, the rest blue.
    TBitmap photo;
    photo.SetPixelFormat(pf24bit);
    photo.SetSize(120, 160);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 120; ++x) photo.SetPixel(x, y, x < 60 && y < 80 ? 0x0000FF : 0xFF0000);
    TPicture pic;
    pic.SetBitmap(&photo);
    card->SetPersonPicture(&pic);
    EXPECT_EQ(120, card->PersonPicture().Width());  // the picture stays as downloaded
    const QImage shot = card->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The frame is at (6, 26), 46x62: red only in its top-left quarter, blue beyond.
    EXPECT_EQ(qRgb(255, 0, 0), shot.pixel(8, 28));
    EXPECT_EQ(qRgb(0, 0, 255), shot.pixel(6 + 40, 26 + 55));
    EXPECT_EQ(qRgb(0, 0, 255), shot.pixel(6 + 40, 26 + 5));
}
