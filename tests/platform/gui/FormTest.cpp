#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "platform/gui/Application.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"
#include "support/gui/GuiTest.h"
#include "platform/CpLiteral.h"

namespace {

// A dialog with an edit and the buttons "Передать" (OK, default), "Не передавать" (Ignore) and
// "Отмена" (Cancel, cancel button).
struct CodeDialog {
    TForm form;
    QLineEdit* edit;
    TButton* ok;
    TButton* skip;
    TButton* cancel;
    CodeDialog() {
        form.SetBorderStyle(bsDialog);
        form.SetClientSize(360, 146);
        edit = new QLineEdit(&form);
        edit->setObjectName("edRegCode");
        ok = MakeButton("btnOK", u8"Передать"_cp.c_str(), mrOk, 48);
        ok->SetDefault(true);
        skip = MakeButton("btnSkip", u8"Не передавать"_cp.c_str(), mrIgnore, 140);
        cancel = MakeButton("btnCancel", u8"Отмена"_cp.c_str(), mrCancel, 232);
        cancel->SetCancel(true);
        edit->setFocus();
    }
    TButton* MakeButton(const char* name, const char* caption, TModalResult result, int left) {
        auto* b = new TButton(&form);
        b->setObjectName(name);
        b->SetCaption(caption);
        b->SetModalResult(result);
        b->setGeometry(left, 117, 81, 25);
        return b;
    }
};

}  // namespace

TEST(FormTest, AButtonsModalResultEndsShowModal) {
    CodeDialog d;
    ModalAnswerer answer(ModalAnswerer::Press(u8"Не передавать"_cp));
    EXPECT_EQ(mrIgnore, d.form.ShowModal());
    EXPECT_FALSE(d.form.isVisible());
    EXPECT_EQ(mrIgnore, d.form.ModalResult());
}

TEST(FormTest, AClickHandlerThatSetsTheResultToZeroKeepsTheFormOpen) {
    CodeDialog d;
    int clicks = 0;
    d.ok->OnClick = [&](TObject* sender) {
        EXPECT_EQ(d.ok, sender);
        EXPECT_EQ(mrOk, d.form.ModalResult());  // the button's result is set before the handler
        if (++clicks == 1) d.form.SetModalResult(mrNone);
    };
    ModalAnswerer answer({ModalAnswerer::Press(u8"Передать"_cp), ModalAnswerer::Press(u8"Передать"_cp)});
    EXPECT_EQ(mrOk, d.form.ShowModal());
    EXPECT_EQ(2, clicks);
    EXPECT_EQ(2u, answer.Seen().size());
}

TEST(FormTest, EscapeClicksTheCancelButtonAndEnterTheDefaultButton) {
    {
        CodeDialog d;
        ModalAnswerer answer(ModalAnswerer::Key(Qt::Key_Escape));
        EXPECT_EQ(mrCancel, d.form.ShowModal());
    }
    {
        CodeDialog d;
        int clicks = 0;
        d.ok->OnClick = [&](TObject*) { ++clicks; };
        ModalAnswerer answer(ModalAnswerer::Key(Qt::Key_Return));
        EXPECT_EQ(mrOk, d.form.ShowModal());
        EXPECT_EQ(1, clicks);
    }
    {
        // Enter on a focused button presses that button.
        CodeDialog d;
        ModalAnswerer answer([&](QWidget*) {
            d.skip->setFocus();
            PressKey(&d.form, Qt::Key_Enter);
        });
        EXPECT_EQ(mrIgnore, d.form.ShowModal());
    }
}

TEST(FormTest, EscapeWithoutACancelButtonLeavesTheFormOpen) {
    CodeDialog d;
    d.cancel->SetCancel(false);
    ModalAnswerer answer({ModalAnswerer::Key(Qt::Key_Escape), ModalAnswerer::Press(u8"Не передавать"_cp)});
    EXPECT_EQ(mrIgnore, d.form.ShowModal());
    EXPECT_EQ(2u, answer.Seen().size());
}

TEST(FormTest, TheCloseBoxGivesCancel) {
    CodeDialog d;
    d.cancel->SetModalResult(mrAbort);  // the close box does not go through the cancel button
    ModalAnswerer answer([](QWidget* box) { box->close(); });
    EXPECT_EQ(mrCancel, d.form.ShowModal());
}

TEST(FormTest, CloseQueryCanRefuseToEndTheModalLoop) {
    CodeDialog d;
    int asked = 0;
    d.form.OnCloseQuery = [&] { return ++asked > 1; };
    ModalAnswerer answer({ModalAnswerer::Press(u8"Передать"_cp), ModalAnswerer::Press(u8"Отмена"_cp)});
    EXPECT_EQ(mrCancel, d.form.ShowModal());
    EXPECT_EQ(2, asked);
}

TEST(FormTest, AClickHandlerThatRaisesShowsTheErrorAndTheFormStaysUsable) {
    CodeDialog d;
    d.ok->OnClick = [&](TObject*) {
        d.form.SetModalResult(mrNone);
        throw EConvertError("'abc' is not a valid integer value");
    };
    ModalAnswerer answer({ModalAnswerer::Press(u8"Передать"_cp), ModalAnswerer::Press("OK"),
                          ModalAnswerer::Press(u8"Отмена"_cp)});
    EXPECT_EQ(mrCancel, d.form.ShowModal());
    ASSERT_EQ(3u, answer.Seen().size());
    EXPECT_EQ("Velmora Agent", answer.Seen()[1].caption);
    EXPECT_EQ("'abc' is not a valid integer value.", answer.Seen()[1].text);
}

TEST(FormTest, ComponentsAreFoundByName) {
    CodeDialog d;
    EXPECT_EQ(d.edit, d.form.FindComponent<QLineEdit>("edRegCode"));
    EXPECT_EQ(d.cancel, d.form.FindComponent<TButton>("btnCancel"));
    EXPECT_EQ(nullptr, d.form.FindComponent("btnNothing"));
    EXPECT_EQ(&d.form, GetParentForm(d.ok));
}

TEST(FormTest, CaptionsGoThroughTheCodePage) {
    TForm form;
    form.SetCaption(u8"Введите код"_cp);
    EXPECT_EQ(QString::fromUtf16(u"Введите код"), form.windowTitle());
    EXPECT_EQ(u8"Введите код"_cp, form.Caption());
    TButton b(&form);
    b.SetCaption(u8"&Да"_cp);
    EXPECT_EQ(QString::fromUtf16(u"&Да"), b.text());
}

TEST(FormTest, ADialogWiderThanTheMainFormAtTheScreensEdgeStaysOnTheScreen) {
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget main;
    main.resize(308, 400);
    main.move(free.right() + 1 - 308, free.top() + 20);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    QWidget* before = Application->MainForm();
    Application->SetMainForm(&main);
    CodeDialog d;
    d.form.SetPosition(poMainFormCenter);
    QRect placed;
    ModalAnswerer answer([&](QWidget* box) {
        placed = box->frameGeometry();
        PressButton(box, u8"Отмена"_cp);
    });
    d.form.ShowModal();
    Application->SetMainForm(before);
    EXPECT_EQ(360, d.form.width());
    EXPECT_TRUE(free.contains(placed)) << placed.x() << "," << placed.y() << " in " << free.width();
    EXPECT_NEAR(main.frameGeometry().center().y(), placed.center().y(), 1);  // still centred on it downwards
}
