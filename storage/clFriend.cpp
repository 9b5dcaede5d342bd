#include "storage/clFriend.h"

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

bool TFriend::IsCurrent(const TKeyIndex& key) const {
    return key.valid && Document() && Document()->ChangeCount() == key.changes;
}

void TFriend::Enter(TKeyIndex& key, int index, TXMLNode record) {
    TXMLNode url = record.FindChild("URL");
    if (!url) return;  // the walks pass over a record without the element
    // emplace keeps an existing entry: the first record wins, as in a walk from the top.
    if (&key == &byLogin_) {
        std::string login = ExtractLogin(url.Text());
        if (!login.empty()) key.first.emplace(std::move(login), index);
    } else {
        key.first.emplace(LowerCase(url.Text()), index);
    }
}

TXMLNode TFriend::Find(TKeyIndex& key, const std::string& text) {
    TXMLRecordNodes* nodes = RecordNodes();
    if (!nodes) return TXMLNode();
    if (!IsCurrent(key)) {
        key.first.clear();
        key.first.reserve(static_cast<size_t>(nodes->Count()));
        for (int i = 0; i < nodes->Count(); ++i) Enter(key, i, nodes->Nodes(i));
        key.changes = Document()->ChangeCount();
        key.valid = true;
    }
    auto it = key.first.find(text);
    return it == key.first.end() ? TXMLNode() : nodes->Nodes(it->second).FindChild("URL");
}

void TFriend::EnterAppended(TKeyIndex& key, bool wasCurrent, TXMLNode record) {
    // An OnPosition handler may have changed the document in between: then only a rebuild is safe.
    if (!wasCurrent || OnPosition) {
        key.valid = false;
        return;
    }
    Enter(key, RecordCount() - 1, record);
    key.changes = Document()->ChangeCount();
}

TXMLNode TFriend::FindByUrl(std::string_view Url) { return Find(byUrl_, LowerCase(Url)); }

TXMLNode TFriend::FindByLogin(std::string_view Url) {
    const std::string login = ExtractLogin(Url);
    // Without a login the address is the only identity left; a substring test of '' would
    // match nothing and let every merge add the contact again.
    if (login.empty()) return FindByUrl(Url);
    return Find(byLogin_, login);
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
    const bool logins = IsCurrent(byLogin_), urls = IsCurrent(byUrl_);
    TXMLNode record = AppendRecordNode();
    SetFields(record, Name, Login, URL, Area, Age, VipUser, PhotoCount, WithVoice, Intim, AgeRange);
    EnterAppended(byLogin_, logins, record);
    EnterAppended(byUrl_, urls, record);
    return record;
}

TXMLNode TFriend::CopyRecord(TXMLTable& Source) {
    const bool logins = IsCurrent(byLogin_), urls = IsCurrent(byUrl_);
    TXMLNode record = AppendRecordNode();
    for (const TFieldDef& def : FieldDefs()) FieldOf(record, def.Name).SetText(Source.GetFieldText(def.Name));
    EnterAppended(byLogin_, logins, record);
    EnterAppended(byUrl_, urls, record);
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
    const int count = nodes->Count();
    for (int i = 0; i < count; ++i) {
        TXMLNode record = nodes->Nodes(i);
        const std::string url = TextOf(record, "URL");
        // Target's lookups are indexed, and its appends keep the index current, so a merge is
        // linear in the two tables.
        const TXMLNode found = Mode == 1 ? Target->FindByUrl(url) : Mode == 2 ? Target->FindByLogin(url) : TXMLNode();
        if (found) continue;
        Target->AddFriend(TextOf(record, "Name"), TextOf(record, "Login"), url, TextOf(record, "Area"),
                          IntegerOf(record, "Age"), IntegerOf(record, "VipUser"), IntegerOf(record, "PhotoCount"),
                          IntegerOf(record, "WithVoice"), IntegerOf(record, "Intim"), TextOf(record, "AgeRange"));
    }
}

void TFriend::Load() {
    if (!FileName.empty()) LoadFromFile(ProgramDirectory() + FileName);
}

void TFriend::Save() {
    if (!FileName.empty()) SaveToFile(ProgramDirectory() + FileName);
}
