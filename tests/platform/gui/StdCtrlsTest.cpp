#include <QCoreApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "platform/gui/Application.h"
#include "platform/gui/Controls.h"
#include "platform/gui/StdCtrls.h"
#include "platform/CpLiteral.h"

TEST(EditTest, TextIsCp1251AndEveryChangeIsReported) {
    TEdit edit;
    int changes = 0;
    edit.OnChange = [&](TObject* sender) {
        EXPECT_EQ(&edit, sender);
        ++changes;
    };
    edit.SetText(u8" код 42 "_cp);
    EXPECT_EQ(u8" код 42 "_cp, edit.Text());
    EXPECT_EQ(QString::fromUtf16(u" код 42 "), edit.text());
    EXPECT_EQ(1, changes);
    edit.SetPasswordChar('*');
    EXPECT_EQ(QLineEdit::Password, edit.echoMode());
    EXPECT_EQ(u8" код 42 "_cp, edit.Text());
    EXPECT_EQ(QString(8, QLatin1Char('*')), edit.displayText());
}

TEST(CheckBoxTest, SettingTheTickFiresOnClick) {
    TCheckBox box;
    int clicks = 0;
    box.OnClick = [&](TObject*) { ++clicks; };
    box.SetChecked(true);
    box.SetChecked(true);  // no change, no event
    box.SetChecked(false);
    EXPECT_EQ(2, clicks);
}

TEST(CheckBoxTest, AWrappedCaptionRunsOverLinesAndTheTextIsClickable) {
    TCheckBox box;
    box.SetCaption(u8"Больше не запрашивать у меня код. Я согласен (согласна) на импорт неполных данных."_cp);
    box.SetWordWrap(true);
    box.setGeometry(16, 79, 329, 26);
    box.show();  // the text is laid out when the box is shown
    EXPECT_EQ(u8"Больше не запрашивать у меня код. Я согласен (согласна) на импорт неполных данных."_cp,
              box.Caption());
    auto* label = box.findChild<TLabel*>();
    ASSERT_NE(nullptr, label);
    EXPECT_LT(label->width(), 329);
    EXPECT_GT(label->heightForWidth(label->width()), label->fontMetrics().height());  // two lines
    EXPECT_TRUE(box.text().isEmpty());

    // A click on the text, far right of the indicator, ticks the box.
    const QPoint onText(250, 8);
    QMouseEvent press(QEvent::MouseButtonPress, onText, box.mapToGlobal(onText), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, onText, box.mapToGlobal(onText), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &press);
    QCoreApplication::sendEvent(&box, &release);
    EXPECT_TRUE(box.Checked());

    box.SetWordWrap(false);
    EXPECT_EQ(nullptr, box.findChild<TLabel*>());
    EXPECT_EQ(QString::fromUtf16(u"Больше не запрашивать у меня код. Я согласен (согласна) на импорт неполных данных."), box.text());
}

TEST(CheckBoxTest, ATextSetAfterTheWrapIsTheWrappedCaption) {
    // The order of uic's code: the wrap (a property) first, the text last.
    TCheckBox box;
    box.setProperty("wordWrap", QVariant(true));
    box.setText(QString::fromUtf16(u"Больше не запрашивать у меня код."));
    EXPECT_EQ(u8"Больше не запрашивать у меня код."_cp, box.Caption());
    EXPECT_TRUE(box.text().isEmpty());
    auto* label = box.findChild<TLabel*>();
    ASSERT_NE(nullptr, label);
    EXPECT_EQ(u8"Больше не запрашивать у меня код."_cp, label->Caption());

    // Unwrapped, the caption is the box's own text however it was set.
    TCheckBox plain;
    plain.setText(QString::fromUtf16(u"Онлайн"));
    EXPECT_EQ(u8"Онлайн"_cp, plain.Caption());
    static_cast<QCheckBox&>(plain).setText(QString::fromUtf16(u"Сейчас"));
    EXPECT_EQ(u8"Сейчас"_cp, plain.Caption());
    plain.SetWordWrap(true);
    EXPECT_EQ(u8"Сейчас"_cp, plain.Caption());
    plain.SetWordWrap(false);
    EXPECT_EQ(QString::fromUtf16(u"Сейчас"), plain.text());
}
