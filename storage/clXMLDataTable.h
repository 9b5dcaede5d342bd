#pragma once
// The record table every table of the system stands on: one XML document, one element per record
// under the root, one child element per field whose text is the value. Also the sorted key index.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Strings.h"
#include "platform/data/DataSet.h"
#include "platform/xml/XMLDoc.h"

class TXMLTable;

// Fired after each appended record with the number of field definitions.
using TParseEvent = std::function<void(TXMLTable* Sender, int Posision)>;

// The record elements of a table: the child elements of the root, kept in a vector so that a
// record is reached by index in constant time. The table rebuilds it after every load, append,
// delete and clear; callers read records and change their field elements through it.
class TXMLRecordNodes {
public:
    int Count() const { return static_cast<int>(nodes_.size()); }
    // Raises EListError for an index outside the records.
    TXMLNode Nodes(int index) const;
    TXMLNode operator[](int index) const { return Nodes(index); }
    TXMLNode Root() const { return root_; }

private:
    friend class TXMLTable;
    void Rebuild(TXMLNode root);
    TXMLNode root_;
    std::vector<TXMLNode> nodes_;
};

class TXMLTable : public TDataSet {
public:
    TXMLTable();
    ~TXMLTable() override;

    // Replaces the content by the file; a missing file leaves an existing document as it is and
    // gives a fresh table its empty root. A file that is not well-formed raises EDOMParseError and
    // the table keeps what it had. The current position is not changed.
    void LoadFromFile(const std::string& FileName);
    // Writes the document (UTF-8, no declaration, no indentation) replacing the file atomically;
    // nothing happens before the first load or append. A failed save raises; the old file stays.
    void SaveToFile(const std::string& FileName);
    // Appends a record with one empty element per field definition and returns it.
    TXMLNode AppendRecordNode();
    // Removes record Index (0-based) and puts the table before its first record.
    virtual void DeleteRecord(int Index);
    void ClearRecords();
    // The text of field FieldName in record RecNo - 1; '' when there is none.
    std::string GetFieldText(std::string_view FieldName);

    // Null until a document exists.
    TXMLRecordNodes* RecordNodes() { return recordNodes_.get(); }
    TXMLDocument* Document() { return document_.get(); }
    const TXMLDocument* Document() const { return document_.get(); }
    int CurrentIndex() const { return currentIndex_; }

    const std::string& TopNodeName() const { return topNodeName_; }
    void SetTopNodeName(std::string value) { topNodeName_ = std::move(value); }
    const std::string& RecordNodeName() const { return recordNodeName_; }
    void SetRecordNodeName(std::string value) { recordNodeName_ = std::move(value); }

    TParseEvent OnPosition;

protected:
    bool GetCanModify() const override { return false; }
    int GetRecordCount() const override;
    int GetRecNo() const override { return currentIndex_ + 1; }
    void DoSetRecNo(int value) override;
    void InternalFirst() override { currentIndex_ = -1; }
    void InternalLast() override;
    TGetResult GetRecord(TGetMode mode) override;
    void InternalOpen() override;
    void InternalClose() override { open_ = false; }
    bool IsCursorOpen() const override { return open_; }

    std::string RootName() const { return topNodeName_.empty() ? "XMLTable" : topNodeName_; }
    std::string RecordName() const { return recordNodeName_.empty() ? "Record" : recordNodeName_; }
    void RebuildRecordNodes();
    // The field element FieldName of the first record (in order) whose field text match accepts;
    // records without that element are passed over. Null when none matches.
    TXMLNode FindFieldNode(std::string_view FieldName, const std::function<bool(const std::string&)>& match);

private:
    int currentIndex_ = -1;
    bool open_ = false;
    std::unique_ptr<TXMLDocument> document_;
    std::unique_ptr<TXMLRecordNodes> recordNodes_;
    std::string topNodeName_;
    std::string recordNodeName_;
};

struct TXMLTableIndexItem {
    int RecordIndex = 0;  // 0-based index of the record in the table's RecordNodes
    std::string Key;      // the key text when the entry was made
};

// Keeps a table's records sorted by one field's text (bytes compared unsigned, case-sensitive) and
// finds, adds and deletes records through that order. It never saves the table.
class TXMLTableIndex {
public:
    TXMLTableIndex() = default;
    virtual ~TXMLTableIndex() { Clear(); }
    TXMLTableIndex(const TXMLTableIndex&) = delete;
    TXMLTableIndex& operator=(const TXMLTableIndex&) = delete;

    void Build(std::string_view FieldName, TXMLTable* Table);
    // The record element whose key equals Key, or a null node.
    TXMLNode FindNode(std::string_view Key) const;
    // Appends a record with the key field set to Key; the entry goes after any equal keys.
    void AddKey(std::string_view Key);
    // Deletes the entry at position Index and its record; raises EListError when out of range.
    void DeleteItem(int Index);
    // Replaces Strings by the keys in index order, read from the records.
    void FillStrings(TStringList& Strings);
    virtual void Clear() { items_.clear(); }

    int Count() const { return static_cast<int>(items_.size()); }
    const TXMLTableIndexItem& Items(int index) const;
    TXMLTable* Table() const { return table_; }
    const std::string& KeyFieldName() const { return keyFieldName_; }

private:
    TXMLNode RecordOf(const TXMLTableIndexItem& item) const;
    TXMLTable* table_ = nullptr;
    std::string keyFieldName_;
    std::vector<TXMLTableIndexItem> items_;
};
