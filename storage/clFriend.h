#pragma once
// The contact table: one "Friend" record per contact of the site, identified by its profile page
// address (URL) and by the login taken from it. The lookups go through an index (login -> first
// record, lower-cased address -> first record) that the table's appends keep current; any other
// change to the document, through the table or through RecordNodes, is seen by the document's
// change count and rebuilds the index at the next lookup.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "storage/clXMLDataTable.h"

class TFriend : public TXMLTable {
public:
    TFriend();

    std::string FileName;  // relative to the program directory

    // The URL element of the first record whose address equals Url, A-Z folded; null when none.
    virtual TXMLNode FindByUrl(std::string_view Url);
    // The URL element of the first record whose address has the same login as Url. When Url has
    // no login (its first segment is not closed by "/"), the address itself is looked up.
    TXMLNode FindByLogin(std::string_view Url);
    // Appends a contact; NewMessage is "0". No duplicate check: callers look up first.
    virtual TXMLNode AddFriend(std::string_view Name, std::string_view Login, std::string_view URL,
                               std::string_view Area, int Age, int VipUser, int PhotoCount, int WithVoice,
                               int Intim, std::string_view AgeRange);
    // Appends a record copied field by field from Source's record RecNo - 1.
    virtual TXMLNode CopyRecord(TXMLTable& Source);
    // Rewrites the fields of record Index as AddFriend sets them; nothing when Index is outside.
    virtual void UpdateFriend(int Index, std::string_view Name, std::string_view Login, std::string_view URL,
                              std::string_view Area, int Age, int VipUser, int PhotoCount, int WithVoice,
                              int Intim, std::string_view AgeRange);
    virtual void DeleteFriend(int Index);
    virtual void MergeByUrl(TFriend* Target);
    virtual void MergeByLogin(TFriend* Target);
    // Adds to Target every contact of this table that Target lacks: Mode 1 by address, Mode 2 by
    // login, any other Mode adds all. Target's records are never changed; NewMessage is "0".
    virtual void MergeInto(TFriend* Target, int Mode);
    virtual void Load();
    virtual void Save();

protected:
    void InternalInitFieldDefs() override;

private:
    // One key of the lookups: the login (ExtractLogin of the address) or the address with A-Z
    // lower-cased, to the index of the first record holding it. Each is built at its first use.
    struct TKeyIndex {
        std::unordered_map<std::string, int> first;
        std::uint64_t changes = 0;  // the document's change count it matches
        bool valid = false;
    };
    bool IsCurrent(const TKeyIndex& key) const;
    void Enter(TKeyIndex& key, int index, TXMLNode record);
    TXMLNode Find(TKeyIndex& key, const std::string& text);
    // Enters the record just appended into a key that matched the document before the append.
    void EnterAppended(TKeyIndex& key, bool wasCurrent, TXMLNode record);

    TKeyIndex byLogin_;
    TKeyIndex byUrl_;

    void SetFields(TXMLNode record, std::string_view Name, std::string_view Login, std::string_view URL,
                   std::string_view Area, int Age, int VipUser, int PhotoCount, int WithVoice, int Intim,
                   std::string_view AgeRange);
};
