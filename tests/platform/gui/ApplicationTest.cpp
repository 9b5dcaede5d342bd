#include <QApplication>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "platform/gui/Application.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"
#include "support/gui/GuiTest.h"
#include "platform/CpLiteral.h"

namespace {

// Runs the application's loop; a hang is ended after a generous bound and reported.
bool RunBounded(int boundMs = 5000) {
    bool timedOut = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        timedOut = true;
        if (QWidget* box = QApplication::activeModalWidget()) box->hide();
        QCoreApplication::exit(0);
    });
    guard.start(boundMs);
    Application->Run();
    return !timedOut;
}

}  // namespace

TEST(ApplicationTest, ClosingTheMainFormEndsTheLoop) {
    TForm main;
    main.show();
    Application->SetMainForm(&main);
    int asked = 0;
    main.OnCloseQuery = [&] { return ++asked > 1; };  // the first close is refused
    QTimer::singleShot(20, [&] { main.close(); });
    QTimer::singleShot(60, [&] { main.close(); });
    const bool ended = RunBounded();
    Application->SetMainForm(nullptr);
    EXPECT_TRUE(ended);
    EXPECT_EQ(2, asked);
}

TEST(ApplicationTest, TerminateEndsAnOpenBoxWithCancelAndTheLoop) {
    TModalResult result = -1;
    bool shownAfter = false;
    TModalResult afterResult = -1;
    QTimer::singleShot(10, [&] {
        TForm box;
        QTimer::singleShot(30, [] { Application->Terminate(); });
        result = box.ShowModal();
        // A box asked for once the loop is ending does not wait for an answer.
        TForm late;
        afterResult = late.ShowModal();
        shownAfter = true;
    });
    EXPECT_TRUE(RunBounded());
    EXPECT_EQ(mrCancel, result);
    EXPECT_TRUE(shownAfter);
    EXPECT_EQ(mrCancel, afterResult);

    // Once the loop has ended, boxes work again (the shutdown may still ask or tell).
    TForm form;
    QTimer::singleShot(20, [&] { form.SetModalResult(mrOk); });
    EXPECT_EQ(mrOk, form.ShowModal());
}

TEST(ApplicationTest, CloseQueryThatRaisesShowsTheErrorAndKeepsTheFormOpen) {
    TForm form;
    auto* ok = new TButton(&form);
    ok->SetCaption(u8"Готово"_cp);
    ok->SetModalResult(mrOk);
    ok->setGeometry(10, 10, 80, 25);
    int asked = 0;
    form.OnCloseQuery = [&]() -> bool {
        if (++asked == 1) throw EConvertError("'x' is not a valid integer value");
        return true;
    };
    ModalAnswerer answer({ModalAnswerer::Press(u8"Готово"_cp), ModalAnswerer::Press("OK"),
                          ModalAnswerer::Press(u8"Готово"_cp)});
    EXPECT_EQ(mrOk, form.ShowModal());
    EXPECT_EQ(2, asked);
    ASSERT_EQ(3u, answer.Seen().size());
    EXPECT_EQ("'x' is not a valid integer value.", answer.Seen()[1].text);
    EXPECT_FALSE(form.InModalLoop());
    // The form is usable for a second modal run.
    ModalAnswerer again(ModalAnswerer::Press(u8"Готово"_cp));
    EXPECT_EQ(mrOk, form.ShowModal());
}

TEST(ApplicationTest, TheFontIsAFamilyWithArialsWidthsNotAFallback) {
    EXPECT_EQ(QStringLiteral("Liberation Sans"), QFontInfo(DefaultFont()).family());
    EXPECT_EQ(11, DefaultFont().pixelSize());
    EXPECT_EQ(QStringLiteral("Liberation Sans"), QFontInfo(QApplication::font()).family());
}
