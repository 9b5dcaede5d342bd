#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/Codec.h"
#include "storage/LookupTablesUnit.h"
#include "storage/QuestionnaireData.h"
#include "storage/SettingsUnit.h"
#include "platform/CpLiteral.h"

namespace {

std::string Field(TXMLTable& t, int recNo, const char* name) {
    t.SetRecNo(recNo);
    return t.GetFieldText(name);
}

// FNV-1a over "id TAB Comment TAB Condition LF" of every row in order, in cp1251.
uint64_t Fingerprint(const std::string& bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}


TEST(LookupTablesTest, AreaTablesHoldTheirPlaceholderRows) {
    TCountry countries;
    TRegion regions;
    TCity cities;
    TStation stations;
    struct Expect {
        TArea* table;
        const char* root;
        const char* record;
        std::vector<std::pair<std::string, std::string>> rows;
    };
    const Expect expected[] = {
        {&countries, "Countries", "Country", {{"0", u8"Выберите страну..."_cp}, {"3159", u8"Россия"_cp}}},
        {&regions, "Regions", "Region", {{"0_0", u8"Выберите регион..."_cp}}},
        {&cities, "Cities", "City", {{"0_0_0", u8"Выберите город..."_cp}}},
        {&stations, "Stations", "Station", {{"0_0_0_0", u8"Выберите станцию..."_cp}}},
    };
    for (const Expect& e : expected) {
        TArea& t = *e.table;
        EXPECT_EQ(t.TopNodeName(), e.root);
        EXPECT_EQ(t.RecordNodeName(), e.record);
        EXPECT_EQ(t.CaptionField(), e.record);
        ASSERT_EQ(t.RecordCount(), static_cast<int>(e.rows.size())) << e.root;
        EXPECT_EQ(t.Document()->DocumentElement().NodeName(), e.root);
        for (size_t i = 0; i < e.rows.size(); ++i) {
            TXMLNode rec = (*t.RecordNodes())[static_cast<int>(i)];
            EXPECT_EQ(rec.NodeName(), e.record);
            ASSERT_EQ(rec.ChildNodes().Count(), 2);
            EXPECT_EQ(rec.ChildNodes()[0].NodeName(), "id");
            EXPECT_EQ(rec.ChildNodes()[1].NodeName(), e.record);
            EXPECT_EQ(Field(t, static_cast<int>(i) + 1, "id"), e.rows[i].first);
            EXPECT_EQ(Field(t, static_cast<int>(i) + 1, e.record), e.rows[i].second);
        }
    }
    // "Россия" is these cp1251 bytes.
    EXPECT_EQ(Field(countries, 2, "Country"), "\xD0\xEE\xF1\xF1\xE8\xFF");
}

TEST(LookupTablesTest, ConditionGroupIsOpenAndEmptyUntilFilled) {
    TConditionGroup g;
    EXPECT_TRUE(g.Active());
    EXPECT_EQ(g.RecordCount(), 0);
    EXPECT_EQ(g.TopNodeName(), "Contions");
    EXPECT_EQ(g.RecordNodeName(), "Contion");
    TXMLNode rec = g.AddCondition("Bi", u8"Би "_cp, u8" Би "_cp);
    EXPECT_EQ(rec.NodeName(), "Contion");
    ASSERT_EQ(rec.ChildNodes().Count(), 3);
    EXPECT_EQ(rec.ChildNodes()[0].NodeName(), "id");
    EXPECT_EQ(rec.ChildNodes()[1].NodeName(), "Comment");
    EXPECT_EQ(rec.ChildNodes()[2].NodeName(), "Condition");
    EXPECT_EQ(g.Document()->DocumentElement().NodeName(), "Contions");
    EXPECT_EQ(Field(g, 1, "Condition"), u8" Би "_cp);
}

// The carried dictionary is complete: nineteen tables with their row counts, 122 rows, and
// every byte of every row as the site has it (the fingerprint was taken from the site's table).
TEST(LookupTablesTest, QuestionnaireDataIsComplete) {
    const std::pair<const char*, int> expected[] = {
        {"TargetGroup", 14},   {"SponsorGroup", 3},      {"MusicGroup", 11},   {"LeisureGroup", 12},
        {"MarriageMaleGroup", 4}, {"MarriageFemaleGroup", 4}, {"ChildrenGroup", 4}, {"HairGroup", 7},
        {"ZodiacGroup", 12},   {"FigureGroup", 6},       {"SmokingGroup", 4},   {"NarcoticGroup", 8},
        {"AlcoholGroup", 3},   {"IncomeGroup", 4},       {"AttractionGroup", 14}, {"AIDSGroup", 1},
        {"LimbGroup", 4},      {"BustGroup", 3},         {"OrientationGroup", 4},
    };
    ASSERT_EQ(QuestionnaireTableCount, 19);
    int total = 0;
    std::string all;
    for (int t = 0; t < QuestionnaireTableCount; ++t) {
        EXPECT_STREQ(QuestionnaireTables[t].Field, expected[t].first);
        EXPECT_EQ(QuestionnaireTables[t].Count, expected[t].second) << expected[t].first;
        total += QuestionnaireTables[t].Count;
        for (int r = 0; r < QuestionnaireTables[t].Count; ++r) {
            const TQuestionnaireRow& row = QuestionnaireTables[t].Rows[r];
            all += std::string(row.id) + "\t" + std::string(row.Comment) + "\t" + std::string(row.Condition) + "\n";
        }
    }
    EXPECT_EQ(total, 122);
    EXPECT_EQ(all.size(), 4508u);
    EXPECT_EQ(Fingerprint(all), 0xceb7a1f6b5d62141ull);
    // No character fell outside the code page on the way.
    EXPECT_EQ(Cp1251ToUtf8(all).find('?'), std::string::npos);
}

TEST(LookupTablesTest, OddValuesAreKeptAsTheyStand) {
    auto find = [](const char* table, const char* id) -> const TQuestionnaireRow* {
        for (const auto& t : QuestionnaireTables)
            if (std::string(t.Field) == table)
                for (int r = 0; r < t.Count; ++r)
                    if (std::string(t.Rows[r].id) == id) return &t.Rows[r];
        return nullptr;
    };
    const TQuestionnaireRow* bi = find("OrientationGroup", "Bi");
    ASSERT_NE(bi, nullptr);
    EXPECT_EQ(std::string(bi->Comment), "\xC1\xE8\x20");       // "Би " with its trailing blank
    EXPECT_EQ(std::string(bi->Condition), "\x20\xC1\xE8\x20"); // " Би "
    const TQuestionnaireRow* fiktive = find("TargetGroup", "Fiktive");
    ASSERT_NE(fiktive, nullptr);
    EXPECT_EQ(std::string(fiktive->Comment), u8"Брак для вида"_cp);
    EXPECT_EQ(std::string(fiktive->Condition), "\xC1\xF0\xE0\xEA\x20\xAB\xE4\xEB\xFF\x20\xE2\xE8\xE4\xE0\xBB");  // guillemets 0xAB 0xBB
    const TQuestionnaireRow* classic = find("MusicGroup", "ClassicMusic");
    ASSERT_NE(classic, nullptr);
    EXPECT_EQ(std::string(classic->Condition), u8"Классическа"_cp);
    const TQuestionnaireRow* iam = find("SponsorGroup", "Iam");
    ASSERT_NE(iam, nullptr);
    EXPECT_EQ(std::string(iam->Condition), u8"стать спонсором"_cp);
}

// The first two categories are the option groups of the settings, name for name.
TEST(LookupTablesTest, TargetAndSponsorIdsAreTheOptionNames) {
    Ttarget target;
    TSponsor sponsor;
    const std::pair<const TQuestionnaireTable*, const TPropertyGroup*> pairs[] = {
        {&QuestionnaireTables[0], &target}, {&QuestionnaireTables[1], &sponsor}};
    for (const auto& [table, group] : pairs) {
        ASSERT_EQ(static_cast<size_t>(table->Count), group->Properties().size());
        for (int r = 0; r < table->Count; ++r) EXPECT_EQ(std::string(table->Rows[r].id), group->Properties()[r].Name);
    }
}

}  // namespace
