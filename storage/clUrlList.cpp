#include "storage/clUrlList.h"

#include "platform/ProgramDir.h"

const char* const SiteDefaultServer = "www.velmora.ru";

std::string ExtractLogin(std::string_view Url) {
    // Exactly the length of "http://" is dropped, whatever the prefix is.
    if (Url.size() < 7) return std::string();
    std::string s = LowerCase(Url.substr(7));
    size_t slash = s.find('/');
    if (slash != std::string::npos) s.erase(0, slash + 1);
    slash = s.find('/');
    return slash == std::string::npos ? std::string() : s.substr(0, slash);
}

TUrlList::TUrlList() {
    SetTopNodeName("URLs");
    SetRecordNodeName("URL");
}

void TUrlList::InternalInitFieldDefs() {
    FieldDefs().Clear();
    FieldDefs().Add("URL", ftString, 2048, true);
}

TXMLNode TUrlList::FindUrl(std::string_view Url) {
    // Each record's own URL element: records written by other tools may order fields differently.
    return FindFieldNode("URL", [Url](const std::string& text) { return SameText(text, Url); });
}

TXMLNode TUrlList::AddUrl(std::string_view Url) {
    TXMLNode record = AppendRecordNode();
    TXMLNode url = record.FindChild("URL");
    if (!url) url = record.AddChild("URL");
    url.SetText(Url);
    return record;
}

void TUrlList::SetUrl(int Index, std::string_view Url) {
    TXMLRecordNodes* nodes = RecordNodes();
    if (!nodes || Index < 0 || Index >= nodes->Count()) return;
    TXMLNode record = nodes->Nodes(Index);
    TXMLNode url = record.FindChild("URL");
    if (!url) url = record.AddChild("URL");
    url.SetText(Url);
}

void TUrlList::DeleteUrl(int Index) { DeleteRecord(Index); }

void TUrlList::MergeInto(TUrlList* Target) {
    TXMLRecordNodes* nodes = RecordNodes();
    if (!Target || !nodes) return;
    const int count = nodes->Count();
    for (int i = 0; i < count; ++i) {
        TXMLNode url = nodes->Nodes(i).FindChild("URL");
        if (!url) continue;  // a record without an address has nothing to merge
        const std::string text = url.Text();
        if (!Target->FindUrl(text)) Target->AddUrl(text);
    }
}

void TUrlList::SortByUrl() {
    TXMLRecordNodes* nodes = RecordNodes();
    if (!nodes) return;
    std::vector<TXMLNode> urls;
    std::vector<std::string> texts;
    for (int i = 0; i < nodes->Count(); ++i) {
        TXMLNode url = nodes->Nodes(i).FindChild("URL");
        if (!url) continue;
        urls.push_back(url);
        texts.push_back(url.Text());
    }
    const std::vector<std::string> before = texts;
    const size_t n = texts.size();
    for (size_t i = 0; i + 1 < n; ++i)
        for (size_t j = i + 1; j < n; ++j)
            if (CompareStr(texts[i], texts[j]) > 0) std::swap(texts[i], texts[j]);
    for (size_t i = 0; i < n; ++i)
        if (texts[i] != before[i]) urls[i].SetText(texts[i]);
}

void TUrlList::Load() {
    if (!FileName.empty()) LoadFromFile(ProgramDirectory() + FileName);
}

void TUrlList::Save() {
    if (!FileName.empty()) SaveToFile(ProgramDirectory() + FileName);
}

TServer::TServer() {
    SetTopNodeName("Servers");
    SetRecordNodeName("Server");
}

void TServer::Load() {
    TUrlList::Load();
    if (RecordCount() == 0) AddUrl(SiteDefaultServer);
}
