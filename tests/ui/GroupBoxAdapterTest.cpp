#include <QGroupBox>
#include <QLabel>
#include <gtest/gtest.h>

#include "platform/gui/StdCtrls.h"
#include "storage/SettingsUnit.h"
#include "ui/GroupBoxAdapter.h"

namespace {

TCheckBox* Box(QWidget* parent, const char* name) {
    auto* c = new TCheckBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    return c;
}

TEST(GroupBoxAdapterTest, OptionGroupsReachTheCheckBoxesOfAGroupBox) {
    QGroupBox gb;
    auto* label = new QLabel(&gb);
    label->setObjectName(u"lbchbLove");  // not a check box, though its name matches
    TCheckBox* intimBuy = Box(&gb, "chbIntimBuy");
    TCheckBox* love = Box(&gb, "chbLove");
    TCheckBox* intim = Box(&gb, "chbIntim");
    QWidget inner(&gb);
    TCheckBox* nested = Box(&inner, "chbSport");  // not a child of the box itself

    auto hook = TGroupBoxAdapter::For(&gb);
    ASSERT_TRUE(hook);
    ASSERT_EQ(hook->ControlCount(), 5);
    EXPECT_EQ(hook->ControlName(1), "chbIntimBuy");
    EXPECT_FALSE(hook->IsCheckBox(0));
    EXPECT_TRUE(hook->IsCheckBox(1));

    TBraskSettings settings;
    settings.SetTarget("Love|Intim|Sport");
    settings.SetTargetToControl(hook.get());
    EXPECT_TRUE(love->Checked());
    EXPECT_TRUE(intim->Checked());
    EXPECT_FALSE(intimBuy->Checked());
    EXPECT_FALSE(nested->Checked());

    love->SetChecked(false);
    intimBuy->SetChecked(true);
    settings.GetTargetFromControl(hook.get());
    EXPECT_EQ(settings.GetTarget(), "Intim|IntimBuy");
}

TEST(GroupBoxAdapterTest, OtherControlsGiveNoHook) {
    QWidget plain;
    EXPECT_EQ(TGroupBoxAdapter::For(&plain), nullptr);
    EXPECT_EQ(TGroupBoxAdapter::For(nullptr), nullptr);
    TBraskSettings settings;
    settings.SetTarget("Love");
    settings.GetTargetFromControl(TGroupBoxAdapter::For(&plain).get());  // nothing happens
    EXPECT_EQ(settings.GetTarget(), "Love");
}

}  // namespace
