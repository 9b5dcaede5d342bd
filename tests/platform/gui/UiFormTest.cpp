#include <QLineEdit>
#include <gtest/gtest.h>

#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"
#include "support/gui/GuiTest.h"
#include "ui_frmCodeTest.h"
#include "platform/CpLiteral.h"

namespace {
// A form whose layout comes from a .ui file, as the system's forms do.
class TfrmCodeTest : public TForm {
public:
    TfrmCodeTest() {
        ui.setupUi(this);
        SetBorderStyle(bsDialog);
    }
    Ui::frmCodeTest ui;
};
}  // namespace

TEST(UiFormTest, ControlsCarryTheirComponentNamesAndSettings) {
    TfrmCodeTest form;
    EXPECT_EQ(u8"Введите код"_cp, form.Caption());
    auto* ok = form.FindComponent<TButton>("btnOK");
    auto* cancel = form.FindComponent<TButton>("btnCancel");
    ASSERT_NE(nullptr, ok);
    ASSERT_NE(nullptr, cancel);
    EXPECT_EQ(form.ui.btnOK, ok);
    EXPECT_EQ(mrOk, ok->ModalResult());
    EXPECT_TRUE(ok->Default());
    EXPECT_EQ(mrIgnore, cancel->ModalResult());
    EXPECT_TRUE(cancel->Cancel());
    EXPECT_EQ(u8"Передать код"_cp, ok->Caption());
    EXPECT_EQ(QRect(232, 117, 89, 25), cancel->geometry());
    ASSERT_NE(nullptr, form.FindComponent<QLineEdit>("edRegCode"));
    // A label from a layout file shows plain text as well.
    auto* title = form.FindComponent<TLabel>("lbTitle");
    ASSERT_NE(nullptr, title);
    EXPECT_EQ(Qt::PlainText, title->textFormat());
    EXPECT_EQ(u8"<b>Сервер</b> запросил ввод кода"_cp, title->Caption());
}

TEST(UiFormTest, EscapeAndEnterAnswerThroughTheLayoutsButtons) {
    {
        TfrmCodeTest form;
        ModalAnswerer answer(ModalAnswerer::Key(Qt::Key_Escape));
        EXPECT_EQ(mrIgnore, form.ShowModal());
    }
    {
        TfrmCodeTest form;
        form.ui.edRegCode->setFocus();
        ModalAnswerer answer(ModalAnswerer::Key(Qt::Key_Return));
        EXPECT_EQ(mrOk, form.ShowModal());
    }
}
