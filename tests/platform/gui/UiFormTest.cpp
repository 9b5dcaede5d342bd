#include <QLineEdit>
#include <gtest/gtest.h>

#include "platform/gui/Controls.h"
#include "platform/gui/Forms.h"
#include "support/gui/GuiTest.h"
#include "ui_frmCodeTest.h"

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
    EXPECT_EQ("Введите код", form.Caption());
    auto* ok = form.FindComponent<TButton>("btnOK");
    auto* cancel = form.FindComponent<TButton>("btnCancel");
    ASSERT_NE(nullptr, ok);
    ASSERT_NE(nullptr, cancel);
    EXPECT_EQ(form.ui.btnOK, ok);
    EXPECT_EQ(mrOk, ok->ModalResult());
    EXPECT_TRUE(ok->Default());
    EXPECT_EQ(mrIgnore, cancel->ModalResult());
    EXPECT_TRUE(cancel->Cancel());
    EXPECT_EQ("Передать код", ok->Caption());
    EXPECT_EQ(QRect(232, 117, 89, 25), cancel->geometry());
    ASSERT_NE(nullptr, form.FindComponent<QLineEdit>("edRegCode"));
    // A label from a layout file shows plain text as well.
    auto* title = form.FindComponent<TLabel>("lbTitle");
    ASSERT_NE(nullptr, title);
    EXPECT_EQ(Qt::PlainText, title->textFormat());
    EXPECT_EQ("<b>Сервер</b> запросил ввод кода", title->Caption());
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
