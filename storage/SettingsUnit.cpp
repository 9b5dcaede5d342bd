#include "storage/SettingsUnit.h"

#include "platform/registry/Registry.h"
#include "storage/Base64.h"
#include "storage/DataModuleUnit.h"
#include "storage/clUrlList.h"

const char* const SettingsKey = "Software\\Korvid\\Brask";

// ---- TPropertyGroup ----

const std::vector<TPropertyGroup::TBoolProperty>& TPropertyGroup::Properties() const {
    static const std::vector<TBoolProperty> none;
    return none;
}

void TPropertyGroup::SetAsText(const std::string& S) {
    // Whole "|name|" tokens, so one name never switches on a longer one that contains it.
    std::string T;
    T.reserve(S.size() + 2);
    T.append(1, '|').append(S).append(1, '|');
    for (const TBoolProperty& p : Properties()) {
        p.Set(*this, false);
        std::string token;
        token.append(1, '|').append(p.Name).append(1, '|');
        if (T.find(token) != std::string::npos) p.Set(*this, true);
    }
}

std::string TPropertyGroup::GetAsText() const {
    std::string result;
    for (const TBoolProperty& p : Properties()) {
        if (!p.Get(*this)) continue;
        if (!result.empty()) result += "|";
        result += p.Name;
    }
    return result;
}

namespace {
bool IsNameChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The check box of an option: the first child check box whose name holds "chb" + the option's
// name as a whole word ("chbIntim" and "chbIntim1", not "chbIntimBuy"); failing that, the first
// one whose name merely contains it. The whole-word pass keeps "Intim" off the "IntimBuy" box
// whichever of the two comes first in the box.
int FindCheckBox(const TGroupBoxHook& box, const char* option) {
    const std::string wanted = std::string("chb") + option;
    int loose = -1;
    for (int i = 0; i < box.ControlCount(); ++i) {
        if (!box.IsCheckBox(i)) continue;
        const std::string name = box.ControlName(i);
        for (size_t at = name.find(wanted); at != std::string::npos; at = name.find(wanted, at + 1)) {
            size_t end = at + wanted.size();
            if (end == name.size() || !IsNameChar(name[end])) return i;
            if (loose < 0) loose = i;
        }
    }
    return loose;
}
}  // namespace

void TPropertyGroup::SetToControl(TGroupBoxHook* Control) const {
    if (!Control) return;
    for (const TBoolProperty& p : Properties()) {
        int i = FindCheckBox(*Control, p.Name);
        if (i >= 0) Control->SetChecked(i, p.Get(*this));
    }
}

void TPropertyGroup::GetFromControl(TGroupBoxHook* Control) {
    if (!Control) return;
    for (const TBoolProperty& p : Properties()) {
        p.Set(*this, false);
        int i = FindCheckBox(*Control, p.Name);
        if (i >= 0) p.Set(*this, Control->Checked(i));
    }
}

bool TPropertyGroup::GetOption(const std::string& name) const {
    for (const TBoolProperty& p : Properties())
        if (name == p.Name) return p.Get(*this);
    return false;
}

bool TPropertyGroup::SetOption(const std::string& name, bool value) {
    for (const TBoolProperty& p : Properties())
        if (name == p.Name) {
            p.Set(*this, value);
            return true;
        }
    return false;
}

const std::vector<TPropertyGroup::TBoolProperty>& Ttarget::Properties() const {
    static const std::vector<TBoolProperty> props = {
        VA_BOOL_PROPERTY(Ttarget, Friendship), VA_BOOL_PROPERTY(Ttarget, Email),
        VA_BOOL_PROPERTY(Ttarget, Love),       VA_BOOL_PROPERTY(Ttarget, RegSex),
        VA_BOOL_PROPERTY(Ttarget, SomeSex),    VA_BOOL_PROPERTY(Ttarget, Group),
        VA_BOOL_PROPERTY(Ttarget, Virt),       VA_BOOL_PROPERTY(Ttarget, Intim),
        VA_BOOL_PROPERTY(Ttarget, IntimBuy),   VA_BOOL_PROPERTY(Ttarget, Family),
        VA_BOOL_PROPERTY(Ttarget, Child),      VA_BOOL_PROPERTY(Ttarget, Fiktive),
        VA_BOOL_PROPERTY(Ttarget, Rent),       VA_BOOL_PROPERTY(Ttarget, Sport),
    };
    return props;
}

const std::vector<TPropertyGroup::TBoolProperty>& TSponsor::Properties() const {
    static const std::vector<TBoolProperty> props = {
        VA_BOOL_PROPERTY(TSponsor, LookFor),
        VA_BOOL_PROPERTY(TSponsor, Iam),
        VA_BOOL_PROPERTY(TSponsor, No),
    };
    return props;
}

// ---- TBraskSettings ----

TBraskSettings::TBraskSettings() : target_(std::make_unique<Ttarget>()), sponsor_(std::make_unique<TSponsor>()) {}
TBraskSettings::~TBraskSettings() = default;

#define VA_STRING_SETTING(Field)                                                               \
    TBraskSettings::TProperty {                                                                \
        #Field, TBraskSettings::pkString, [](const TBraskSettings& s) { return s.Field; },       \
            [](TBraskSettings& s, const std::string& v) { s.Field = v; }, nullptr, nullptr      \
    }
#define VA_ORDINAL_SETTING(Field)                                                              \
    TBraskSettings::TProperty {                                                                \
        #Field, TBraskSettings::pkOrdinal, nullptr, nullptr,                                    \
            [](const TBraskSettings& s) { return s.Field; }, [](TBraskSettings& s, int v) { s.Field = v; } \
    }

const std::vector<TBraskSettings::TProperty>& TBraskSettings::Properties() {
    static const std::vector<TProperty> props = {
        VA_STRING_SETTING(VelmoraServer),
        VA_STRING_SETTING(AgentServer),
        VA_STRING_SETTING(login),
        VA_STRING_SETTING(password),
        VA_STRING_SETTING(s_i),
        VA_STRING_SETTING(s_l),
        VA_STRING_SETTING(s_c),
        VA_STRING_SETTING(s_m),
        VA_STRING_SETTING(s_f),
        VA_STRING_SETTING(s_t),
        VA_STRING_SETTING(Country),
        VA_STRING_SETTING(Region),
        VA_STRING_SETTING(Town),
        VA_STRING_SETTING(Station),
        VA_STRING_SETTING(id_Country),
        VA_STRING_SETTING(id_Region),
        VA_STRING_SETTING(id_Town),
        VA_STRING_SETTING(id_Station),
        VA_ORDINAL_SETTING(PageCount),
        VA_ORDINAL_SETTING(OnLineScan),
        VA_ORDINAL_SETTING(MessageScan),
        VA_ORDINAL_SETTING(RegCode),
        {"target", pkString, [](const TBraskSettings& s) { return s.GetTarget(); },
         [](TBraskSettings& s, const std::string& v) { s.SetTarget(v); }, nullptr, nullptr},
        {"sponsor", pkString, [](const TBraskSettings& s) { return s.GetSponsor(); },
         [](TBraskSettings& s, const std::string& v) { s.SetSponsor(v); }, nullptr, nullptr},
    };
    return props;
}

void TBraskSettings::LoadFromRegistry() {
    bool found = false;
    try {
        TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        if (reg.KeyExists(SettingsKey) && reg.OpenKeyReadOnly(SettingsKey)) {
            found = true;
            for (const TProperty& p : Properties()) {
                // A value of the other kind is ignored: the property keeps its value.
                TRegDataType type = reg.GetDataType(p.Name);
                if (p.Kind == pkOrdinal && type == rdInteger)
                    p.SetOrdinal(*this, reg.ReadInteger(p.Name));
                else if (p.Kind == pkString && type == rdString)
                    p.SetString(*this, reg.ReadString(p.Name));
            }
            reg.CloseKey();
        }
    } catch (const Exception&) {
        // Start-up never fails over the settings; what was read stays.
    }
    keyFound_ = found;
    if (dmFriend) dmFriend->NoSettings = found ? 0 : 1;
    if (VelmoraServer.empty()) VelmoraServer = SiteDefaultServer;
}

void TBraskSettings::SaveToRegistry() {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKey(SettingsKey, true))
        throw ERegistryException(std::string("Failed to create key ") + SettingsKey);
    for (const TProperty& p : Properties()) {
        if (p.Kind == pkOrdinal)
            reg.WriteInteger(p.Name, p.GetOrdinal(*this));
        else
            reg.WriteString(p.Name, p.GetString(*this));
    }
    reg.CloseKey();  // raises when the store cannot be written
}

std::string TBraskSettings::GetPassword() const {
    std::string clear;
    return DecodeBase64(password, clear) ? clear : std::string();
}

void TBraskSettings::SetPassword(const std::string& S) { password = EncodeBase64(S); }

std::string TBraskSettings::GetTarget() const { return target_->GetAsText(); }
void TBraskSettings::SetTarget(const std::string& S) { target_->SetAsText(S); }
std::string TBraskSettings::GetSponsor() const { return sponsor_->GetAsText(); }
void TBraskSettings::SetSponsor(const std::string& S) { sponsor_->SetAsText(S); }

void TBraskSettings::GetTargetFromControl(TGroupBoxHook* Control) { target_->GetFromControl(Control); }
void TBraskSettings::SetTargetToControl(TGroupBoxHook* Control) { target_->SetToControl(Control); }
void TBraskSettings::GetSponsorFromControl(TGroupBoxHook* Control) { sponsor_->GetFromControl(Control); }
void TBraskSettings::SetSponsorToControl(TGroupBoxHook* Control) { sponsor_->SetToControl(Control); }
