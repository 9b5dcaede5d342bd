#include "storage/clFriendFolderList.h"

TFriendFolderList::TFriendFolderList() = default;
TFriendFolderList::~TFriendFolderList() = default;

void TFriendFolderList::InternalInitFieldDefs() {
    FieldDefs().Clear();
    FieldDefs().Add("id", ftString, 50, true);
    FieldDefs().Add("Name", ftString, 255, true);
    FieldDefs().Add("Caption", ftString, 255, true);
}

TXMLNode TFriendFolderList::AddFolder(std::string_view id, std::string_view Name, std::string_view Caption) {
    TXMLNode record = AppendRecordNode();
    record.FindChild("id").SetText(id);
    record.FindChild("Name").SetText(Name);
    record.FindChild("Caption").SetText(Caption);
    auto table = std::make_unique<TFriend>();
    table->FileName = std::string(Name) + ".xml";
    tables_.push_back(std::move(table));
    return record;
}

TFriend* TFriendFolderList::GetFolderTable(int n) const {
    if (n < 0 || n >= static_cast<int>(tables_.size())) return nullptr;
    return tables_[static_cast<size_t>(n)].get();
}

void TFriendFolderList::DeleteRecord(int Index) {
    // The record first: an index the table refuses frees nothing, so records and tables stay in step.
    TXMLTable::DeleteRecord(Index);
    if (Index >= 0 && Index < static_cast<int>(tables_.size())) tables_.erase(tables_.begin() + Index);
}
