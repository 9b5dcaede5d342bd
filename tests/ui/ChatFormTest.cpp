// The contacts page, created by name and embedded as the main window does: its folders, the
// accordion, the on-site marks, the clear command, the browser seam and unreadable folder files.
#include <QDir>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "platform/CpLiteral.h"
#include "platform/graphics/Bitmap.h"
#include "platform/gui/Application.h"
#include "platform/gui/Shell.h"
#include "support/FileSizeLimit.h"
#include "support/gui/GuiTest.h"
#include "ui/ChatFormUnit.h"
#include "UiTestSupport.h"

namespace {

std::string Fixture(const std::string& name) {
    QFile f(QString::fromStdString(std::string(VA_TEST_DATA_DIR) + "/ui/" + name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll().toStdString();
}

// Plays the main window: a host with the contacts tab's panel.
class THostWindow : public TCustomForm, public TEmbeddingHost {
public:
    THostWindow() : TEmbeddingHost(this) {
        SetClientSize(308, 420);
        panel = new TPanel(this);
        panel->SetBevelOuter(bvNone);
        panel->setGeometry(0, 0, 308, 420);
        show();
        Settle();
    }
    TPanel* panel;
};

class ContactsPageTest : public DataModuleTest {
protected:
    void WriteFixtures() {
        for (const char* f : {"CommonFriends.xml", "FaforiteFriends.xml", "Friends.xml"}) WriteFile(f, Fixture(f));
    }
    TfrmChatForm* Make() {
        host = std::make_unique<THostWindow>();
        page = dynamic_cast<TfrmChatForm*>(host->CreateEmbeddedForm(host->panel, "TfrmChatForm"));
        Settle();
        return page;
    }
    void TearDown() override {
        host.reset();
        DataModuleTest::TearDown();
    }
    std::vector<std::string> Urls(int folder) const {
        std::vector<std::string> out;
        for (TChatPerson* c : page->PersonList(folder)->Cards()) out.push_back(c->URL());
        return out;
    }
    bool XmlLintClean(const std::string& name) const {
        QProcess p;
        p.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), QString::fromStdString(Path(name))});
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    // The file holds a "Friends" root without any record.
    void ExpectEmptyTable(const std::string& name) const {
        EXPECT_TRUE(XmlLintClean(name)) << name;
        TFriend t;
        t.FileName = name;
        t.Load();
        ASSERT_NE(nullptr, t.RecordNodes());
        EXPECT_EQ("Friends", t.RecordNodes()->Root().NodeName());
        EXPECT_EQ(0, t.RecordCount());
    }

    std::unique_ptr<THostWindow> host;
    TfrmChatForm* page = nullptr;
};

}  // namespace

TEST_F(ContactsPageTest, TheThreeFoldersAreAddedWithTheirCardsAndBars) {
    WriteFixtures();
    ASSERT_NE(nullptr, Make());
    EXPECT_EQ(QColor(212, 208, 200), page->Color());
    TXMLRecordNodes* nodes = dm->Folders->RecordNodes();
    ASSERT_NE(nullptr, nodes);
    ASSERT_EQ(3, nodes->Count());
    const std::string want[3][3] = {{"0", "CommonFriends", u8"Общая папка"_cp},
                                    {"1", "FaforiteFriends", u8"Избранные пользователи"_cp},
                                    {"2", "Friends", u8"Найденные пользователи"_cp}};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(want[k][0], nodes->Nodes(k).FindChild("id").Text());
        EXPECT_EQ(want[k][1], nodes->Nodes(k).FindChild("Name").Text());
        EXPECT_EQ(want[k][2], nodes->Nodes(k).FindChild("Caption").Text());
        EXPECT_EQ(want[k][1] + ".xml", dm->Folders->GetFolderTable(k)->FileName);
        ASSERT_NE(nullptr, page->PersonList(k));
        EXPECT_EQ(dm->Folders->GetFolderTable(k), page->PersonList(k)->Friend);
    }
    EXPECT_EQ(u8"Общая папка"_cp, page->fbCommonFriends->Caption());
    EXPECT_EQ(u8"Избранные пользователи"_cp, page->fbFavoriteFriends->Caption());
    EXPECT_EQ(u8"Найденные пользователи"_cp, page->fbFriends->Caption());
    EXPECT_EQ(u8"Контакты, импортированные из папки \"Общая папка\""_cp, page->fbCommonFriends->Hint());
    EXPECT_EQ(u8"Контакты, импортированные из папки \"Избранные пользователи\""_cp, page->fbFavoriteFriends->Hint());
    EXPECT_EQ(u8"Контакты, найденные с помощью Velmora"_cp, page->fbFriends->Hint());
    EXPECT_TRUE(page->fbFriends->font().bold());
    EXPECT_EQ(3u, page->PersonList(0)->Cards().size());
    EXPECT_EQ(2u, page->PersonList(1)->Cards().size());
    EXPECT_EQ(2u, page->PersonList(2)->Cards().size());
    EXPECT_TRUE(page->PersonList(0)->Cards()[0]->BasketVisible());
    EXPECT_TRUE(page->PersonList(1)->Cards()[0]->BasketVisible());
    EXPECT_FALSE(page->PersonList(2)->Cards()[0]->BasketVisible());
    EXPECT_EQ(page->pnFriends, page->PersonList(2)->parentWidget());
}

TEST_F(ContactsPageTest, TheAccordionPutsTheBarsAboveAndBelowTheOpenPane) {
    WriteFixtures();
    Make();
    const int W = page->width(), H = page->height();
    ASSERT_EQ(QSize(308, 420), QSize(W, H));
    auto expect = [&](int open) {
        TFolderButton* bars[] = {page->fbCommonFriends, page->fbFavoriteFriends, page->fbFriends};
        TPanel* panes[] = {page->pnCommonFriends, page->pnFavoriteFriends, page->pnFriends};
        for (int k = 0; k < 3; ++k) {
            const int top = k <= open ? k * 22 : H - (3 - k) * 22;
            EXPECT_EQ(QRect(0, top, W, 22), bars[k]->geometry()) << "open " << open << " bar " << k;
            EXPECT_EQ(k == open, panes[k]->isVisible()) << open << k;
            EXPECT_EQ(k == open ? TFolderButtonStyle::bsSelected : TFolderButtonStyle::bsNone,
                      bars[k]->FolderButtonStyle());
        }
        EXPECT_EQ(QRect(0, (open + 1) * 22, W, H - 66), panes[open]->geometry()) << open;
        EXPECT_EQ(panes[open]->rect(), page->PersonList(open)->geometry());
    };
    expect(0);
    for (int open : {2, 1, 1, 0, 2}) {
        TFolderButton* bar = open == 0 ? page->fbCommonFriends : open == 1 ? page->fbFavoriteFriends : page->fbFriends;
        QTest::mouseClick(bar->lbCaption, Qt::LeftButton, {}, QPoint(2, 2));
        Settle();
        expect(open);
    }
    host->panel->resize(308, 500);
    Settle();
    EXPECT_EQ(QRect(0, 66, 308, 434), page->pnFriends->geometry());
}

TEST_F(ContactsPageTest, OnSiteStatesMarkEveryListThatHoldsTheAddress) {
    WriteFixtures();
    Make();
    const std::string masha = "http://velmora.example/id/masha/";
    auto states = [&] {
        std::vector<int> out;
        for (int k = 0; k < 3; ++k) out.push_back(page->PersonList(k)->FindPersonByURL(masha)->PersonState());
        return out;
    };
    page->SetPersonState(masha, 1);
    EXPECT_EQ((std::vector<int>{psConnected, psConnected, psConnected}), states());
    EXPECT_EQ("CONNECTED", page->PersonList(1)->FindPersonByURL(masha)->Element("imgShortInfo").bitmap);
    page->SetPersonState(masha, 3);
    EXPECT_EQ((std::vector<int>{psConnected, psConnected, psConnected}), states());
    page->SetPersonState(masha, 0);
    EXPECT_EQ((std::vector<int>{psAbsent, psAbsent, psAbsent}), states());
    page->SetPersonState("http://velmora.example/id/nobody/", 1);
    page->SetPersonState("HTTP://VELMORA.EXAMPLE/ID/MASHA/", 1);
    EXPECT_EQ((std::vector<int>{psAbsent, psAbsent, psAbsent}), states());
    EXPECT_EQ(psAbsent, page->PersonList(0)->FindPersonByURL("http://velmora.example/id/olya/")->PersonState());
}

TEST_F(ContactsPageTest, ClearFavoritesEmptiesBothImportedFoldersOnly) {
    WriteFixtures();
    Make();
    const std::string friendsBefore = ReadFile("Friends.xml");
    page->ClearFavorites();
    EXPECT_TRUE(page->PersonList(0)->Cards().empty());
    EXPECT_TRUE(page->PersonList(1)->Cards().empty());
    EXPECT_EQ(2u, page->PersonList(2)->Cards().size());
    ExpectEmptyTable("CommonFriends.xml");
    ExpectEmptyTable("FaforiteFriends.xml");
    EXPECT_EQ(friendsBefore, ReadFile("Friends.xml"));
    page->ReloadLists();
    EXPECT_TRUE(page->PersonList(0)->Cards().empty());
    EXPECT_EQ(2u, page->PersonList(2)->Cards().size());
}

TEST_F(ContactsPageTest, DeletesSaveTheImportedFoldersButNeverTheFoundUsers) {
    WriteFixtures();
    Make();
    const std::string friendsBefore = ReadFile("Friends.xml");
    {
        ModalAnswerer yes(ModalAnswerer::Press(u8"Да"_cp));
        page->PersonList(1)->Cards()[0]->Delete();
    }
    EXPECT_EQ(std::string::npos, ReadFile("FaforiteFriends.xml").find("sveta"));
    EXPECT_EQ(1, dm->Folders->GetFolderTable(1)->RecordCount());
    {
        ModalAnswerer yes(ModalAnswerer::Press(u8"Да"_cp));
        page->PersonList(2)->Cards()[0]->Delete();
    }
    EXPECT_EQ(1u, page->PersonList(2)->Cards().size());
    EXPECT_EQ(1, dm->Folders->GetFolderTable(2)->RecordCount());
    EXPECT_EQ(friendsBefore, ReadFile("Friends.xml"));
}

TEST_F(ContactsPageTest, OnlyWebAddressesGoToTheBrowser) {
    WriteFile("CommonFriends.xml", FriendsXml({}));
    Make();
    std::vector<std::string> opened;
    SetShellOpenHook([&](const std::string& a) { opened.push_back(a); });
    const std::vector<std::pair<std::string, bool>> cases = {
        {"http://velmora.example/id/masha/", true}, {"https://velmora.example/id/olya/", true},
        {"HTTP://VELMORA.EXAMPLE/ID/KATYA/", true}, {"HtTpS://h/", true},
        {"file:///etc/passwd", false},              {"/etc/passwd", false},
        {"javascript:alert(1)", false},             {"xterm", false},
        {"http://", false},                         {"http:/h/", false},
        {" http://h/", false},                      {"", false},
    };
    TChatPerson card;
    for (const auto& [url, open] : cases) {
        card.SetURL(url);
        opened.clear();
        page->OpenQuestionnaire(&card);
        EXPECT_EQ(open ? 1u : 0u, opened.size()) << url;
        if (open && !opened.empty()) {
            EXPECT_EQ(url, opened[0]);
        }
    }
    page->OpenQuestionnaire(page);  // not a card
    // Through the card's own profile link.
    WriteFixtures();
    dm->Folders->GetFolderTable(0)->Load();
    page->ReloadLists();
    opened.clear();
    TChatPerson* masha = page->PersonList(0)->Cards()[0];
    QTest::mouseClick(masha, Qt::LeftButton, {}, masha->Element("imgQuestionnaire").rect.center());
    SetShellOpenHook({});
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ("http://velmora.example/id/masha/", opened[0]);
}

TEST_F(ContactsPageTest, AnUnreadableFolderFileIsToldAndLeftAsItIs) {
    WriteFixtures();
    const std::string broken = "<Friends><Friend><Name>X</Name></Friend>";
    WriteFile("CommonFriends.xml", broken);
    {
        ModalAnswerer ok(ModalAnswerer::Press("OK"));
        Make();
        ASSERT_EQ(1u, ok.Seen().size());
        const ModalBoxInfo& box = ok.First();
        EXPECT_EQ("Velmora Agent", box.caption);
        EXPECT_EQ(0u, box.text.find(u8"Файл CommonFriends.xml не удалось прочитать ("_cp)) << box.text;
        EXPECT_NE(std::string::npos, box.text.find(u8"). Файл оставлен без изменений."_cp)) << box.text;
    }
    ASSERT_NE(nullptr, page);
    EXPECT_TRUE(page->PersonList(0)->Cards().empty());
    EXPECT_EQ(2u, page->PersonList(1)->Cards().size());
    EXPECT_EQ(2u, page->PersonList(2)->Cards().size());
    // A delete in another folder, new-message marks and a reload leave the file byte for byte.
    {
        ModalAnswerer yes(ModalAnswerer::Press(u8"Да"_cp));
        page->PersonList(1)->Cards()[0]->Delete();
    }
    dm->Folders->GetFolderTable(0)->Save();
    page->ReloadLists();
    EXPECT_EQ(broken, ReadFile("CommonFriends.xml"));
    // The clear the user confirms empties it too.
    page->ClearFavorites();
    ExpectEmptyTable("CommonFriends.xml");
    ExpectEmptyTable("FaforiteFriends.xml");
}

TEST_F(ContactsPageTest, AnUnreadableFriendsFileIsToldOnceAtStartUp) {
    WriteFixtures();
    WriteFile("Friends.xml", "<Friends><Friend>");
    ModalAnswerer ok({ModalAnswerer::Press("OK"), ModalAnswerer::Press("OK")});
    // The main window reads it first into the data module.
    dm->Friends->FileName = "Friends.xml";
    try {
        dm->Friends->Load();
        ADD_FAILURE() << "the broken file loaded";
    } catch (const Exception& e) {
        ReportFileReadError(dm->Friends->FileName, e.Message());
    }
    Make();
    Settle();
    EXPECT_EQ(1u, ok.Seen().size());
    EXPECT_TRUE(page->PersonList(2)->Cards().empty());
    EXPECT_EQ(3u, page->PersonList(0)->Cards().size());
}

TEST_F(ContactsPageTest, AFailedSaveAfterADeleteIsShownAndTheCardStaysGone) {
    WriteFixtures();
    Make();
    const std::string before = ReadFile("CommonFriends.xml");
    {
        ModalAnswerer answers({ModalAnswerer::Press(u8"Да"_cp), ModalAnswerer::Press("OK")});
        FileSizeLimit limit(16);
        ASSERT_TRUE(limit.InForce());
        page->PersonList(0)->Cards()[0]->Delete();
        ASSERT_EQ(2u, answers.Seen().size());
        EXPECT_EQ("Velmora Agent", answers.Seen()[1].caption);
        EXPECT_FALSE(answers.Seen()[1].text.empty());
    }
    EXPECT_EQ(2u, page->PersonList(0)->Cards().size());
    EXPECT_EQ(nullptr, page->PersonList(0)->FindPersonByURL("http://velmora.example/id/masha/"));
    EXPECT_EQ(2, dm->Folders->GetFolderTable(0)->RecordCount());
    EXPECT_EQ(before, ReadFile("CommonFriends.xml"));
}

TEST_F(ContactsPageTest, ScreenshotOfEachFolderForAPersonToLookAt) {
    WriteFixtures();
    Make();
    host->panel->resize(308, 420);
    host->resize(308, 420);
    // One card open with a photo set by the test.
    TChatPerson* masha = page->PersonList(0)->Cards()[0];
    TBitmap photo;
    photo.SetPixelFormat(pf24bit);
    photo.SetSize(46, 62);
    for (int y = 0; y < 62; ++y)
        for (int x = 0; x < 46; ++x) photo.SetPixel(x, y, ((x / 6 + y / 6) % 2) ? 0xC08040 : 0x4080C0);
    masha->PersonPicture().Bitmap()->Assign(&photo);
    QTest::mouseClick(masha, Qt::LeftButton, {}, masha->Element("imgShortInfo").rect.center());
    page->SetPersonState("http://velmora.example/id/olya/", 1);
    page->SetPersonState("http://velmora.example/id/masha/", 1);
    Settle();
    const QString dir = QStringLiteral(VA_BUILD_DIR "/screenshots");
    QDir().mkpath(dir);
    TFolderButton* bars[] = {page->fbCommonFriends, page->fbFavoriteFriends, page->fbFriends};
    for (int k = 0; k < 3; ++k) {
        QTest::mouseClick(bars[k]->lbCaption, Qt::LeftButton, {}, QPoint(2, 2));
        Settle();
        const QImage shot = host->grab().toImage();
        EXPECT_TRUE(shot.save(dir + QStringLiteral("/contacts_page_folder%1.png").arg(k)));
    }
    EXPECT_EQ(cpFull, masha->ChatPersonStyle());
}
