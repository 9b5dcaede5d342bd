#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "RegistrySandbox.h"
#include "platform/ClassRegistry.h"
#include "platform/Codec.h"
#include "platform/CpLiteral.h"
#include "storage/SettingsUnit.h"
#include "storage/StorageInit.h"
#include "storage/clUrlList.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

class SettingsTest : public RegistrySandbox {};

// Every property set to a value of its own, as the settings page would leave them.
void FillAll(TBraskSettings& s) {
    int n = 0;
    for (const auto& p : TBraskSettings::Properties()) {
        ++n;
        if (p.Kind == TBraskSettings::pkOrdinal) p.SetOrdinal(s, n);
        else p.SetString(s, u8"значение "_cp + std::to_string(n));
    }
    s.AgentServer = "www.velmora.ru";
    s.login = u8"Маша_1990"_cp;
    s.SetPassword(u8"пароль"_cp);
    s.PageCount = -1;
    s.OnLineScan = 1;
    s.MessageScan = 0;
    s.RegCode = 1;
    s.SetTarget("Friendship|Love|Sport");
    s.SetSponsor("Iam");
}

// The value lines of the store: name -> the text after "=".
std::map<std::string, std::string> StoreValues(const std::string& text) {
    std::map<std::string, std::string> out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        std::string line = text.substr(pos, end - pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        if (line.empty() || line[0] != '"') continue;
        size_t close = line.find("\"=");
        out[line.substr(1, close - 1)] = line.substr(close + 2);
    }
    return out;
}

TEST_F(SettingsTest, PropertiesAreTheTwentyFourInDeclarationOrder) {
    const std::vector<std::string> expected = {
        "VelmoraServer", "AgentServer", "login",      "password",  "s_i",        "s_l",
        "s_c",           "s_m",         "s_f",        "s_t",       "Country",    "Region",
        "Town",          "Station",     "id_Country", "id_Region", "id_Town",    "id_Station",
        "PageCount",     "OnLineScan",  "MessageScan", "RegCode",  "target",     "sponsor"};
    std::vector<std::string> names;
    std::set<std::string> ordinal;
    for (const auto& p : TBraskSettings::Properties()) {
        names.push_back(p.Name);
        if (p.Kind == TBraskSettings::pkOrdinal) ordinal.insert(p.Name);
    }
    EXPECT_EQ(names, expected);
    EXPECT_EQ(ordinal, (std::set<std::string>{"PageCount", "OnLineScan", "MessageScan", "RegCode"}));
}

TEST_F(SettingsTest, LoadWithoutAStoreKeepsDefaultsAndCreatesNothing) {
    TBraskSettings s;
    s.LoadFromRegistry();
    EXPECT_FALSE(s.KeyFound());
    EXPECT_EQ(s.VelmoraServer, SiteDefaultServer);
    EXPECT_EQ(s.AgentServer, "");
    EXPECT_EQ(s.login, "");
    EXPECT_EQ(s.password, "");
    EXPECT_EQ(s.GetPassword(), "");
    EXPECT_EQ(s.PageCount, 0);
    EXPECT_EQ(s.OnLineScan, 0);
    EXPECT_EQ(s.MessageScan, 0);
    EXPECT_EQ(s.RegCode, 0);
    EXPECT_EQ(s.GetTarget(), "");
    EXPECT_EQ(s.GetSponsor(), "");
    EXPECT_FALSE(StoreExists());
    EXPECT_TRUE(QDir(configDir_.path()).isEmpty());
}

TEST_F(SettingsTest, SaveThenLoadGivesBackEveryProperty) {
    TBraskSettings saved;
    FillAll(saved);
    saved.SaveToRegistry();

    TBraskSettings loaded;
    loaded.LoadFromRegistry();
    EXPECT_TRUE(loaded.KeyFound());
    for (const auto& p : TBraskSettings::Properties()) {
        if (p.Kind == TBraskSettings::pkOrdinal)
            EXPECT_EQ(p.GetOrdinal(loaded), p.GetOrdinal(saved)) << p.Name;
        else
            EXPECT_EQ(p.GetString(loaded), p.GetString(saved)) << p.Name;
    }
    EXPECT_EQ(loaded.login, u8"Маша_1990"_cp);
    EXPECT_EQ(loaded.PageCount, -1);
    EXPECT_EQ(loaded.GetTarget(), "Friendship|Love|Sport");
    EXPECT_TRUE(loaded.TargetOptions().Love);
    EXPECT_FALSE(loaded.TargetOptions().Email);
    EXPECT_EQ(loaded.GetSponsor(), "Iam");
    EXPECT_EQ(loaded.GetPassword(), u8"пароль"_cp);
}

TEST_F(SettingsTest, StoreHoldsOrdinalsAsDwordsAndTheRestAsStrings) {
    TBraskSettings s;
    FillAll(s);
    s.s_i = "";  // empty strings are written too
    s.SaveToRegistry();
    auto values = StoreValues(StoreText());
    ASSERT_EQ(values.size(), 24u) << StoreText();
    for (const auto& p : TBraskSettings::Properties()) {
        ASSERT_TRUE(values.count(p.Name)) << p.Name;
        const std::string& v = values[p.Name];
        if (p.Kind == TBraskSettings::pkOrdinal)
            EXPECT_EQ(v.rfind("dword:", 0), 0u) << p.Name << "=" << v;
        else
            EXPECT_EQ(v.front(), '"') << p.Name << "=" << v;
    }
    EXPECT_EQ(values["PageCount"], "dword:ffffffff");
    EXPECT_EQ(values["RegCode"], "dword:00000001");
    EXPECT_EQ(values["s_i"], "\"\"");
    EXPECT_EQ(values["login"], "\"" + Cp1251ToUtf8(u8"Маша_1990"_cp) + "\"");
    EXPECT_EQ(values["target"], "\"Friendship|Love|Sport\"");
    EXPECT_EQ(StoreMode(), 0600u);
}

TEST_F(SettingsTest, PasswordIsStoredAsBase64Only) {
    TBraskSettings s;
    s.SetPassword(u8"пароль"_cp);
    EXPECT_EQ(s.password, "7+Dw7uv8");
    EXPECT_EQ(s.GetPassword(), u8"пароль"_cp);
    s.SaveToRegistry();
    const std::string text = StoreText();
    EXPECT_EQ(StoreValues(text)["password"], "\"7+Dw7uv8\"");
    EXPECT_EQ(text.find(Cp1251ToUtf8(u8"пароль"_cp)), std::string::npos);
    EXPECT_EQ(text.find(u8"пароль"_cp), std::string::npos);

    s.SetPassword("");
    EXPECT_EQ(s.password, "");
    EXPECT_EQ(s.GetPassword(), "");
}

TEST_F(SettingsTest, AStoredPasswordThatIsNotBase64ReadsAsEmpty) {
    WriteStore("[Software\\Korvid\\Brask]\n\"password\"=\"not base64!\"\n");
    TBraskSettings s;
    s.LoadFromRegistry();
    EXPECT_EQ(s.password, "not base64!");
    EXPECT_EQ(s.GetPassword(), "");
}

TEST_F(SettingsTest, ValuesOfTheWrongKindAreIgnored) {
    WriteStore("[Software\\Korvid\\Brask]\n"
               "\"PageCount\"=\"7\"\n"
               "\"login\"=dword:00000005\n"
               "\"OnLineScan\"=dword:00000001\n"
               "\"AgentServer\"=\"srv\"\n"
               "\"target\"=dword:00000001\n");
    TBraskSettings s;
    s.PageCount = 3;
    s.login = "kept";
    s.SetTarget("Love");
    s.LoadFromRegistry();
    EXPECT_TRUE(s.KeyFound());
    EXPECT_EQ(s.PageCount, 3);
    EXPECT_EQ(s.login, "kept");
    EXPECT_EQ(s.GetTarget(), "Love");
    EXPECT_EQ(s.OnLineScan, 1);
    EXPECT_EQ(s.AgentServer, "srv");
}

TEST_F(SettingsTest, MissingValuesKeepTheirPropertyAndVelmoraServerIsOnlyFilledWhenEmpty) {
    WriteStore("[Software\\Korvid\\Brask]\n\"MessageScan\"=dword:00000001\n\"VelmoraServer\"=\"mirror.example\"\n");
    TBraskSettings s;
    s.login = "before";
    s.LoadFromRegistry();
    EXPECT_EQ(s.MessageScan, 1);
    EXPECT_EQ(s.login, "before");
    EXPECT_EQ(s.VelmoraServer, "mirror.example");
}

TEST_F(SettingsTest, AStoreThatCannotBeReadCountsAsMissing) {
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(StoreFile())));  // a folder where the file goes
    TBraskSettings s;
    EXPECT_NO_THROW(s.LoadFromRegistry());
    EXPECT_FALSE(s.KeyFound());
    EXPECT_EQ(s.login, "");
    EXPECT_EQ(s.VelmoraServer, SiteDefaultServer);
}

TEST_F(SettingsTest, ADamagedLineLosesOnlyItself) {
    {
        TBraskSettings s;
        FillAll(s);
        s.PageCount = 10;
        s.s_t = u8"Ярославль"_cp.str();
        s.SaveToRegistry();
        TRegistry reg;  // a key of a later version stays too
        ASSERT_TRUE(reg.OpenKey(SettingsKey, false));
        reg.WriteString("Future", "kept");
        reg.CloseKey();
    }
    const std::string good = StoreText();
    const std::string dword = "\"PageCount\"=dword:0000000a";
    ASSERT_NE(good.find(dword), std::string::npos) << good;
    // One value of nine digits; and the store cut inside a Cyrillic letter of its last value.
    std::string nineDigits = good;
    nineDigits.replace(nineDigits.find(dword), dword.size(), "\"PageCount\"=dword:123456789");
    const std::string letter = Cp1251ToUtf8(u8"Я"_cp);
    const size_t cut = good.find("\"" + letter);
    ASSERT_NE(cut, std::string::npos) << good;
    ASSERT_GT(cut, good.find("\"password\"")) << "the cut must come after the values checked";
    const std::string cutShort = good.substr(0, cut + 2);

    for (const std::string& damaged : {nineDigits, cutShort}) {
        WriteStore(damaged);
        TBraskSettings s;
        s.LoadFromRegistry();
        EXPECT_TRUE(s.KeyFound());
        EXPECT_EQ(s.login, u8"Маша_1990"_cp.str());
        EXPECT_EQ(s.GetPassword(), u8"пароль"_cp.str());
        EXPECT_EQ(s.AgentServer, "www.velmora.ru");
        EXPECT_EQ(s.PageCount, damaged == cutShort ? 10 : 0);
        EXPECT_EQ(s.s_t, damaged == cutShort ? "" : u8"Ярославль"_cp.str());
        s.SaveToRegistry();
        EXPECT_EQ(ReadFile(StoreFile() + ".bak"), damaged);

        TBraskSettings again;
        again.LoadFromRegistry();
        EXPECT_EQ(again.login, u8"Маша_1990"_cp.str());
        EXPECT_EQ(again.GetPassword(), u8"пароль"_cp.str());
        EXPECT_EQ(again.AgentServer, "www.velmora.ru");
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKeyReadOnly(SettingsKey));
        EXPECT_EQ(reg.ReadString("Future"), "kept");
        reg.CloseKey();
        // The store is sound again: the next save keeps the backup as it is.
        WriteStore("");
        std::remove((StoreFile() + ".bak").c_str());
        again.SaveToRegistry();
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(StoreFile() + ".bak")));
    }
}

TEST_F(SettingsTest, AFailedSaveRaises) {
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(StoreFile())));  // a folder where the file goes
    TBraskSettings s;
    FillAll(s);
    EXPECT_THROW(s.SaveToRegistry(), ERegistryException);
}

// ---- option groups ----

TEST(PropertyGroupTest, TextTurnsOnWholeNamesOnly) {
    Ttarget t;
    t.SetAsText("Love|Intim");
    EXPECT_TRUE(t.Love);
    EXPECT_TRUE(t.Intim);
    EXPECT_FALSE(t.IntimBuy);
    EXPECT_EQ(t.GetAsText(), "Love|Intim");

    t.SetAsText("IntimBuy");
    EXPECT_FALSE(t.Intim);
    EXPECT_TRUE(t.IntimBuy);
    EXPECT_FALSE(t.Love);

    t.SetAsText("Sport|Unknown|love|Friendship");  // order free, case-sensitive, unknown ignored
    EXPECT_EQ(t.GetAsText(), "Friendship|Sport");

    t.SetAsText("");
    EXPECT_EQ(t.GetAsText(), "");
    for (const auto& p : t.Properties()) EXPECT_FALSE(p.Get(t)) << p.Name;

    std::string all;
    for (const auto& p : t.Properties()) all += (all.empty() ? "" : "|") + std::string(p.Name);
    t.SetAsText(all);
    EXPECT_EQ(t.GetAsText(), all);
    EXPECT_EQ(t.Properties().size(), 14u);

    TSponsor s;
    s.SetAsText("No|Iam");
    EXPECT_EQ(s.GetAsText(), "Iam|No");
    EXPECT_FALSE(s.LookFor);
    TPropertyGroup base;
    base.SetAsText("Love");
    EXPECT_EQ(base.GetAsText(), "");
}

// A group box's children as the adapter of the user interface would list them.
class FakeBox : public TGroupBoxHook {
public:
    struct Child {
        std::string name;
        bool checkBox;
        bool checked;
    };
    std::vector<Child> children;
    int ControlCount() const override { return static_cast<int>(children.size()); }
    std::string ControlName(int i) const override { return children[i].name; }
    bool IsCheckBox(int i) const override { return children[i].checkBox; }
    bool Checked(int i) const override { return children[i].checked; }
    void SetChecked(int i, bool v) override { children[i].checked = v; }
};

TEST(PropertyGroupTest, ControlsMatchCheckBoxesByName) {
    FakeBox box;
    box.children = {
        {"lbLove", false, false},            // not a check box
        {"chbIntimBuy", true, false},        // before chbIntim: must not take Intim's state
        {"chbLove", true, false},
        {"chbIntim", true, false},
        {"chbLove2", true, false},           // a later match is not touched
        {"gbchbSportBox", true, false},      // only "contains": still Sport's box
    };
    Ttarget t;
    t.SetAsText("Love|Intim|Sport");
    t.SetToControl(&box);
    EXPECT_FALSE(box.children[1].checked);
    EXPECT_TRUE(box.children[2].checked);
    EXPECT_TRUE(box.children[3].checked);
    EXPECT_FALSE(box.children[4].checked);
    EXPECT_TRUE(box.children[5].checked);

    box.children[1].checked = true;   // IntimBuy on
    box.children[2].checked = false;  // Love off
    t.Friendship = true;              // no box: ends off
    t.GetFromControl(&box);
    EXPECT_EQ(t.GetAsText(), "Intim|IntimBuy|Sport");

    t.SetToControl(nullptr);  // not a group box: nothing happens
    t.GetFromControl(nullptr);
    EXPECT_EQ(t.GetAsText(), "Intim|IntimBuy|Sport");

    TBraskSettings s;
    s.SetTargetToControl(&box);  // all off in a new object
    EXPECT_FALSE(box.children[3].checked);
    FakeBox sponsorBox;
    sponsorBox.children = {{"chbNo", true, true}, {"chbIam", true, false}};
    s.GetSponsorFromControl(&sponsorBox);
    EXPECT_EQ(s.GetSponsor(), "No");
    s.SetSponsor("Iam");
    s.SetSponsorToControl(&sponsorBox);
    EXPECT_FALSE(sponsorBox.children[0].checked);
    EXPECT_TRUE(sponsorBox.children[1].checked);
}

TEST(PropertyGroupTest, RegisteredByNameAtStartUp) {
    auto& classes = TPersistentClassRegistry::Global();
    EXPECT_TRUE(classes.IsRegistered("TPropertyGroup"));  // by the test main's start-up
    storage::initialise();  // a second start-up changes nothing
    ASSERT_TRUE(classes.IsRegistered("TPropertyGroup"));
    auto obj = classes.Create("tpropertygroup");
    ASSERT_TRUE(obj);
    EXPECT_EQ(obj->ClassName(), "TPropertyGroup");
    EXPECT_NE(dynamic_cast<TPropertyGroup*>(obj.get()), nullptr);
}

}  // namespace
