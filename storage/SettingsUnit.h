#pragma once
// The account and search settings, kept in the registry under HKEY_CURRENT_USER
// "Software\Korvid\Brask": one value per published property, named as the property; ordinal
// properties as REG_DWORD, the others as REG_SZ. Also the option groups that turn a set of
// Boolean properties into one "|"-joined text and back.
#include <memory>
#include <string>
#include <vector>

#include "platform/Object.h"

// The registry key of the settings.
extern const char* const SettingsKey;

// A group box as the option groups see it: its child controls in their order. Storage does not
// link the widget toolkit; the user interface supplies an adapter over its group box.
class TGroupBoxHook {
public:
    virtual ~TGroupBoxHook() = default;
    virtual int ControlCount() const = 0;
    virtual std::string ControlName(int index) const = 0;  // the component name
    virtual bool IsCheckBox(int index) const = 0;
    virtual bool Checked(int index) const = 0;
    virtual void SetChecked(int index, bool value) = 0;
};

// A set of published Boolean properties that reads and writes itself as text: the names of the
// options that are on, in declaration order, joined by "|".
class TPropertyGroup : public TPersistent {
public:
    struct TBoolProperty {
        const char* Name;
        bool (*Get)(const TPropertyGroup&);
        void (*Set)(TPropertyGroup&, bool);
    };

    std::string ClassName() const override { return "TPropertyGroup"; }
    // The published Boolean properties in declaration order (none in the base class).
    virtual const std::vector<TBoolProperty>& Properties() const;

    // Turns on exactly the options whose whole name stands between "|" marks in "|" + S + "|"
    // (case-sensitive): "Intim" never turns on "IntimBuy"; unknown names are ignored.
    virtual void SetAsText(const std::string& S);
    virtual std::string GetAsText() const;

    // Copy the options to or from the group box's check boxes: an option's box is the first whose
    // name holds "chb" + the option's name as a whole word, else the first whose name contains
    // it. A null box does nothing (the control was not a group box); an option without a
    // matching check box ends off in GetFromControl.
    void SetToControl(TGroupBoxHook* Control) const;
    void GetFromControl(TGroupBoxHook* Control);

    // By name (exact); false for an unknown name.
    bool GetOption(const std::string& name) const;
    bool SetOption(const std::string& name, bool value);
};

// One published Boolean property of a TPropertyGroup descendant.
#define VA_BOOL_PROPERTY(Class, Field)                                                  \
    TPropertyGroup::TBoolProperty {                                                     \
        #Field, [](const TPropertyGroup& g) { return static_cast<const Class&>(g).Field; }, \
            [](TPropertyGroup& g, bool v) { static_cast<Class&>(g).Field = v; }          \
    }

// The goals of acquaintance; the names are the ids of the first questionnaire category.
class Ttarget : public TPropertyGroup {
public:
    std::string ClassName() const override { return "Ttarget"; }
    const std::vector<TBoolProperty>& Properties() const override;

    bool Friendship = false, Email = false, Love = false, RegSex = false, SomeSex = false, Group = false,
         Virt = false, Intim = false, IntimBuy = false, Family = false, Child = false, Fiktive = false,
         Rent = false, Sport = false;
};

class TSponsor : public TPropertyGroup {
public:
    std::string ClassName() const override { return "TSponsor"; }
    const std::vector<TBoolProperty>& Properties() const override;

    bool LookFor = false, Iam = false, No = false;
};

class TBraskSettings : public TPersistent {
public:
    TBraskSettings();
    ~TBraskSettings() override;
    std::string ClassName() const override { return "TBraskSettings"; }

    enum TKind { pkString, pkOrdinal };
    // One stored setting: adding a row here adds a setting that is loaded and saved.
    struct TProperty {
        const char* Name;
        TKind Kind;
        std::string (*GetString)(const TBraskSettings&);
        void (*SetString)(TBraskSettings&, const std::string&);
        int (*GetOrdinal)(const TBraskSettings&);
        void (*SetOrdinal)(TBraskSettings&, int);
    };
    // The published properties in declaration order, which is the order of loading and saving.
    static const std::vector<TProperty>& Properties();

    // Fills the settings from the registry key and sets dmFriend's NoSettings (1 when the key is
    // missing, 0 otherwise) when the data module exists; never creates the key or its file. A
    // value of the wrong kind is ignored; a store that cannot be read counts as a missing key.
    // VelmoraServer gets the site's default server when it is empty. Never raises.
    void LoadFromRegistry();
    // Writes every property to the key, creating it when missing; raises ERegistryException when
    // the settings cannot be stored.
    void SaveToRegistry();
    // True when the last LoadFromRegistry found the key.
    bool KeyFound() const { return keyFound_; }

    // The password in clear: password Base64-decoded; '' when the stored text is not Base64.
    std::string GetPassword() const;
    void SetPassword(const std::string& S);

    std::string GetTarget() const;
    void SetTarget(const std::string& S);
    std::string GetSponsor() const;
    void SetSponsor(const std::string& S);
    Ttarget& TargetOptions() { return *target_; }
    TSponsor& SponsorOptions() { return *sponsor_; }

    // Pass the group box to the option group's GetFromControl or SetToControl.
    void GetTargetFromControl(TGroupBoxHook* Control);
    void SetTargetToControl(TGroupBoxHook* Control);
    void GetSponsorFromControl(TGroupBoxHook* Control);
    void SetSponsorToControl(TGroupBoxHook* Control);

    std::string VelmoraServer;
    std::string AgentServer;
    std::string login;
    std::string password;  // Base64 of the password
    std::string s_i, s_l, s_c, s_m, s_f, s_t;
    std::string Country, Region, Town, Station;
    std::string id_Country, id_Region, id_Town, id_Station;
    int PageCount = 0;
    int OnLineScan = 0;
    int MessageScan = 0;
    int RegCode = 0;

private:
    std::unique_ptr<Ttarget> target_;
    std::unique_ptr<TSponsor> sponsor_;
    bool keyFound_ = false;
};
