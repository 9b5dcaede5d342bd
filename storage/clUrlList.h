#pragma once
// One-field tables of addresses (the URL list and the server list) and the contact login rule.
#include <string>
#include <string_view>

#include "storage/clXMLDataTable.h"

// The server that TServer::Load puts into an empty list.
extern const char* const SiteDefaultServer;

// The login of a profile page address: the first path segment after the seven-character scheme
// prefix, with A-Z lower-cased; '' when that segment is not closed by "/" or the text is shorter
// than the prefix.
std::string ExtractLogin(std::string_view Url);

class TUrlList : public TXMLTable {
public:
    TUrlList();

    std::string FileName;  // relative to the program directory

    // The URL element of the first record whose address equals Url, A-Z folded; null when none.
    virtual TXMLNode FindUrl(std::string_view Url);
    // Appends a record holding Url and returns it; no duplicate check.
    virtual TXMLNode AddUrl(std::string_view Url);
    // Sets the address of record Index; nothing when Index is outside the records.
    virtual void SetUrl(int Index, std::string_view Url);
    virtual void DeleteUrl(int Index);
    // Adds to Target every address of this list that Target lacks (FindUrl).
    virtual void MergeInto(TUrlList* Target);
    // Sorts the addresses ascending, bytes compared unsigned; the record elements stay in place.
    virtual void SortByUrl();
    virtual void Load();
    virtual void Save();

protected:
    void InternalInitFieldDefs() override;
};

class TServer : public TUrlList {
public:
    TServer();
    // As the list's Load, and an empty list then gets SiteDefaultServer.
    void Load() override;
};
