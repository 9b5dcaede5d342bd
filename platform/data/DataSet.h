#pragma once
// The framework's abstract data set, cut down to what the record tables use: field definitions,
// the Active state and cursor moves over a few virtual hooks. There are no record buffers,
// bookmarks, field objects or edit states: the active record is the descendant's current record.
#include <string>
#include <string_view>
#include <vector>

#include "platform/Exceptions.h"

VA_DECLARE_EXCEPTION(EDatabaseError, Exception)

enum TFieldType { ftString, ftInteger };

struct TFieldDef {
    std::string Name;
    TFieldType DataType = ftString;
    int Size = 0;  // the maximum length of a string field; 0 for an integer
    bool Required = false;
};

class TFieldDefs {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises EListError for an index outside the list.
    const TFieldDef& Items(int index) const;
    const TFieldDef& operator[](int index) const { return Items(index); }
    void Add(std::string_view name, TFieldType dataType, int size = 0, bool required = false);
    void Clear() { items_.clear(); }
    // Position of the definition of that name (A-Z folded, as the framework looks names up), or -1.
    int IndexOf(std::string_view name) const;

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<TFieldDef> items_;
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };

// Descendants must not be opened from this class's constructor (the hooks are not theirs yet):
// a descendant that opens itself on creation calls Open in its most-derived constructor, and a
// descendant whose InternalClose matters calls Close in its own destructor.
class TDataSet {
public:
    TDataSet() = default;
    virtual ~TDataSet() = default;
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    bool Active() const { return IsCursorOpen(); }
    void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }

    // Cursor moves; each raises EDatabaseError "Cannot perform this operation on a closed dataset"
    // when the data set is closed.
    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool IsEmpty() const { return eof_ && bof_; }

    int RecordCount() const { return GetRecordCount(); }
    int RecNo() const { return GetRecNo(); }
    void SetRecNo(int value) { DoSetRecNo(value); }
    bool CanModify() const { return GetCanModify(); }

    TFieldDefs& FieldDefs() { return fieldDefs_; }
    const TFieldDefs& FieldDefs() const { return fieldDefs_; }

protected:
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() const = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    // Moves the descendant's cursor by mode and reports the outcome.
    virtual TGetResult GetRecord(TGetMode mode) = 0;
    virtual void InternalInitFieldDefs() = 0;
    virtual int GetRecordCount() const { return -1; }
    virtual int GetRecNo() const { return -1; }
    virtual void DoSetRecNo(int /*value*/) {}
    virtual bool GetCanModify() const { return true; }

private:
    void CheckActive() const;
    TFieldDefs fieldDefs_;
    bool eof_ = true;
    bool bof_ = true;
};
