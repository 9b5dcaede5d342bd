#include <QLabel>
#include <gtest/gtest.h>
#include <memory>

#include "platform/gui/Application.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Dialogs.h"
#include "support/gui/GuiTest.h"
#include "platform/CpLiteral.h"

namespace {
std::vector<TButton*> Buttons(TForm* form) {
    std::vector<TButton*> out;
    for (QObject* c : form->children())
        if (auto* b = dynamic_cast<TButton*>(c)) out.push_back(b);
    return out;
}
}  // namespace

TEST(MessageDialogTest, OneButtonPerMemberInTheSetsOrder) {
    std::unique_ptr<TForm> d(CreateMessageDialog(u8"Сообщение"_cp, mtWarning, {mbHelp, mbNo, mbYes, mbCancel}));
    const auto buttons = Buttons(d.get());
    ASSERT_EQ(4u, buttons.size());
    const char* names[] = {"Yes", "No", "Cancel", "Help"};
    const char* captions[] = {"&Yes", "&No", "Cancel", "&Help"};
    const TModalResult results[] = {mrYes, mrNo, mrCancel, mrNone};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(names[i], buttons[i]->objectName().toStdString());
        EXPECT_EQ(captions[i], buttons[i]->Caption());
        EXPECT_EQ(results[i], buttons[i]->ModalResult());
        if (i > 0) {
            EXPECT_GT(buttons[i]->x(), buttons[i - 1]->x());
            EXPECT_EQ(buttons[i]->y(), buttons[i - 1]->y());
            EXPECT_EQ(buttons[i]->size(), buttons[0]->size());
        }
    }
    EXPECT_TRUE(buttons[0]->Default());
    EXPECT_TRUE(buttons[2]->Cancel());
    EXPECT_FALSE(buttons[1]->Cancel());
    EXPECT_EQ("Warning", d->Caption());
    ASSERT_NE(nullptr, d->FindComponent<QLabel>("Image"));
    auto* message = d->FindComponent<TLabel>("Message");
    ASSERT_NE(nullptr, message);
    EXPECT_EQ(u8"Сообщение"_cp, message->Caption());
    // Icon, then the text right of it; the buttons below both, centred as a group.
    EXPECT_GT(message->x(), d->FindComponent<QLabel>("Image")->geometry().right());
    EXPECT_GT(buttons[0]->y(), message->geometry().bottom());
    const int groupLeft = buttons.front()->x();
    const int groupRight = d->width() - 1 - buttons.back()->geometry().right();
    EXPECT_LE(std::abs(groupLeft - groupRight), 1);
}

TEST(MessageDialogTest, TypesGiveCaptionsAndIcons) {
    const std::pair<TMsgDlgType, const char*> types[] = {
        {mtWarning, "Warning"}, {mtError, "Error"}, {mtInformation, "Information"}, {mtConfirmation, "Confirm"}};
    for (const auto& [type, caption] : types) {
        std::unique_ptr<TForm> d(CreateMessageDialog("x", type, {mbOK}));
        EXPECT_EQ(caption, d->Caption());
        EXPECT_NE(nullptr, d->FindComponent<QLabel>("Image"));
    }
    std::unique_ptr<TForm> custom(CreateMessageDialog("x", mtCustom, {mbOK}));
    EXPECT_EQ("Velmora Agent", custom->Caption());
    EXPECT_EQ(nullptr, custom->FindComponent<QLabel>("Image"));
    EXPECT_TRUE(Buttons(custom.get())[0]->Default());
    EXPECT_TRUE(Buttons(custom.get())[0]->Cancel());

    // Without OK and Yes, Retry is the default button; without Cancel, No and OK, none cancels.
    std::unique_ptr<TForm> retry(CreateMessageDialog("x", mtError, {mbAbort, mbRetry, mbIgnore}));
    const auto arb = Buttons(retry.get());
    ASSERT_EQ(3u, arb.size());
    EXPECT_FALSE(arb[0]->Default());
    EXPECT_TRUE(arb[1]->Default());
    EXPECT_FALSE(arb[2]->Default());
    for (TButton* b : arb) EXPECT_FALSE(b->Cancel());
}

TEST(MessageDialogTest, LongMessagesWrapAndLineBreaksCount) {
    std::string words;
    for (int i = 0; i < 60; ++i) words += u8"слово "_cp;
    std::unique_ptr<TForm> wide(CreateMessageDialog(words, mtCustom, {mbOK}));
    auto* label = wide->FindComponent<TLabel>("Message");
    EXPECT_LE(label->width(), 400);  // half the offscreen screen's 800
    EXPECT_GT(label->height(), 3 * label->fontMetrics().height());

    std::unique_ptr<TForm> one(CreateMessageDialog(u8"Ошибка"_cp, mtCustom, {mbOK}));
    std::unique_ptr<TForm> two(CreateMessageDialog(u8"Ошибка\n\rПовторите"_cp, mtCustom, {mbOK}));
    const int line = one->FindComponent<TLabel>("Message")->height();
    EXPECT_EQ(2 * line, two->FindComponent<TLabel>("Message")->height());
    EXPECT_EQ(QString::fromUtf16(u"Ошибка\nПовторите"), two->FindComponent<TLabel>("Message")->text());
}

TEST(MessageDialogTest, MessageDlgAndShowMessageAreModal) {
    {
        ModalAnswerer answer(ModalAnswerer::Press("&No"));
        EXPECT_EQ(mrNo, MessageDlg(u8"Продолжить?"_cp, mtConfirmation, {mbYes, mbNo}));
        EXPECT_EQ("Confirm", answer.First().caption);
        EXPECT_EQ(u8"Продолжить?"_cp, answer.First().text);
        EXPECT_EQ((std::vector<std::string>{"&Yes", "&No"}), answer.First().buttons);
    }
    {
        ModalAnswerer answer(ModalAnswerer::Key(Qt::Key_Escape));
        ShowMessage(u8"<i>Готово</i>"_cp);
        EXPECT_EQ("Velmora Agent", answer.First().caption);
        EXPECT_EQ(u8"<i>Готово</i>"_cp, answer.First().text);
    }
}
