#include "storage/clFriend.h"

#include <unordered_set>

#include "platform/ProgramDir.h"
#include "storage/clUrlList.h"

namespace {

// The field element of that name, added when a record written by other means lacks it.
TXMLNode FieldOf(TXMLNode record, std::string_view name) {
    TXMLNode field = record.FindChild(name);
    return field ? field : record.AddChild(name);
}

std::string TextOf(TXMLNode record, std::string_view name) {
    TXMLNode field = record.FindChild(name);
    return field ? field.Text() : std::string();
}

// A decimal integer (optional sign, surrounding blanks allowed) that fits 32 bits; -1 otherwise,
// the same as an empty element.
int IntegerOf(TXMLNode record, std::string_view name) {
    const std::string text = Trim(TextOf(record, name));
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size()) return -1;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL) return -1;
    }
    if (negative) value = -value;
    if (value > 2147483647LL) return -1;
    return static_cast<int>(value);
}

// What Target.FindByUrl / FindByLogin would answer, kept in sets so that a merge is linear.
// Records the merge adds are entered too, as the lookups would see them.
class TMergeLookup {
public:
    TMergeLookup(TFriend& target, int mode) : mode_(mode) {
        if (mode_ != 1 && mode_ != 2) return;
        if (TXMLRecordNodes* nodes = target.RecordNodes())
            for (int i = 0; i < nodes->Count(); ++i)
                if (TXMLNode url = nodes->Nodes(i).FindChild("URL")) Add(url.Text());
    }
    bool Contains(const std::string& url) const {
        if (mode_ == 2) {
            const std::string login = ExtractLogin(url);
            if (!login.empty()) return logins_.count(login) != 0;
        } else if (mode_ != 1) {
            return false;
        }
        return urls_.count(LowerCase(url)) != 0;
    }
    void Add(const std::string& url) {
        if (mode_ != 1 && mode_ != 2) return;
        urls_.insert(LowerCase(url));
        if (mode_ == 2) {
            std::string login = ExtractLogin(url);
            if (!login.empty()) logins_.insert(std::move(login));
        }
    }

private:
    int mode_;
    std::unordered_set<std::string> urls_;
    std::unordered_set<std::string> logins_;
};

}  // namespace

TFriend::TFriend() {
    SetTopNodeName("Friends");
    SetRecordNodeName("Friend");
}

void TFriend::InternalInitFieldDefs() {
    TFieldDefs& defs = FieldDefs();
    defs.Clear();
    defs.Add("Name", ftString, 50, true);
    defs.Add("Login", ftString, 15, true);
    defs.Add("URL", ftString, 2048, true);
    defs.Add("Area", ftString, 2048, true);
    defs.Add("Age", ftInteger, 0, true);
    defs.Add("VipUser", ftInteger, 0, true);
    defs.Add("PhotoCount", ftInteger, 0, true);
    defs.Add("WithVoice", ftInteger, 0, true);
    defs.Add("Intim", ftInteger, 0, true);
    defs.Add("AgeRange", ftString, 100, true);
    defs.Add("NewMessage", ftInteger, 0, true);
}

TXMLNode TFriend::FindByUrl(std::string_view Url) {
    return FindFieldNode("URL", [Url](const std::string& text) { return SameText(text, Url); });
}

TXMLNode TFriend::FindByLogin(std::string_view Url) {
    const std::string login = ExtractLogin(Url);
    // Without a login the address is the only identity left; a substring test of '' would
    // match nothing and let every merge add the contact again.
    if (login.empty()) return FindByUrl(Url);
    return FindFieldNode("URL", [&login](const std::string& text) { return ExtractLogin(text) == login; });
}

void TFriend::SetFields(TXMLNode record, std::string_view Name, std::string_view Login, std::string_view URL,
                        std::string_view Area, int Age, int VipUser, int PhotoCount, int WithVoice, int Intim,
                        std::string_view AgeRange) {
    FieldOf(record, "Name").SetText(Name);
    FieldOf(record, "Login").SetText(Login);
    FieldOf(record, "URL").SetText(URL);
    FieldOf(record, "Area").SetText(Area);
    FieldOf(record, "Age").SetText(IntToStr(Age));
    FieldOf(record, "VipUser").SetText(IntToStr(VipUser));
    FieldOf(record, "PhotoCount").SetText(IntToStr(PhotoCount));
    FieldOf(record, "WithVoice").SetText(IntToStr(WithVoice));
    FieldOf(record, "Intim").SetText(IntToStr(Intim));
    FieldOf(record, "AgeRange").SetText(AgeRange);
    FieldOf(record, "NewMessage").SetText("0");
}

TXMLNode TFriend::AddFriend(std::string_view Name, std::string_view Login, std::string_view URL,
                            std::string_view Area, int Age, int VipUser, int PhotoCount, int WithVoice, int Intim,
                            std::string_view AgeRange) {
    TXMLNode record = AppendRecordNode();
    SetFields(record, Name, Login, URL, Area, Age, VipUser, PhotoCount, WithVoice, Intim, AgeRange);
    return record;
}

TXMLNode TFriend::CopyRecord(TXMLTable& Source) {
    TXMLNode record = AppendRecordNode();
    for (const TFieldDef& def : FieldDefs()) FieldOf(record, def.Name).SetText(Source.GetFieldText(def.Name));
    return record;
}

void TFriend::UpdateFriend(int Index, std::string_view Name, std::string_view Login, std::string_view URL,
                           std::string_view Area, int Age, int VipUser, int PhotoCount, int WithVoice, int Intim,
                           std::string_view AgeRange) {
    TXMLRecordNodes* nodes = RecordNodes();
    if (!nodes || Index < 0 || Index >= nodes->Count()) return;
    SetFields(nodes->Nodes(Index), Name, Login, URL, Area, Age, VipUser, PhotoCount, WithVoice, Intim, AgeRange);
}

void TFriend::DeleteFriend(int Index) { DeleteRecord(Index); }

void TFriend::MergeByUrl(TFriend* Target) { MergeInto(Target, 1); }

void TFriend::MergeByLogin(TFriend* Target) { MergeInto(Target, 2); }

void TFriend::MergeInto(TFriend* Target, int Mode) {
    TXMLRecordNodes* nodes = RecordNodes();
    if (!Target || !nodes || nodes->Count() == 0) return;
    TMergeLookup lookup(*Target, Mode);
    const int count = nodes->Count();
    for (int i = 0; i < count; ++i) {
        TXMLNode record = nodes->Nodes(i);
        const std::string url = TextOf(record, "URL");
        if (lookup.Contains(url)) continue;
        Target->AddFriend(TextOf(record, "Name"), TextOf(record, "Login"), url, TextOf(record, "Area"),
                          IntegerOf(record, "Age"), IntegerOf(record, "VipUser"), IntegerOf(record, "PhotoCount"),
                          IntegerOf(record, "WithVoice"), IntegerOf(record, "Intim"), TextOf(record, "AgeRange"));
        lookup.Add(url);
    }
}

void TFriend::Load() {
    if (!FileName.empty()) LoadFromFile(ProgramDirectory() + FileName);
}

void TFriend::Save() {
    if (!FileName.empty()) SaveToFile(ProgramDirectory() + FileName);
}
