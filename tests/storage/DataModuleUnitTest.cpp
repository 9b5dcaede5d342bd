#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <filesystem>
#include <memory>
#include <string>

#include "RegistrySandbox.h"
#include "StorageTestUtil.h"
#include "platform/ProgramDir.h"
#include "storage/DataModuleUnit.h"
#include "platform/Codec.h"
#include "storage/QuestionnaireData.h"
#include "platform/CpLiteral.h"

namespace {


// The program folder and the current folder point at empty folders of the test's own.
class DataModuleTest : public RegistrySandbox {
protected:
    void SetUp() override {
        RegistrySandbox::SetUp();
        SetProgramDirectory(programDir_.DirSlash());
        oldCwd_ = std::filesystem::current_path();
        std::filesystem::current_path(workDir_.Dir());
    }
    void TearDown() override {
        std::filesystem::current_path(oldCwd_);
        SetProgramDirectory("");
    }
    TempDir programDir_;
    TempDir workDir_;
    std::filesystem::path oldCwd_;
};

TEST_F(DataModuleTest, CreationBuildsEmptyTablesAndTheDictionary) {
    auto dm = std::make_unique<TdmFriend>();
    EXPECT_EQ(dmFriend, dm.get());

    ASSERT_TRUE(dm->Friends);
    EXPECT_TRUE(dm->Friends->Active());
    EXPECT_EQ(dm->Friends->RecordCount(), 0);
    EXPECT_EQ(dm->Friends->FileName, "Friends.xml");
    ASSERT_TRUE(dm->Servers);
    EXPECT_TRUE(dm->Servers->Active());
    EXPECT_EQ(dm->Servers->RecordCount(), 0);
    EXPECT_EQ(dm->Servers->FileName, "VelmoraServers.xml");
    ASSERT_TRUE(dm->Folders);
    EXPECT_EQ(dm->Folders->RecordCount(), 0);
    EXPECT_EQ(dm->Folders->GetFolderTable(0), nullptr);
    ASSERT_TRUE(dm->Settings);

    EXPECT_EQ(dm->Countries->RecordCount(), 2);
    EXPECT_EQ(dm->Regions->RecordCount(), 1);
    EXPECT_EQ(dm->Cities->RecordCount(), 1);
    EXPECT_EQ(dm->Stations->RecordCount(), 1);
    dm->Stations->SetRecNo(1);
    EXPECT_EQ(dm->Stations->GetFieldText("Station"), u8"Выберите станцию..."_cp);

    const TConditionGroup* byName[] = {
        dm->TargetGroup.get(),   dm->SponsorGroup.get(),   dm->MusicGroup.get(),         dm->LeisureGroup.get(),
        dm->MarriageMaleGroup.get(), dm->MarriageFemaleGroup.get(), dm->ChildrenGroup.get(), dm->HairGroup.get(),
        dm->ZodiacGroup.get(),   dm->FigureGroup.get(),    dm->SmokingGroup.get(),       dm->NarcoticGroup.get(),
        dm->AlcoholGroup.get(),  dm->IncomeGroup.get(),    dm->AttractionGroup.get(),    dm->AIDSGroup.get(),
        dm->LimbGroup.get(),     dm->BustGroup.get(),      dm->OrientationGroup.get(),
    };
    const int counts[] = {14, 3, 11, 12, 4, 4, 4, 7, 12, 6, 4, 8, 3, 4, 14, 1, 4, 3, 4};
    int total = 0;
    for (int i = 0; i < 19; ++i) {
        TConditionGroup* g = dm->ConditionGroup(i);
        ASSERT_EQ(g, byName[i]) << i;
        EXPECT_TRUE(g->Active());
        EXPECT_EQ(g->RecordCount(), counts[i]) << QuestionnaireTables[i].Field;
        EXPECT_EQ(g->Document()->DocumentElement().NodeName(), "Contions");
        for (int r = 0; r < g->RecordCount(); ++r) EXPECT_EQ((*g->RecordNodes())[r].NodeName(), "Contion");
        total += g->RecordCount();
    }
    EXPECT_EQ(total, 122);
    EXPECT_EQ(dm->ConditionGroup(19), nullptr);

    // Every row reaches its table unchanged, in order.
    for (int i = 0; i < QuestionnaireTableCount; ++i) {
        TConditionGroup* g = dm->ConditionGroup(i);
        const TQuestionnaireTable& data = QuestionnaireTables[i];
        ASSERT_EQ(g->RecordCount(), data.Count) << data.Field;
        for (int r = 0; r < data.Count; ++r) {
            g->SetRecNo(r + 1);
            EXPECT_EQ(g->GetFieldText("id"), std::string(data.Rows[r].id)) << data.Field << " " << r;
            EXPECT_EQ(g->GetFieldText("Comment"), std::string(data.Rows[r].Comment)) << data.Field << " " << r;
            EXPECT_EQ(g->GetFieldText("Condition"), std::string(data.Rows[r].Condition)) << data.Field << " " << r;
        }
    }

    // Rows in order, first and last, and the odd ones byte for byte.
    dm->TargetGroup->SetRecNo(1);
    EXPECT_EQ(dm->TargetGroup->GetFieldText("id"), "Friendship");
    EXPECT_EQ(dm->TargetGroup->GetFieldText("Comment"), u8"Дружба и общение"_cp);
    dm->TargetGroup->SetRecNo(14);
    EXPECT_EQ(dm->TargetGroup->GetFieldText("id"), "Sport");
    dm->TargetGroup->SetRecNo(12);
    EXPECT_EQ(dm->TargetGroup->GetFieldText("Condition"), u8"Брак «для вида»"_cp);
    dm->OrientationGroup->SetRecNo(2);
    EXPECT_EQ(dm->OrientationGroup->GetFieldText("Comment"), u8"Би "_cp);
    EXPECT_EQ(dm->OrientationGroup->GetFieldText("Condition"), u8" Би "_cp);
    dm->AIDSGroup->SetRecNo(1);
    EXPECT_EQ(dm->AIDSGroup->GetFieldText("Condition"), u8"Положительный (инфицирован)"_cp);
    dm->IncomeGroup->SetRecNo(4);
    EXPECT_EQ(dm->IncomeGroup->GetFieldText("Condition"), u8"Хорошо зарабатываю / обеспечен"_cp);

    dm.reset();
    EXPECT_EQ(dmFriend, nullptr);
}

TEST_F(DataModuleTest, NoSettingsTellsWhetherTheKeyWasThere) {
    {
        TdmFriend dm;
        EXPECT_EQ(dm.NoSettings, 1);
        EXPECT_EQ(dm.Settings->VelmoraServer, SiteDefaultServer);
        EXPECT_EQ(dm.Settings->OnLineScan, 0);
    }
    EXPECT_FALSE(StoreExists());

    WriteStore("[Software\\Korvid\\Brask]\n\"OnLineScan\"=dword:00000001\n\"login\"=\"user\"\n");
    TdmFriend dm;
    EXPECT_EQ(dm.NoSettings, 0);
    EXPECT_EQ(dm.Settings->OnLineScan, 1);
    EXPECT_EQ(dm.Settings->login, "user");
}

TEST_F(DataModuleTest, AnUnreadableStoreDoesNotStopStartUp) {
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(StoreFile())));  // a folder, not a file
    std::unique_ptr<TdmFriend> dm;
    ASSERT_NO_THROW(dm = std::make_unique<TdmFriend>());
    EXPECT_EQ(dm->NoSettings, 1);
}

TEST_F(DataModuleTest, CreatingAndDestroyingWritesNoFile) {
    {
        TdmFriend dm;
        dm.Friends->AppendRecordNode();  // even with a record, nothing is saved at the end
    }
    EXPECT_TRUE(ListDir(programDir_.Dir()).empty());
    EXPECT_TRUE(ListDir(workDir_.Dir()).empty());
    EXPECT_FALSE(StoreExists());
}

}  // namespace
