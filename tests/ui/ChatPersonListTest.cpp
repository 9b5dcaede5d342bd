// The card list: rebuilding from a table, re-stacking on clicks, deleting with the question, and
// cards that a rebuild lets go of while the question is open.
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "platform/CpLiteral.h"
#include "platform/gui/TTimer.h"
#include "storage/clFriend.h"
#include "support/gui/GuiTest.h"
#include "ui/ChatPersonListControl.h"
#include "UiTestSupport.h"

namespace {

class CardListTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        table.FileName = "CommonFriends.xml";
        list = std::make_unique<TChatPersonList>();
        list->resize(300, 400);
        list->Friend = &table;
        list->OnSaveChanges = [this](TXMLTable* t) {
            saved.push_back(t);
            if (auto* f = dynamic_cast<TFriend*>(t)) f->Save();
        };
    }
    void TearDown() override {
        list.reset();
        DataModuleTest::TearDown();
    }
    void Load(const std::vector<Rec>& records) {
        WriteFile(table.FileName, FriendsXml(records));
        table.Load();
        list->show();
        Settle();
        list->LoadPersons(-1);
    }
    std::vector<int> Tops() const {
        std::vector<int> out;
        for (TChatPerson* c : list->Cards()) out.push_back(c->y());
        return out;
    }
    void Click(TChatPerson* card) { QTest::mouseClick(card, Qt::LeftButton, {}, card->Element("imgShortInfo").rect.center()); }

    TFriend table;
    std::unique_ptr<TChatPersonList> list;
    std::vector<TXMLTable*> saved;
};

Rec Person(const std::string& name, const std::string& url) {
    Rec r;
    r.name = name;
    r.url = url;
    return r;
}

}  // namespace

TEST_F(CardListTest, AnEmptyTableGivesNoCardsAndKeepsThePanelHeight) {
    const int before = list->pnPersonList->height();
    Load({});
    EXPECT_TRUE(list->Cards().empty());
    EXPECT_EQ(before, list->pnPersonList->height());
    EXPECT_EQ(list->pnPersonList, list->FindComponent<TPanel>("pnPersonList"));
    EXPECT_EQ(QColor(255, 255, 255), list->Color());
}

TEST_F(CardListTest, CardsAreFilledFromTheirRecords) {
    Rec a = Person(u8"Маша"_cp, "http://h/id/masha/");
    a.age = "25";
    a.area = u8"Москва"_cp;
    a.vip = "1";
    a.photos = "3";
    a.voice = "2";
    a.intim = "0";
    a.newMessage = "1";
    Rec b = Person(u8"Оля"_cp, "http://h/id/olya/");
    b.age = "0";
    b.newMessage = "2";
    Load({a, b});
    ASSERT_EQ(2u, list->Cards().size());
    TChatPerson* m = list->Cards()[0];
    EXPECT_EQ(u8"Маша"_cp, m->PersonName());
    EXPECT_EQ(u8"Маша, 25, Москва"_cp, m->FullName());
    EXPECT_EQ("http://h/id/masha/", m->URL());
    EXPECT_TRUE(m->VipUser());
    EXPECT_TRUE(m->WithVoice());
    EXPECT_FALSE(m->Intim());
    EXPECT_EQ(3, m->PhotoCount());
    EXPECT_TRUE(m->Letter());
    EXPECT_TRUE(m->BasketVisible());
    EXPECT_EQ(cpShort, m->ChatPersonStyle());
    TChatPerson* o = list->Cards()[1];
    EXPECT_EQ(u8"Оля"_cp, o->FullName());
    EXPECT_FALSE(o->Letter());
    EXPECT_EQ(QRect(0, 20, list->pnPersonList->width(), 20), o->geometry());
    EXPECT_EQ(44, list->pnPersonList->height());
}

TEST_F(CardListTest, ANamelessRecordLeavesAGapUntilTheFirstClick) {
    Load({Person("A", "u0"), Person("", "u1"), Person("C", "u2")});
    ASSERT_EQ(2u, list->Cards().size());
    EXPECT_EQ((std::vector<int>{0, 40}), Tops());
    Click(list->Cards()[1]);
    EXPECT_EQ((std::vector<int>{0, 20}), Tops());
    EXPECT_EQ(cpFull, list->Cards()[1]->ChatPersonStyle());
    Click(list->Cards()[0]);
    EXPECT_EQ((std::vector<int>{0, 120}), Tops());
    EXPECT_EQ(cpFull, list->Cards()[0]->ChatPersonStyle());
    EXPECT_EQ(cpShort, list->Cards()[1]->ChatPersonStyle());
}

TEST_F(CardListTest, AnOverflowingOpenCardLaysTheCards22PixelsNarrower) {
    Load({Person("A", "u0"), Person("B", "u1"), Person("C", "u2")});
    ASSERT_EQ(64, list->pnPersonList->height());
    const int w = list->pnPersonList->width();
    std::vector<std::string> events;
    list->OnBeginPersonClick = [&](TObject* s) { events.push_back(s == list->Cards()[0] ? "begin" : "?"); };
    list->OnLoadPersonPhoto = [&](TObject* s) { events.push_back(s == list->Cards()[0] ? "photo" : "?"); };
    list->OnEndPersonClick = [&](TObject* s) { events.push_back(s == list->Cards()[0] ? "end" : "?"); };
    Click(list->Cards()[0]);
    EXPECT_EQ((std::vector<int>{0, 120, 140}), Tops());
    for (TChatPerson* c : list->Cards()) EXPECT_EQ(w - 22, c->width());
    EXPECT_EQ(164, list->pnPersonList->height());
    EXPECT_EQ(list->Cards()[0], QApplication::focusWidget());
    // Closing it: no overflow any more, so the cards are 2 pixels narrower.
    Click(list->Cards()[0]);
    EXPECT_EQ((std::vector<int>{0, 20, 40}), Tops());
    for (TChatPerson* c : list->Cards()) EXPECT_EQ(w - 2, c->width());
    EXPECT_EQ(64, list->pnPersonList->height());
    EXPECT_EQ((std::vector<std::string>{"begin", "photo", "end", "begin", "photo", "end"}), events);
}

TEST_F(CardListTest, ATallListScrollsAndThePanelFollowsTheWidth) {
    std::vector<Rec> many;
    for (int i = 0; i < 40; ++i) many.push_back(Person("P" + std::to_string(i), "u" + std::to_string(i)));
    Load(many);
    Settle();
    auto* scroll = list->findChild<QScrollArea*>();
    ASSERT_NE(nullptr, scroll);
    EXPECT_EQ(40 * 20 + 4, list->pnPersonList->height());
    EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
    EXPECT_EQ(scroll->viewport()->width(), list->pnPersonList->width());
    list->resize(400, 300);
    Settle();
    EXPECT_EQ(scroll->viewport()->width(), list->pnPersonList->width());
    EXPECT_EQ(list->pnPersonList->width(), list->Cards()[5]->width());  // the cards keep to the right edge
    list->SetAutoScroll(false);
    Settle();
    EXPECT_FALSE(scroll->verticalScrollBar()->isVisible());
}

TEST_F(CardListTest, FindPersonByUrlGivesTheFirstExactMatch) {
    Load({Person("A", "http://h/id/a/"), Person("B", "http://h/id/b/"), Person("A2", "http://h/id/a/")});
    EXPECT_EQ(list->Cards()[0], list->FindPersonByURL("http://h/id/a/"));
    EXPECT_EQ(list->Cards()[1], list->FindPersonByURL("http://h/id/b/"));
    EXPECT_EQ(nullptr, list->FindPersonByURL("http://h/id/A/"));
    EXPECT_EQ(nullptr, list->FindPersonByURL("http://h/id/c/"));
    ModalAnswerer yes(ModalAnswerer::Press(u8"Да"_cp));
    list->DeletePerson(list->Cards()[0]);
    ASSERT_EQ(2u, list->Cards().size());
    EXPECT_EQ(list->Cards()[1], list->FindPersonByURL("http://h/id/a/"));
    list->ClearPersons();
    EXPECT_EQ(nullptr, list->FindPersonByURL("http://h/id/b/"));
}

TEST_F(CardListTest, TheDeleteQuestionNamesTheCardAndOnlyYesDeletes) {
    Load({Person(u8"Маша"_cp, "http://h/id/masha/"), Person(u8"Оля"_cp, "http://h/id/olya/"),
          Person(u8"Катя"_cp, "http://h/id/katya/")});
    Click(list->Cards()[0]);
    const std::string before = ReadFile(table.FileName);
    {
        ModalAnswerer no(ModalAnswerer::Press(u8"Нет"_cp));
        list->DeletePerson(list->Cards()[0]);
        EXPECT_EQ(u8"Удалить контакт \"Маша\"?"_cp, no.First().text);
        EXPECT_EQ("Velmora Agent", no.First().caption);
    }
    EXPECT_EQ(3u, list->Cards().size());
    EXPECT_EQ(3, table.RecordCount());
    EXPECT_TRUE(saved.empty());
    EXPECT_EQ((std::vector<int>{0, 120, 140}), Tops());
    {
        ModalAnswerer yes(ModalAnswerer::Press(u8"Да"_cp));
        list->Cards()[0]->Delete();
        EXPECT_EQ(u8"Удалить контакт \"Маша\"?"_cp, yes.First().text);
    }
    ASSERT_EQ(2u, list->Cards().size());
    EXPECT_EQ(2, table.RecordCount());
    EXPECT_EQ(nullptr, list->FindPersonByURL("http://h/id/masha/"));
    EXPECT_EQ((std::vector<int>{0, 20}), Tops());
    for (TChatPerson* c : list->Cards()) EXPECT_EQ(list->pnPersonList->width() - 22, c->width());
    ASSERT_EQ(1u, saved.size());
    EXPECT_EQ(&table, saved[0]);
    EXPECT_EQ(std::string::npos, ReadFile(table.FileName).find("masha"));
    EXPECT_NE(before, ReadFile(table.FileName));
    EXPECT_EQ(164, list->pnPersonList->height());  // the panel's height is not changed
}

TEST_F(CardListTest, AContactWithoutARecordIsStillRemovedFromTheList) {
    Load({Person("A", "http://h/id/a/"), Person("B", "http://h/id/b/")});
    list->Cards()[0]->SetURL("http://h/id/gone/");
    ModalAnswerer yes(ModalAnswerer::Press(u8"Да"_cp));
    list->DeletePerson(list->Cards()[0]);
    EXPECT_EQ(1u, list->Cards().size());
    EXPECT_EQ(2, table.RecordCount());
    EXPECT_EQ(1u, saved.size());
}

// A timer tick under the open question rebuilds or clears the list; the card whose question is
// open is then gone from the list, and "Да" deletes nothing.
TEST_F(CardListTest, ARebuildUnderTheQuestionLeavesTheAnswerWithoutEffect) {
    for (int variant = 0; variant < 4; ++variant) {
        const bool fromBasket = variant % 2 == 0;
        const bool clear = variant >= 2;
        Load({Person("A", "http://h/id/a/"), Person("B", "http://h/id/b/")});
        saved.clear();
        const std::string before = ReadFile(table.FileName);
        QPointer<TChatPerson> card = list->Cards()[0];
        TTimer tick;
        tick.SetInterval(10);
        bool ticked = false;
        tick.SetOnTimer([&](TObject*) {
            tick.SetEnabled(false);
            if (clear)
                list->ClearPersons();
            else
                list->LoadPersons(-1);
            ticked = true;
        });
        tick.SetEnabled(true);
        ModalAnswerer yes([&](QWidget* box) {
            for (int i = 0; i < 400 && !ticked; ++i) QTest::qWait(5);
            EXPECT_TRUE(ticked);
            EXPECT_TRUE(PressButton(box, u8"Да"_cp));
        });
        if (fromBasket) {
            Click(card);
            QTest::mouseClick(card, Qt::LeftButton, {}, card->Element("imgBasket").rect.center());
        } else {
            card->Delete();
        }
        EXPECT_TRUE(yes.Done()) << variant;
        EXPECT_EQ(2, table.RecordCount()) << variant;
        EXPECT_TRUE(saved.empty()) << variant;
        EXPECT_EQ(before, ReadFile(table.FileName)) << variant;
        EXPECT_EQ(clear ? 0u : 2u, list->Cards().size()) << variant;
        Settle();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(card.isNull()) << variant;  // freed once the question had returned
    }
}

TEST_F(CardListTest, ABadPhotoCountCountsAsZeroAndTheListGoesOn) {
    Rec bad = Person("A", "u0");
    bad.photos = "abc";
    Rec minus = Person("B", "u1");
    minus.photos = "-1";
    Rec huge = Person("C", "u2");
    huge.photos = "99999999999";
    Rec plus = Person("D", "u3");
    plus.photos = "+4";
    Rec good = Person("E", "u4");
    good.photos = "7";
    Load({bad, minus, huge, plus, good});
    ASSERT_EQ(5u, list->Cards().size());
    EXPECT_EQ(0, list->Cards()[0]->PhotoCount());
    EXPECT_EQ(-1, list->Cards()[1]->PhotoCount());
    EXPECT_EQ(0, list->Cards()[2]->PhotoCount());
    EXPECT_EQ(0, list->Cards()[3]->PhotoCount());
    EXPECT_EQ(7, list->Cards()[4]->PhotoCount());
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(list->Cards()[i]->Element("lbPhotoCount").visible) << i;
    EXPECT_EQ(u8"7 фото"_cp, list->Cards()[4]->Element("lbPhotoCount").text);
    EXPECT_EQ(-2147483648, PhotoCountOf("-2147483648"));
    EXPECT_EQ(2147483647, PhotoCountOf("2147483647"));
    EXPECT_EQ(0, PhotoCountOf("2147483648"));
    EXPECT_EQ(0, PhotoCountOf("-"));
    EXPECT_EQ(0, PhotoCountOf(" 5"));
}
