// The whole program against the real stand-in site executable: started through program::Run as
// main does, and driven from a queued script the way a user would drive it.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

#include "agent/CheckMessagesClass.h"
#include "agent/OnLineFriendsUnit.h"
#include "agent/dialogs/RegCodeUnit.h"
#include "platform/CpLiteral.h"
#include "platform/gui/ActnMan.h"
#include "platform/gui/Application.h"
#include "platform/gui/ExtControls.h"
#include "platform/gui/QtText.h"
#include "platform/gui/Shell.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/TImage.h"
#include "platform/gui/TTimer.h"
#include "platform/qtimage/QtImage.h"
#include "support/gui/GuiTest.h"
#include "UiEnv.h"
#include "storage/DataModuleUnit.h"
#include "ui/ChatFormUnit.h"
#include "ui/ChatPersonControl.h"
#include "ui/ChatPersonListControl.h"
#include "ui/ChatTabPageControl.h"
#include "ui/ContactsImportUnit.h"
#include "ui/GradientButtonControl.h"
#include "ui/MainAgentUnit.h"
#include "ui/VelAgent.h"

namespace {

const std::string kCompleted = u8"Импорт контактов завершен."_cp;

// The real `velmora-site` program on a port of its own choosing.
class SiteProcess {
public:
    SiteProcess() {
        process_.setProgram(QStringLiteral(VA_SITE_EXE));
        process_.setArguments({QStringLiteral("0")});
        process_.start();
        QByteArray out;
        while (process_.waitForReadyRead(10000)) {
            out += process_.readAllStandardOutput();
            const int at = out.indexOf("http://127.0.0.1:");
            if (at >= 0 && out.indexOf('/', at + 17) > 0) {
                port_ = out.mid(at + 17, out.indexOf('/', at + 17) - at - 17).toInt();
                break;
            }
        }
    }
    ~SiteProcess() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill();
    }
    int Port() const { return port_; }
    std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string Url(const std::string& login) const { return "http://" + Host() + "/" + login + "/"; }

private:
    QProcess process_;
    int port_ = 0;
};

std::string RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(10000);
    return p.exitCode() == 0 ? p.readAllStandardOutput().trimmed().toStdString() : "error";
}

QImage Djpeg(const std::string& fixture) {
    QProcess p;
    p.start(QStringLiteral("djpeg"), {QStringLiteral("-pnm"), QString::fromStdString(std::string(VA_TEST_DATA_DIR) + "/site/" + fixture)});
    p.waitForFinished(10000);
    return QImage::fromData(p.readAllStandardOutput(), "PPM").convertToFormat(QImage::Format_RGB32);
}

// Frame 0 of a site fixture as giflib decodes it: its indexes through its colour table.
QImage GiflibFrame0(const std::string& fixture) {
    const std::string path = std::string(VA_TEST_DATA_DIR) + "/site/" + fixture;
    int error = 0;
    GifFileType* g = DGifOpenFileName(path.c_str(), &error);
    if (!g) return {};
    QImage image;
    if (DGifSlurp(g) == GIF_OK && g->ImageCount > 0) {
        const SavedImage& s = g->SavedImages[0];
        const ColorMapObject* map = s.ImageDesc.ColorMap ? s.ImageDesc.ColorMap : g->SColorMap;
        image = QImage(s.ImageDesc.Width, s.ImageDesc.Height, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const int index = s.RasterBits[y * image.width() + x];
                const GifColorType c = map && index < map->ColorCount ? map->Colors[index] : GifColorType{0, 0, 0};
                image.setPixel(x, y, qRgb(c.Red, c.Green, c.Blue));
            }
    }
    DGifCloseFile(g, &error);
    return image;
}

int MaxChannelDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 256;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

void Screenshot(QWidget* w, const std::string& name) {
    const QString dir = QStringLiteral(VA_BUILD_DIR "/screenshots");
    QDir().mkpath(dir);
    w->grab().save(dir + "/" + QString::fromStdString(name) + ".png");
}

TChatPerson* Card(int folder, const std::string& url) {
    TChatPersonList* list = frmMain->ChatForm->PersonList(folder);
    return list ? list->FindPersonByURL(url) : nullptr;
}

void ClickCard(TChatPerson* card) {
    if (card->ChatPersonStyle() == cpFull)
        QTest::mouseClick(card, Qt::LeftButton, {}, card->Element("pnTop").rect.center() + QPoint(18, 3));
    else
        QTest::mouseClick(card, Qt::LeftButton, {}, card->Element("imgShortInfo").rect.center());
}

QImage Photo(TChatPerson* card) { return BitmapToQImage(*card->PersonPicture().Bitmap()).convertToFormat(QImage::Format_RGB32); }

bool ShowsNoPhoto(TChatPerson* card) { return card->Element("imgFullInfo").bitmap == "NOPHOTO"; }

// The user at the boxes of a full import: types the code into every code dialog and sends it, and
// answers the completion box; each box once (marked on the box itself), whatever the load.
class BoxUser {
public:
    explicit BoxUser(std::function<bool(QWidget* box, const ModalBoxInfo& info)> other = {}) : other_(std::move(other)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(20);
    }
    int codes = 0, completions = 0;
    bool pictureShown = false;

private:
    static bool Answered(QWidget* w) { return w->property("answered").toBool(); }
    void Poll() {
        // The code dialog may open over another box, so the windows are searched, not the top one.
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<TfrmRegCode*>(top);
            if (!dialog || !dialog->isVisible() || !dialog->InModalLoop() || Answered(dialog)) continue;
            dialog->setProperty("answered", true);
            ++codes;
            pictureShown = dialog->imgRegCode->Picture().Width() > 0;
            TypeText(dialog->edRegCode, QStringLiteral("4711"));
            PressButton(dialog, u8"Передать код"_cp);
            return;
        }
        QWidget* box = QApplication::activeModalWidget();
        if (!box || !box->isVisible() || Answered(box) || qobject_cast<TfrmRegCode*>(box)) return;
        const ModalBoxInfo info = ReadModalBox(box);
        if (info.text == kCompleted) {
            box->setProperty("answered", true);
            ++completions;
            PressButton(box, "OK");
        } else if (other_ && other_(box, info)) {
            box->setProperty("answered", true);
        }
    }
    std::function<bool(QWidget*, const ModalBoxInfo&)> other_;
    QTimer timer_;
};

// Types the account into the settings page and saves it, as a user does.
void EnterSettings(TfrmMain* win, const SiteProcess& site, bool regCode) {
    QTest::mouseClick(win->tpImport->lbTabName, Qt::LeftButton);
    TfrmImport* page = win->ImportForm;
    TypeText(page->edServer, QString::fromStdString(site.Host()));
    QTest::mouseClick(page->sbAddServer, Qt::LeftButton);
    TypeText(page->edLogin, QStringLiteral("velmora"));
    TypeText(page->edPassword, QStringLiteral("secret"));
    for (TCheckBox* box : {page->cbOnLineScan, page->cbMessageScan})
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    if (regCode) QTest::mouseClick(page->cbRegCode, Qt::LeftButton, {}, QPoint(6, page->cbRegCode->height() / 2));
    QTest::mouseClick(page->btnSaveSettings->imgBg, Qt::LeftButton);
}

// Runs the program with script queued into its message loop; the program ends when the script
// says "Да" to the exit question, or, should the script stop early, when the test ends it.
int RunProgram(const std::function<void()>& script) {
    QTimer::singleShot(0, [script] {
        script();
        if (frmMain && frmMain->isVisible()) Application->Terminate();
    });
    return program::Run();
}

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GT(site.Port(), 0) << "velmora-site did not start";
        ForgetShellHook();
    }
    void TearDown() override { SetShellOpenHook({}); }
    static void ForgetShellHook() { SetShellOpenHook({}); }

    UiTestEnv env;
    SiteProcess site;
};

TEST_F(EndToEndTest, ImportPhotosMarksAndExit) {
    UiTestEnv::Write(env.ProgramFile("Friends.xml"),
                     FriendsFile(FriendXml("Found", "user4", site.Url("user4")) +
                                 FriendXml("Local", "", "file:///etc/passwd")));
    std::vector<std::string> shellOpened;
    SetShellOpenHook([&](const std::string& a) { shellOpened.push_back(a); });
    bool scriptDone = false;

    const int result = RunProgram([&] {
        TfrmMain* win = frmMain;
        ASSERT_NE(nullptr, win);
        ASSERT_NE(nullptr, win->ChatForm);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(win));
        EnterSettings(win, site, false);
        TfrmImport* page = win->ImportForm;
        EXPECT_TRUE(page->btnImport->Enabled());
        Screenshot(win, "e2e-settings-saved");

        std::vector<int> positions{page->ProgressBar->Position()};
        std::vector<int> maxima;
        QObject::connect(page->ProgressBar, &QProgressBar::valueChanged, [&](int v) {
            positions.push_back(v);
            maxima.push_back(page->ProgressBar->Max());
            if (v == 1) Screenshot(win, "e2e-import-half");
        });
        ModalAnswerer done(ModalAnswerer::Press("OK"));
        QTest::mouseClick(page->btnImport->imgBg, Qt::LeftButton);
        EXPECT_EQ(u8"Выполняется импорт контактов"_cp, win->StatusText());
        ASSERT_TRUE(QTest::qWaitFor([&] { return done.Done(); }, 120000));
        EXPECT_EQ(kCompleted, done.First().text);
        EXPECT_EQ(u8"Завершился импорт контактов"_cp, win->StatusText());
        EXPECT_TRUE(win->pnTabPersonList->isVisible());
        EXPECT_EQ((std::vector<int>{0, 1, 2, 0}), positions);
        EXPECT_EQ((std::vector<int>{2, 2, 2}), maxima);

        // The cards and the files.
        EXPECT_EQ(12u, win->ChatForm->PersonList(0)->Cards().size());
        EXPECT_EQ(3u, win->ChatForm->PersonList(1)->Cards().size());
        for (auto [file, count] : {std::pair{"CommonFriends.xml", "12"}, std::pair{"FaforiteFriends.xml", "3"}}) {
            const QString path = QString::fromStdString(env.ProgramFile(file));
            EXPECT_EQ("", RunTool(QStringLiteral("xmllint"), {QStringLiteral("--noout"), path})) << file;
            EXPECT_EQ(count, RunTool(QStringLiteral("xmllint"), {QStringLiteral("--xpath"), QStringLiteral("count(/Friends/Friend)"), path}));
        }

        // Photos: JPEG shown as decoded by djpeg, GIF as decoded by giflib (each frame covers its
        // picture), and a contact without a photo shows the site's no-photo picture; a JPEG after
        // a GIF still shows its own.
        TChatPerson* user1 = Card(0, site.Url("user1"));
        ASSERT_NE(nullptr, user1);
        ClickCard(user1);
        EXPECT_FALSE(ShowsNoPhoto(user1));
        EXPECT_EQ(0, MaxChannelDifference(Photo(user1), Djpeg("photo1.jpg")));
        TChatPerson* user2 = Card(0, site.Url("user2"));
        ClickCard(user2);
        EXPECT_TRUE(user2->PhotoLoaded);
        EXPECT_FALSE(ShowsNoPhoto(user2));
        const QImage gif = GiflibFrame0("photo1.gif");
        ASSERT_FALSE(gif.isNull());
        EXPECT_EQ(0, MaxChannelDifference(Photo(user2), gif));
        Screenshot(user2, "e2e-gif-photo-card");
        TChatPerson* user3 = Card(0, site.Url("user3"));
        ClickCard(user3);
        EXPECT_TRUE(user3->PhotoLoaded);
        EXPECT_FALSE(ShowsNoPhoto(user3));
        EXPECT_EQ(0, MaxChannelDifference(Photo(user3), GiflibFrame0("nophoto.gif")));
        Screenshot(user3, "e2e-site-nophoto-card");
        TChatPerson* user4 = Card(0, site.Url("user4"));
        ClickCard(user4);
        EXPECT_FALSE(ShowsNoPhoto(user4));
        EXPECT_EQ(0, MaxChannelDifference(Photo(user4), Djpeg("photo2.jpg")));

        // On-site marks: the scan from the first contact of folder 0, ticked by the test.
        std::vector<std::pair<std::string, int>> reported;
        auto shown = win->OnLineFriends->OnStatus;
        win->OnLineFriends->OnStatus = [&, shown](const std::string& url, int status) {
            reported.push_back({url, status});
            shown(url, status);
        };
        win->OnLineFriends->Stop();
        win->OnLineFriends->Start();
        for (int i = 0; i < 6 && reported.size() < 3; ++i) win->OnLineFriends->TimerTick();
        ASSERT_GE(reported.size(), 3u);
        const std::vector<std::pair<std::string, int>> firstThree = {
            {site.Url("user1"), 1}, {site.Url("user2"), 0}, {site.Url("user3"), 1}};
        using Reports = std::vector<std::pair<std::string, int>>;
        EXPECT_EQ(firstThree, Reports(reported.begin(), reported.begin() + 3));
        EXPECT_EQ(psConnected, user1->PersonState());
        EXPECT_EQ(psAbsent, user2->PersonState());

        // New-message marks: one tick of the 90-second timer.
        EXPECT_EQ(90000, win->TimerCheckMessage->Interval());
        EXPECT_TRUE(win->TimerCheckMessage->Enabled());
        win->CheckMessageTimer();
        EXPECT_EQ(u8"Проверяются поступления новых сообщений"_cp, win->StatusText());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !win->CheckMessages->Busy; }, 60000));
        EXPECT_EQ(u8"Завершилась проверка поступления новых сообщений"_cp, win->StatusText());
        std::vector<std::string> lettered;
        for (int f = 0; f < 3; ++f)
            for (TChatPerson* c : win->ChatForm->PersonList(f)->Cards())
                if (c->Letter()) lettered.push_back(std::to_string(f) + " " + c->URL());
        EXPECT_EQ((std::vector<std::string>{"0 " + site.Url("user8"), "1 " + site.Url("fav1")}), lettered);

        // Folder 0 with an open card, its photo, a letter and on-site icons; then folder 1.
        ClickCard(user1);
        Screenshot(win, "e2e-folder0");
        win->ChatForm->fbFavoriteFriendsClick(nullptr);
        Screenshot(win, "e2e-folder1");

        // The profile links of "Friends.xml": only the web address reaches the shell.
        win->ChatForm->fbFriendsClick(nullptr);
        for (TChatPerson* c : win->ChatForm->PersonList(2)->Cards())
            QTest::mouseClick(c, Qt::LeftButton, {}, c->Element("imgQuestionnaire").rect.center());
        EXPECT_EQ((std::vector<std::string>{site.Url("user4")}), shellOpened);

        // The exit question: "Нет" keeps the window, "Да" ends the program.
        {
            ModalAnswerer no(ModalAnswerer::Press(u8"Нет"_cp));
            win->acExit->Execute();
            EXPECT_TRUE(win->isVisible());
        }
        scriptDone = true;
        ModalAnswerer yes(ModalAnswerer::Press(u8"Да"_cp));
        win->acExit->Execute();
    });
    EXPECT_TRUE(scriptDone);
    EXPECT_EQ(0, result);
    EXPECT_EQ(nullptr, frmMain);
    EXPECT_EQ(nullptr, dmFriend);
}

TEST_F(EndToEndTest, AFullImportAsksForTheCodeAndACardQuestionOutlivesTheImportsEnd) {
    const std::string user10 = site.Url("user10");
    const int result = RunProgram([&] {
        TfrmMain* win = frmMain;
        ASSERT_NE(nullptr, win);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(win));
        EnterSettings(win, site, true);
        TfrmImport* page = win->ImportForm;
        int completionsBefore = 0;
        {
            BoxUser user;
            QTest::mouseClick(page->btnImport->imgBg, Qt::LeftButton);
            ASSERT_TRUE(QTest::qWaitFor([&] { return user.completions == 1 && !page->ImportRunning(); }, 120000));
            EXPECT_EQ(1, user.codes);
            EXPECT_TRUE(user.pictureShown);
            completionsBefore = user.completions;
        }
        EXPECT_EQ(1, completionsBefore);
        TFriend common;
        common.LoadFromFile(env.ProgramFile("CommonFriends.xml"));
        std::string photoCount = "none";
        for (int i = 0; i < common.RecordNodes()->Count(); ++i) {
            TXMLNode rec = common.RecordNodes()->Nodes(i);
            if (rec.FindChild("URL").Text() == user10) photoCount = rec.FindChild("PhotoCount").Text();
        }
        EXPECT_EQ("6", photoCount);

        // A card's delete question stays open while a second import ends: the completion box is
        // answered first, then "Да"; the card was rebuilt away, so nothing is deleted.
        TChatPerson* card = Card(0, site.Url("user1"));
        ASSERT_NE(nullptr, card);
        ClickCard(card);
        ASSERT_EQ(cpFull, card->ChatPersonStyle());
        const QPoint basket = card->Element("imgBasket").rect.center();
        bool questionAnswered = false, questionSeen = false;
        BoxUser user([&](QWidget* box, const ModalBoxInfo& info) {
            if (info.text.rfind(u8"Удалить контакт"_cp, 0) != 0) return false;
            questionSeen = true;
            // "Да" only once the import has ended and its completion box was answered.
            if (user.completions == 0 || page->ImportRunning()) return false;
            questionAnswered = true;
            PressButton(box, u8"Да"_cp);
            return true;
        });
        QTest::mouseClick(page->btnImport->imgBg, Qt::LeftButton);
        ASSERT_TRUE(page->ImportRunning());
        QPointer<TChatPerson> alive(card);
        QTimer::singleShot(0, [alive, basket] {
            if (alive) QTest::mouseClick(alive, Qt::LeftButton, {}, basket);
        });
        ASSERT_TRUE(QTest::qWaitFor([&] { return questionAnswered && !QApplication::activeModalWidget(); }, 120000));
        EXPECT_TRUE(questionSeen);
        TFriend after;
        after.LoadFromFile(env.ProgramFile("CommonFriends.xml"));
        EXPECT_EQ(12, after.RecordCount());
        EXPECT_TRUE(after.FindByLogin(site.Url("user1")));

        ModalAnswerer yes(ModalAnswerer::Press(u8"Да"_cp));
        win->acExit->Execute();
    });
    EXPECT_EQ(0, result);
    EXPECT_EQ(nullptr, frmMain);
}

}  // namespace
