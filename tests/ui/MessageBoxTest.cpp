#include <QApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>
#include <memory>

#include "platform/gui/Application.h"
#include "platform/gui/Bitmaps.h"
#include "platform/gui/Controls.h"
#include "platform/gui/TTimer.h"
#include "support/gui/GuiTest.h"
#include "ui/dlMessages.h"
#include "platform/CpLiteral.h"

namespace {

std::vector<TBitBtn*> BitButtons(TForm* box) {
    std::vector<TBitBtn*> out;
    for (QObject* c : box->children())
        if (auto* b = dynamic_cast<TBitBtn*>(c)) out.push_back(b);
    return out;
}

// Every push button of the standard dialog is replaced: no plain TButton is left.
int PlainButtons(TForm* box) {
    int n = 0;
    for (QObject* c : box->children())
        if (dynamic_cast<TButton*>(c) && !dynamic_cast<TBitBtn*>(c)) ++n;
    return n;
}

const char* const kAllNames[] = {"BTN_YES",    "BTN_NO",  "BTN_OK",     "BTN_CANCEL",  "BTN_ABORT", "BTN_RETRY",
                                 "BTN_IGNORE", "BTN_ALL", "BTN_ALL_NO", "BTN_ALL_YES", "BTN_HELP"};

}  // namespace

TEST(MessageBoxTest, TheSharedBoxExistsAfterStartUp) {
    ASSERT_NE(nullptr, dlgMessages);
    EXPECT_EQ(16, dlgMessages->GlyphSize);
    EXPECT_FALSE(dlgMessages->isVisible());
}

TEST(MessageBoxTest, AShortYesNoQuestionIs260WideWithButtonsAt20And140) {
    std::unique_ptr<TForm> box(dlgMessages->CreateDialog(u8"Выйти из программы?"_cp, mtInformation, {mbYes, mbNo}));
    EXPECT_EQ(260, box->Width());
    const auto buttons = BitButtons(box.get());
    ASSERT_EQ(2u, buttons.size());
    EXPECT_EQ(0, PlainButtons(box.get()));
    EXPECT_EQ(QRect(20, buttons[0]->y(), 100, 25), buttons[0]->geometry());
    EXPECT_EQ(QRect(140, buttons[0]->y(), 100, 25), buttons[1]->geometry());
    EXPECT_EQ(u8"Да"_cp, buttons[0]->Caption());
    EXPECT_EQ(u8"Нет"_cp, buttons[1]->Caption());
    EXPECT_EQ(mrYes, buttons[0]->ModalResult());
    EXPECT_EQ(mrNo, buttons[1]->ModalResult());
    EXPECT_TRUE(buttons[0]->Default());
    EXPECT_TRUE(buttons[1]->Cancel());
    auto* label = box->FindComponent<TLabel>("Message");
    ASSERT_NE(nullptr, label);
    EXPECT_EQ(20, label->y());
    EXPECT_EQ((260 - label->width() + 44) / 2, label->x());
    EXPECT_TRUE(label->Transparent());
    EXPECT_GT(buttons[0]->y(), label->geometry().bottom());
    EXPECT_EQ("Velmora Agent", box->Caption());
}

TEST(MessageBoxTest, A300PixelLabelWithTwoButtonsGivesWidth352) {
    std::unique_ptr<TForm> box(CreateMessageDialog(u8"Удалить контакт \"Маша\"?"_cp, mtInformation, {mbYes, mbNo}));
    box->FindComponent<TLabel>("Message")->resize(300, 13);
    dlgMessages->Restyle(box.get(), mtInformation);
    EXPECT_EQ(352, box->Width());
    const auto buttons = BitButtons(box.get());
    ASSERT_EQ(2u, buttons.size());
    EXPECT_EQ(50, buttons[0]->x());
    EXPECT_EQ(200, buttons[1]->x());
    EXPECT_EQ(48, box->FindComponent<TLabel>("Message")->x());
}

TEST(MessageBoxTest, AWideMessageSetsTheWidthFromItsLabel) {
    std::string text;
    for (int i = 0; i < 12; ++i) text += u8"Очистить \"Общая папка\" "_cp;
    std::unique_ptr<TForm> box(dlgMessages->CreateDialog(text, mtWarning, {mbYes, mbNo, mbCancel}));
    const int lw = box->FindComponent<TLabel>("Message")->width();
    ASSERT_GT(lw + 52, 3 * 100 + 4 * 20);
    EXPECT_EQ(lw + 52, box->Width());
    const int gap = (lw + 52 - 300) / 4;
    const auto buttons = BitButtons(box.get());
    ASSERT_EQ(3u, buttons.size());
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(i * gap + (i - 1) * 100, buttons[i - 1]->x()) << i;
    EXPECT_EQ(u8"Отмена"_cp, buttons[2]->Caption());
    EXPECT_EQ(mrCancel, buttons[2]->ModalResult());
}

TEST(MessageBoxTest, ShowMessageKeepsTheWidthCentresTheLabelAndRaisesTheButton) {
    const std::string text = u8"Импорт контактов завершен."_cp;
    std::unique_ptr<TForm> standard(CreateMessageDialog(text, mtCustom, {mbOK}));
    const QRect pushRect = standard->FindComponent<TButton>("OK")->geometry();
    ASSERT_LT(pushRect.height(), 24);  // the case the least height exists for

    std::unique_ptr<TForm> box(dlgMessages->CreateDialog(text, mtCustom, {mbOK}));
    EXPECT_EQ(standard->Width(), box->Width());
    auto* label = box->FindComponent<TLabel>("Message");
    const int slack = box->Width() - label->width();
    EXPECT_LE(std::abs(label->x() - (box->Width() - label->x() - label->width())), 1);
    if (slack % 2 == 0) {
        EXPECT_EQ(slack / 2, label->x());
    }
    const auto buttons = BitButtons(box.get());
    ASSERT_EQ(1u, buttons.size());
    EXPECT_EQ(QRect(pushRect.x(), pushRect.y(), pushRect.width(), 24), buttons[0]->geometry());
    EXPECT_EQ("OK", buttons[0]->Caption());

    ModalAnswerer answer(ModalAnswerer::Press("OK"));
    EXPECT_EQ(mrOk, dlgMessages->ShowMessage(text));
    EXPECT_EQ("Velmora Agent", answer.First().caption);
    EXPECT_EQ(text, answer.First().text);
    EXPECT_EQ(std::vector<std::string>{"OK"}, answer.First().buttons);
}

TEST(MessageBoxTest, TheCustomLabelsCentreRoundsHalvesToEven) {
    // width / 2 - label / 2 for a 200-wide box: 74.5 -> 74, 73.5 -> 74, 75.5 -> 76.
    const std::pair<int, int> cases[] = {{51, 74}, {53, 74}, {49, 76}};
    for (const auto& [labelWidth, left] : cases) {
        std::unique_ptr<TForm> box(CreateMessageDialog(u8"Готово"_cp, mtCustom, {mbOK}));
        box->SetWidth(200);
        auto* label = box->FindComponent<TLabel>("Message");
        const int top = label->y();
        label->resize(labelWidth, label->height());
        dlgMessages->Restyle(box.get(), mtCustom);
        EXPECT_EQ(200, box->Width()) << labelWidth;
        EXPECT_EQ(left, label->x()) << labelWidth;
        EXPECT_EQ(top, label->y()) << labelWidth;
    }
}

TEST(MessageBoxTest, EscapeAnswersNoAndEnterAnswersYes) {
    {
        ModalAnswerer answer(ModalAnswerer::Key(Qt::Key_Escape));
        EXPECT_EQ(mrNo, dlgMessages->MessageDlg(u8"Удалить контакт \"Маша\"?"_cp, mtInformation, {mbYes, mbNo}));
    }
    {
        ModalAnswerer answer(ModalAnswerer::Key(Qt::Key_Return));
        EXPECT_EQ(mrYes, dlgMessages->MessageDlg(u8"Удалить контакт \"Маша\"?"_cp, mtInformation, {mbYes, mbNo}));
    }
    {
        ModalAnswerer answer([](QWidget* box) { box->close(); });
        EXPECT_EQ(mrCancel, dlgMessages->MessageDlg(u8"Вопрос?"_cp, mtInformation, {mbYes, mbNo}));
    }
}

TEST(MessageBoxTest, TheCaptionIsTheApplicationTitle) {
    const std::string saved = Application->Title();
    Application->SetTitle(u8"Агент"_cp);
    ModalAnswerer answer(ModalAnswerer::Press(u8"Да"_cp));
    EXPECT_EQ(mrYes, dlgMessages->MessageDlg(u8"Вопрос?"_cp, mtConfirmation, {mbYes, mbNo}));
    Application->SetTitle(saved);
    EXPECT_EQ(u8"Агент"_cp, answer.First().caption);
}

TEST(MessageBoxTest, MarkupInAMessageIsShownAsIs) {
    ModalAnswerer answer([](QWidget* box) {
        auto* label = box->findChild<QLabel*>(QStringLiteral("Message"));
        ASSERT_NE(nullptr, label);
        EXPECT_EQ(Qt::PlainText, label->textFormat());
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(QStringLiteral("<b>x</b>")));
        PressButton(box, "OK");
    });
    dlgMessages->ShowMessage("<b>x</b>");
    EXPECT_EQ("<b>x</b>", answer.First().text);
}

TEST(MessageBoxTest, EveryButtonHasItsCaptionGlyphAndResult) {
    struct Case {
        std::string_view caption;
        TModalResult result;
    };
    const Case cases[] = {{u8"Да"_cp, mrYes},         {u8"Нет"_cp, mrNo},    {"OK", mrOk},
                          {u8"Отмена"_cp, mrCancel},  {u8"Прервать"_cp, mrAbort}, {u8"Повторить"_cp, mrRetry},
                          {u8"Игнорировать"_cp, mrIgnore}, {u8"Все"_cp, mrAll}, {u8"Нет для Всех"_cp, mrNo},
                          {u8"Да для Всех"_cp, mrYes}};
    const TMsgDlgButtons all{mbYes, mbNo,  mbOK,      mbCancel,   mbAbort, mbRetry,
                             mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp};
    std::unique_ptr<TForm> box(dlgMessages->CreateDialog(u8"Все кнопки"_cp, mtWarning, all));
    const auto buttons = BitButtons(box.get());
    ASSERT_EQ(11u, buttons.size());
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(cases[i].caption, buttons[i]->Caption());
        EXPECT_EQ(cases[i].result, buttons[i]->ModalResult());
    }
    EXPECT_EQ(u8"Подсказка"_cp, buttons[10]->Caption());
    EXPECT_EQ(mrNone, buttons[10]->ModalResult());
    for (size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(QSize(16, 16), buttons[i]->Glyph().size()) << i;
        EXPECT_FALSE(buttons[i]->icon().isNull()) << i;
        if (i > 0) {
            EXPECT_NE(buttons[i]->Glyph().toImage(), buttons[i - 1]->Glyph().toImage()) << i;
        }
    }
    EXPECT_EQ(11 * 100 + 12 * 20, box->Width());

    // Pressing each closes the box with its result; Help leaves it open.
    for (const Case& c : cases) {
        ModalAnswerer answer({ModalAnswerer::Press(u8"Подсказка"_cp), ModalAnswerer::Press(std::string(c.caption))});
        EXPECT_EQ(c.result, dlgMessages->MessageDlg(u8"Все кнопки"_cp, mtWarning, all)) << c.caption;
        EXPECT_EQ(2u, answer.Seen().size()) << c.caption;
    }
}

TEST(MessageBoxTest, GlyphResourcesAre16By16In16Colours) {
    for (const char* name : kAllNames) {
        QImageReader reader(QStringLiteral(":/bitmaps/") + QLatin1String(name));
        EXPECT_EQ(QByteArray("bmp"), reader.format()) << name;
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(QSize(16, 16), image.size()) << name;
        EXPECT_LE(image.colorCount(), 16) << name;
        EXPECT_GT(image.colorCount(), 0) << name;
        EXPECT_EQ(QSize(16, 16), LoadBitmapResource(name).size());
    }
    EXPECT_THROW(LoadBitmapResource("BTN_NOTHING"), EResNotFound);
}

TEST(MessageBoxTest, TimersTickWhileABoxIsOpen) {
    // Only ticks handled by the box's own modal loop can answer it.
    TTimer timer;
    timer.SetInterval(10);
    int ticksWithABox = 0;
    timer.SetOnTimer([&](TObject*) {
        QWidget* box = QApplication::activeModalWidget();
        if (box && ++ticksWithABox == 5) {
            EXPECT_TRUE(PressButton(box, u8"Нет"_cp));
        }
    });
    EXPECT_EQ(mrNo, dlgMessages->MessageDlg(u8"Очистить \"Общая папка\" и \"Избранные пользователи\"?"_cp, mtInformation,
                                            {mbYes, mbNo}));
    EXPECT_EQ(5, ticksWithABox);
}

TEST(MessageBoxTest, ScreenshotsForAPersonToLookAt) {
    const QString dir = QStringLiteral(VA_BUILD_DIR "/screenshots");
    QDir().mkpath(dir);
    auto shoot = [&](const QString& file, const char* button) {
        return [=](QWidget* box) {
            EXPECT_TRUE(box->grab().save(dir + "/" + file));
            PressButton(box, button);
        };
    };
    {
        ModalAnswerer answer(shoot(QStringLiteral("message_question.png"), u8"Да"_cp.c_str()));
        dlgMessages->MessageDlg(u8"Очистить \"Общая папка\" и \"Избранные пользователи\"?"_cp, mtInformation,
                                {mbYes, mbNo});
    }
    {
        ModalAnswerer answer(shoot(QStringLiteral("message_show.png"), "OK"));
        dlgMessages->ShowMessage(u8"Импорт контактов завершен."_cp);
    }
    {
        ModalAnswerer answer(shoot(QStringLiteral("message_all_buttons.png"), u8"Отмена"_cp.c_str()));
        dlgMessages->MessageDlg(u8"Все кнопки окна сообщений"_cp, mtWarning,
                                {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll,
                                 mbYesToAll, mbHelp});
    }
    for (const char* f : {"message_question.png", "message_show.png", "message_all_buttons.png"}) {
        const QImage shot(dir + "/" + f);
        EXPECT_FALSE(shot.isNull()) << f;
    }
}

TEST(MessageBoxTest, ABoxStandsInTheMiddleOfTheMainWindow) {
    TForm main;
    main.setGeometry(120, 80, 308, 594);
    main.show();
    Application->SetMainForm(&main);
    QPoint centre;
    ModalAnswerer answer([&](QWidget* box) {
        centre = box->frameGeometry().center();
        PressButton(box, "OK");
    });
    dlgMessages->ShowMessage(u8"Такое имя уже есть в списке!"_cp);
    Application->SetMainForm(nullptr);
    EXPECT_LE((centre - main.frameGeometry().center()).manhattanLength(), 4);  // integer halves
}
