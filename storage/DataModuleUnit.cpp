#include "storage/DataModuleUnit.h"

#include "storage/QuestionnaireData.h"

TdmFriend* dmFriend = nullptr;

namespace {
using GroupField = std::unique_ptr<TConditionGroup> TdmFriend::*;
// The category tables in creation, filling and freeing order; QuestionnaireTables lists its
// data in the same order, table t filling kGroups[t].
const GroupField kGroups[QuestionnaireTableCount] = {
    &TdmFriend::TargetGroup,       &TdmFriend::SponsorGroup,      &TdmFriend::MusicGroup,
    &TdmFriend::LeisureGroup,      &TdmFriend::MarriageMaleGroup, &TdmFriend::MarriageFemaleGroup,
    &TdmFriend::ChildrenGroup,     &TdmFriend::HairGroup,         &TdmFriend::ZodiacGroup,
    &TdmFriend::FigureGroup,       &TdmFriend::SmokingGroup,      &TdmFriend::NarcoticGroup,
    &TdmFriend::AlcoholGroup,      &TdmFriend::IncomeGroup,       &TdmFriend::AttractionGroup,
    &TdmFriend::AIDSGroup,         &TdmFriend::LimbGroup,         &TdmFriend::BustGroup,
    &TdmFriend::OrientationGroup,
};
}  // namespace

TdmFriend::TdmFriend() {
    dmFriend = this;
    try {
        DataModuleCreate();
    } catch (...) {
        dmFriend = nullptr;
        throw;
    }
}

TdmFriend::~TdmFriend() {
    DataModuleDestroy();
    if (dmFriend == this) dmFriend = nullptr;
}

void TdmFriend::DataModuleCreate() {
    Friends = std::make_unique<TFriend>();
    Friends->Open();
    Friends->FileName = "Friends.xml";
    Folders = std::make_unique<TFriendFolderList>();
    Servers = std::make_unique<TServer>();
    Servers->Open();
    Servers->FileName = "VelmoraServers.xml";
    Settings = std::make_unique<TBraskSettings>();
    Settings->LoadFromRegistry();
    Countries = std::make_unique<TCountry>();
    Regions = std::make_unique<TRegion>();
    Cities = std::make_unique<TCity>();
    Stations = std::make_unique<TStation>();
    for (GroupField g : kGroups) this->*g = std::make_unique<TConditionGroup>();
    FillConditionGroups();
}

void TdmFriend::FillConditionGroups() {
    for (int t = 0; t < QuestionnaireTableCount; ++t) {
        const TQuestionnaireTable& table = QuestionnaireTables[t];
        TConditionGroup& group = *(this->*kGroups[t]);
        for (int r = 0; r < table.Count; ++r) {
            const TQuestionnaireRow& row = table.Rows[r];
            group.AddCondition(row.id, row.Comment, row.Condition);
        }
    }
}

TConditionGroup* TdmFriend::ConditionGroup(int index) const {
    if (index < 0 || index >= QuestionnaireTableCount) return nullptr;
    return (this->*kGroups[index]).get();
}

void TdmFriend::DataModuleDestroy() {
    Friends.reset();
    Folders.reset();
    Servers.reset();
    Countries.reset();
    Regions.reset();
    Cities.reset();
    Stations.reset();
    for (GroupField g : kGroups) (this->*g).reset();
    Settings.reset();
}
