// The confirmation-code dialog, offscreen, inside real import runs: the program's own prompt.
#ifdef VA_HAVE_AGENT_DIALOGS

#include "AgentTestSupport.h"
#include "agent/dialogs/RegCodeUnit.h"
#include "imaging/download/ImageLoader.h"
#include "platform/gui/Controls.h"
#include "platform/gui/TImage.h"
#include "platform/gui/StdCtrls.h"
#include "support/gui/GuiTest.h"
#include "platform/CpLiteral.h"

namespace {

class RegCodeDialogTest : public AgentTest {
protected:
    void SetUp() override {
        AgentTest::SetUp();
        for (int i = 0; i < 3; ++i) {
            site::Contact c = MakeContact("r" + std::to_string(i), u8"Рита "_cp + std::to_string(i), "27", u8"Псков"_cp);
            c.photos = 1;
            c.intimPhotos = 2;
            c.asksCode = i > 0;
            c.captchaS = "q1";
            c.captchaNextS = "q2";
            state.folders[0].push_back(c);
        }
        state.codes["q1"] = "4711";
        state.codes["q2"] = "1174";
        state.codePicture = ReadFile(FixturePath("regcode.jpg"));
    }
    // Starts the site and a worker whose code prompt is the real dialog.
    void StartWithDialog() {
        StartSite();
        rig.answer = [](const TCodeRequest& r, TSubmit& s) { return ShowRegCodeDialog(r, s); };
    }
    int RunFull() {
        if (!LogIn()) return -1;
        rig.worker->FullImport = true;
        rig.worker->StartImport();
        return rig.RunToEnd();
    }
    static TfrmRegCode* Dialog(QWidget* box) { return qobject_cast<TfrmRegCode*>(box); }
    static QSize PictureSize(TfrmRegCode* d) { return d->imgRegCode->Rendered().size(); }
    // The picture as shown, as binary PPM bytes (red, green, blue), to compare with djpeg's.
    static std::string ShownPixels(TfrmRegCode* d) {
        const QImage img = d->imgRegCode->Rendered();
        std::string out;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = img.pixel(x, y);
                out += {static_cast<char>(qRed(c)), static_cast<char>(qGreen(c)), static_cast<char>(qBlue(c))};
            }
        return out;
    }
    // djpeg -pnm regcode.jpg, made by the fixture's script: the pixels after the PPM header.
    static std::string DjpegPixels() {
        const std::string ppm = ReadFile(FixturePath("regcode.ppm"));
        size_t pos = 0;
        for (int fields = 0; fields < 4; ++fields) {
            pos = ppm.find_first_not_of(" \n", pos);
            pos = ppm.find_first_of(" \n", pos);
        }
        return ppm.substr(pos + 1);
    }
};

TEST_F(RegCodeDialogTest, ShowsThePictureAndSendsTheTypedCode) {
    StartWithDialog();
    QSize seen;
    std::string shownURL, shown;
    ModalAnswerer user([&](QWidget* box) {
        TfrmRegCode* d = Dialog(box);
        ASSERT_NE(d, nullptr);
        seen = PictureSize(d);
        shown = ShownPixels(d);
        shownURL = d->ImageURL;
        EXPECT_FALSE(rig.timer->Enabled());  // the step that opened the dialog keeps it off
        EXPECT_EQ(d->FindComponent<TCheckBox>("cbNextCode")->Caption(),
                  u8"Больше не запрашивать у меня код. Я согласен (согласна) на импорт неполных данных."_cp);
        d->edRegCode->SetText(" 4711 ");
        ASSERT_TRUE(PressButton(box, u8"Передать код"_cp));
    });
    ASSERT_GT(RunFull(), 0);
    ASSERT_EQ(user.Seen().size(), 1u);  // the second code repeats the first without a dialog
    EXPECT_EQ(user.First().caption, u8"Введите код"_cp);
    EXPECT_EQ(seen, QSize(150, 47));
    const std::string want = DjpegPixels();
    ASSERT_EQ(want.size(), 150u * 47 * 3);
    EXPECT_TRUE(shown == want) << "the dialog shows another picture than djpeg decodes";
    EXPECT_EQ(shownURL, "http://" + server->Host() + "/tips/reg.phtml?image=1&s=q1");
    auto pictures = server->Requests("picture");
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_FALSE(pictures[0].HasHeader("Cookie"));  // the dialog's own downloader, not the session
    EXPECT_EQ(server->Requests("code-post").size(), 2u);
    EXPECT_EQ(rig.worker->LastCode, " 4711 ");
    auto rows = Rows(0);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], u8"Рита 1|r1|http://"_cp + server->Host() + u8"/r1/|Псков|27|0|3|0|0||0"_cp);
    EXPECT_EQ(rows[2], u8"Рита 2|r2|http://"_cp + server->Host() + u8"/r2/|Псков|27|0|3|0|0||0"_cp);
}

TEST_F(RegCodeDialogTest, RefusedCodeCanBeTypedAgainWithTheNewPicture) {
    StartWithDialog();
    std::vector<std::string> urls;
    ModalAnswerer user(std::vector<ModalAnswerer::Action>{
        [&](QWidget* box) {
            TfrmRegCode* d = Dialog(box);
            urls.push_back(d->ImageURL);
            d->edRegCode->SetText("0000");
            PressButton(box, u8"Передать код"_cp);
        },
        [&](QWidget* box) {
            // Still open, with the site's new code page and picture, and an empty edit.
            TfrmRegCode* d = Dialog(box);
            urls.push_back(d->ImageURL);
            EXPECT_EQ(d->edRegCode->Text(), "");
            EXPECT_NE(d->PageHTML.find("s=q2"), std::string::npos);
            EXPECT_EQ(PictureSize(d), QSize(150, 47));
            d->edRegCode->SetText("1174");
            PressButton(box, u8"Передать код"_cp);
        },
        [&](QWidget* box) { PressButton(box, u8"Не передавать"_cp); },
    });
    ASSERT_GT(RunFull(), 0);
    ASSERT_EQ(urls.size(), 2u);
    EXPECT_NE(urls[0].find("&s=q1"), std::string::npos);
    EXPECT_NE(urls[1].find("&s=q2"), std::string::npos);
    EXPECT_EQ(server->Requests("picture").size(), 3u);  // both pictures of r1, then r2's
    EXPECT_EQ(rig.worker->LastCode, "1174");
    EXPECT_NE(Rows(0)[1].find("|27|0|3|"), std::string::npos) << Rows(0)[1];
    // r2's picture "&s=q1" is not the accepted "&s=q2": it asks, and is cancelled (guest view).
    EXPECT_NE(Rows(0)[2].find("|27|0|1|"), std::string::npos) << Rows(0)[2];
}

TEST_F(RegCodeDialogTest, PictureThatFailsLeavesTheImageEmpty) {
    state.codePicture.clear();
    StartWithDialog();
    QSize seen(-1, -1);
    ModalAnswerer user([&](QWidget* box) {
        TfrmRegCode* d = Dialog(box);
        seen = d->imgRegCode->Rendered().isNull() ? QSize(0, 0) : PictureSize(d);
        d->edRegCode->SetText("4711");
        PressButton(box, u8"Передать код"_cp);
    });
    ASSERT_GT(RunFull(), 0);
    EXPECT_EQ(seen, QSize(0, 0));
    EXPECT_EQ(rig.worker->LastCode, "4711");  // the code could still be typed and sent
}

TEST_F(RegCodeDialogTest, NoMoreCodesAndCancel) {
    StartWithDialog();
    ModalAnswerer user([&](QWidget* box) {
        Dialog(box)->cbNextCode->SetChecked(true);
        PressButton(box, u8"Не передавать"_cp);
    });
    ASSERT_GT(RunFull(), 0);
    EXPECT_EQ(user.Seen().size(), 1u);
    EXPECT_FALSE(rig.worker->FullImport);
    EXPECT_TRUE(server->Requests("code-post").empty());
    EXPECT_TRUE(server->Requests("picture").size() == 1u);
}

TEST_F(RegCodeDialogTest, LayoutOfTheForm) {
    TfrmRegCode d;
    EXPECT_EQ(d.Caption(), u8"Введите код"_cp);
    EXPECT_EQ(d.BorderStyle(), bsDialog);
    EXPECT_EQ(d.Position(), poMainFormCenter);
    EXPECT_EQ(d.Width(), 360);
    EXPECT_EQ(d.Height(), 146);
    EXPECT_EQ(d.imgRegCode->geometry(), QRect(8, 25, 150, 47));
    EXPECT_EQ(d.lbTitle->geometry(), QRect(8, 4, 329, 13));
    EXPECT_TRUE(d.lbTitle->font().bold());
    EXPECT_EQ(d.lbTitle->Caption(), u8"Сервер запросил ввод кода, показанного на картинке"_cp);
    EXPECT_EQ(d.lbCode->Caption(), u8"Код"_cp);
    EXPECT_EQ(d.edRegCode->geometry(), QRect(208, 45, 121, 21));
    EXPECT_EQ(d.btnOK->geometry(), QRect(48, 117, 81, 25));
    EXPECT_EQ(d.btnOK->Caption(), u8"Передать код"_cp);
    EXPECT_EQ(d.btnOK->ModalResult(), 1);
    EXPECT_EQ(d.btnCancel->geometry(), QRect(232, 117, 89, 25));
    EXPECT_EQ(d.btnCancel->Caption(), u8"Не передавать"_cp);
    EXPECT_EQ(d.btnCancel->ModalResult(), 5);
    EXPECT_EQ(d.cbNextCode->geometry(), QRect(16, 79, 329, 26));
    // Wrapped by the form file itself: the caption set after the wrap lands in the wrapped label.
    EXPECT_TRUE(d.cbNextCode->WordWrap());
    EXPECT_EQ(d.cbNextCode->Caption(),
              u8"Больше не запрашивать у меня код. Я согласен (согласна) на импорт неполных данных."_cp);
    EXPECT_TRUE(d.cbNextCode->text().isEmpty());
    ASSERT_NE(d.cbNextCode->findChild<TLabel*>(), nullptr);
    EXPECT_EQ(d.cbNextCode->findChild<TLabel*>()->Caption(), d.cbNextCode->Caption());
    EXPECT_EQ(d.PageHTML, "");
    ASSERT_NE(d.Loader, nullptr);
    EXPECT_FALSE(d.Loader->isVisible());
    // Tab order: the edit, the two buttons, the box.
    EXPECT_EQ(d.edRegCode->nextInFocusChain(), d.btnOK);
    EXPECT_EQ(d.btnOK->nextInFocusChain(), d.btnCancel);
    EXPECT_EQ(d.btnCancel->nextInFocusChain(), d.cbNextCode);
}

}  // namespace

#endif  // VA_HAVE_AGENT_DIALOGS
