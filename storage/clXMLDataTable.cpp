#include "storage/clXMLDataTable.h"

#include <sys/stat.h>

#include "platform/Exceptions.h"

namespace {

[[noreturn]] void RaiseIndex(int index) {
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
}

// A folder of that name is no file: the table then loads as for a missing file.
bool FileExists(const std::string& name) {
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

}  // namespace

// ---- TXMLRecordNodes ----

TXMLNode TXMLRecordNodes::Nodes(int index) const {
    if (index < 0 || index >= Count()) RaiseIndex(index);
    return nodes_[static_cast<size_t>(index)];
}

void TXMLRecordNodes::Rebuild(TXMLNode root) {
    root_ = root;
    nodes_.clear();
    for (TXMLNode c = root.FirstChild(); c; c = c.NextSibling()) nodes_.push_back(c);
}

// ---- TXMLTable ----

TXMLTable::TXMLTable() = default;

TXMLTable::~TXMLTable() {
    // Closing here, not in the base: the base's destructor no longer reaches this class's hooks.
    Close();
}

void TXMLTable::RebuildRecordNodes() {
    if (!recordNodes_) recordNodes_ = std::make_unique<TXMLRecordNodes>();
    recordNodes_->Rebuild(document_->DocumentElement());
}

void TXMLTable::LoadFromFile(const std::string& FileName) {
    const bool fresh = !document_;
    if (fresh) document_ = std::make_unique<TXMLDocument>();
    if (FileExists(FileName)) {
        try {
            document_->LoadFromFile(FileName);
        } catch (...) {
            if (fresh) document_.reset();
            throw;
        }
    } else if (!document_->DocumentElement()) {
        document_->CreateDocumentElement(RootName());
    }
    RebuildRecordNodes();
}

void TXMLTable::SaveToFile(const std::string& FileName) {
    if (document_) document_->SaveToFile(FileName);
}

TXMLNode TXMLTable::AppendRecordNode() {
    if (!document_) document_ = std::make_unique<TXMLDocument>();
    if (!document_->DocumentElement()) {
        document_->CreateDocumentElement(RootName());
        RebuildRecordNodes();
    }
    if (!recordNodes_) RebuildRecordNodes();
    TXMLNode record = recordNodes_->Root().AddChild(RecordName());
    if (FieldDefs().Count() == 0) InternalInitFieldDefs();
    for (const TFieldDef& def : FieldDefs()) record.AddChild(def.Name);
    recordNodes_->nodes_.push_back(record);
    if (OnPosition) OnPosition(this, FieldDefs().Count());
    return record;
}

void TXMLTable::DeleteRecord(int Index) {
    if (!recordNodes_) RaiseIndex(Index);
    TXMLNode record = recordNodes_->Nodes(Index);
    recordNodes_->Root().RemoveChild(record);
    recordNodes_->nodes_.erase(recordNodes_->nodes_.begin() + Index);
    currentIndex_ = -1;
}

void TXMLTable::ClearRecords() {
    if (recordNodes_) {
        recordNodes_->Root().RemoveChildren();
        recordNodes_->nodes_.clear();
    }
    currentIndex_ = -1;
}

std::string TXMLTable::GetFieldText(std::string_view FieldName) {
    const int index = currentIndex_;
    if (index < 0 || !recordNodes_ || recordNodes_->Count() == 0) return std::string();
    TXMLNode field = recordNodes_->Nodes(index).FindChild(FieldName);
    return field ? field.Text() : std::string();
}

TXMLNode TXMLTable::FindFieldNode(std::string_view FieldName,
                                  const std::function<bool(const std::string&)>& match) {
    if (!recordNodes_) return TXMLNode();
    for (int i = 0; i < recordNodes_->Count(); ++i) {
        TXMLNode field = recordNodes_->Nodes(i).FindChild(FieldName);
        if (field && match(field.Text())) return field;
    }
    return TXMLNode();
}

int TXMLTable::GetRecordCount() const { return recordNodes_ ? recordNodes_->Count() : 0; }

void TXMLTable::DoSetRecNo(int value) {
    if (!recordNodes_ || value < 0 || value > recordNodes_->Count())
        throw Exception("SetRecNo: out of range");
    currentIndex_ = value - 1;
}

void TXMLTable::InternalLast() { currentIndex_ = recordNodes_ ? recordNodes_->Count() : -1; }

TGetResult TXMLTable::GetRecord(TGetMode mode) {
    if (!recordNodes_) return grError;
    const int count = recordNodes_->Count();
    switch (mode) {
        case gmCurrent:
            return (currentIndex_ < 0 || currentIndex_ >= count) ? grError : grOK;
        case gmNext:
            if (currentIndex_ < count - 1) {
                ++currentIndex_;
                return grOK;
            }
            return grEOF;
        case gmPrior:
            if (currentIndex_ > 0) {
                --currentIndex_;
                return grOK;
            }
            return grBOF;
    }
    return grError;
}

void TXMLTable::InternalOpen() {
    InternalInitFieldDefs();
    currentIndex_ = -1;
    open_ = true;
}

// ---- TXMLTableIndex ----

const TXMLTableIndexItem& TXMLTableIndex::Items(int index) const {
    if (index < 0 || index >= Count()) RaiseIndex(index);
    return items_[static_cast<size_t>(index)];
}

TXMLNode TXMLTableIndex::RecordOf(const TXMLTableIndexItem& item) const {
    return table_->RecordNodes()->Nodes(item.RecordIndex);
}

void TXMLTableIndex::Build(std::string_view FieldName, TXMLTable* Table) {
    table_ = Table;
    keyFieldName_ = std::string(FieldName);
    Clear();
    if (!table_) return;
    table_->Open();
    table_->First();
    const int count = table_->RecordCount();
    items_.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        items_.push_back(TXMLTableIndexItem{i, table_->GetFieldText(keyFieldName_)});
        table_->Next();
    }
    // Exchange sort: not stable, and the order it leaves among equal keys decides which record
    // FindNode returns, so it stays as it is.
    const size_t n = items_.size();
    for (size_t i = 0; i + 1 < n; ++i)
        for (size_t j = i + 1; j < n; ++j)
            if (CompareStr(items_[i].Key, items_[j].Key) > 0) std::swap(items_[i], items_[j]);
}

TXMLNode TXMLTableIndex::FindNode(std::string_view Key) const {
    TXMLNode node;
    if (items_.empty()) return node;
    // Positions counted from 1, as the search was laid out.
    auto key = [this](int pos) -> const std::string& { return items_[static_cast<size_t>(pos - 1)].Key; };
    int lo = 1, hi = Count();
    int mid = (lo + hi) / 2;
    while (hi > lo && mid != lo && mid != hi) {
        const int c = CompareStr(Key, key(mid));
        if (c == 0) {
            node = RecordOf(items_[static_cast<size_t>(mid - 1)]);
            break;
        }
        if (c > 0)
            lo = mid;
        else
            hi = mid;
        mid = (lo + hi) / 2;
    }
    if (CompareStr(key(lo), Key) == 0) node = RecordOf(items_[static_cast<size_t>(lo - 1)]);
    if (CompareStr(key(hi), Key) == 0) node = RecordOf(items_[static_cast<size_t>(hi - 1)]);
    return node;
}

void TXMLTableIndex::AddKey(std::string_view Key) {
    TXMLNode record = table_->AppendRecordNode();
    TXMLNode field = record.FindChild(keyFieldName_);
    if (!field) field = record.AddChild(keyFieldName_);
    field.SetText(Key);
    TXMLTableIndexItem item{table_->RecordCount() - 1, std::string(Key)};
    size_t pos = 0;
    while (pos < items_.size() && CompareStr(items_[pos].Key, Key) <= 0) ++pos;
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(pos), std::move(item));
}

void TXMLTableIndex::DeleteItem(int Index) {
    if (Index < 0 || Index >= Count()) RaiseIndex(Index);
    const int recordIndex = items_[static_cast<size_t>(Index)].RecordIndex;
    // The record goes first: when the table refuses, the index still matches it.
    table_->DeleteRecord(recordIndex);
    items_.erase(items_.begin() + Index);
    for (TXMLTableIndexItem& item : items_)
        if (item.RecordIndex > recordIndex) --item.RecordIndex;
}

void TXMLTableIndex::FillStrings(TStringList& Strings) {
    Strings.Clear();
    for (const TXMLTableIndexItem& item : items_) {
        table_->SetRecNo(item.RecordIndex + 1);
        Strings.Add(table_->GetFieldText(keyFieldName_));
    }
}
