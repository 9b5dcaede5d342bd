#pragma once
// The one data module of the program: it owns every shared table and the settings for the whole
// run. The rest of the system reaches it through dmFriend. It reads and writes no file itself.
#include <cstdint>
#include <memory>

#include "storage/LookupTablesUnit.h"
#include "storage/SettingsUnit.h"
#include "storage/clFriend.h"
#include "storage/clFriendFolderList.h"
#include "storage/clUrlList.h"

class TdmFriend {
public:
    // Sets dmFriend to the new module first (the settings load reports to it), then builds the
    // tables and loads the settings. Should a step raise, dmFriend is cleared again.
    TdmFriend();
    // Frees the tables and the settings in their order; clears dmFriend. Nothing is saved.
    ~TdmFriend();
    TdmFriend(const TdmFriend&) = delete;
    TdmFriend& operator=(const TdmFriend&) = delete;

    // 1 when the settings key was missing at start-up, else 0.
    std::uint8_t NoSettings = 0;
    std::unique_ptr<TFriendFolderList> Folders;
    std::unique_ptr<TFriend> Friends;  // "Friends.xml"
    std::unique_ptr<TServer> Servers;  // "VelmoraServers.xml" (never opened)
    std::unique_ptr<TCountry> Countries;
    std::unique_ptr<TRegion> Regions;
    std::unique_ptr<TCity> Cities;
    std::unique_ptr<TStation> Stations;
    // The questionnaire dictionary, in creation and filling order.
    std::unique_ptr<TConditionGroup> TargetGroup, SponsorGroup, MusicGroup, LeisureGroup, MarriageMaleGroup,
        MarriageFemaleGroup, ChildrenGroup, HairGroup, ZodiacGroup, FigureGroup, SmokingGroup, NarcoticGroup,
        AlcoholGroup, IncomeGroup, AttractionGroup, AIDSGroup, LimbGroup, BustGroup, OrientationGroup;
    std::unique_ptr<TBraskSettings> Settings;

    // The nineteen category tables in order (index 0 is TargetGroup).
    TConditionGroup* ConditionGroup(int index) const;

private:
    void DataModuleCreate();
    void DataModuleDestroy();
    void FillConditionGroups();
};

extern TdmFriend* dmFriend;
