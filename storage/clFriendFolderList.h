#pragma once
// The contact folders: one record (id, Name, Caption) per folder, each owning the contact table
// stored in the file Name + ".xml". The list itself lives in memory only.
#include <memory>
#include <string_view>
#include <vector>

#include "storage/clFriend.h"

class TFriendFolderList : public TXMLTable {
public:
    TFriendFolderList();
    ~TFriendFolderList() override;

    // Appends the folder record and creates its table (not loaded); returns the folder record.
    TXMLNode AddFolder(std::string_view id, std::string_view Name, std::string_view Caption);
    // The table of folder n (0-based, in the order added), or null.
    TFriend* GetFolderTable(int n) const;
    // Removes folder Index and frees its table; raises EListError when there is no such folder.
    void DeleteRecord(int Index) override;

protected:
    void InternalInitFieldDefs() override;

private:
    std::vector<std::unique_ptr<TFriend>> tables_;
};
