#include "platform/data/DataSet.h"

#include "platform/Exceptions.h"
#include "platform/Strings.h"

const TFieldDef& TFieldDefs::Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
    return items_[static_cast<size_t>(index)];
}

void TFieldDefs::Add(std::string_view name, TFieldType dataType, int size, bool required) {
    items_.push_back(TFieldDef{std::string(name), dataType, size, required});
}

int TFieldDefs::IndexOf(std::string_view name) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (SameText(items_[i].Name, name)) return static_cast<int>(i);
    return -1;
}

void TDataSet::SetActive(bool value) {
    if (value == Active()) return;
    if (value) {
        InternalOpen();
        // The framework fetches the first record on open: Bof, and Eof when there is none.
        bof_ = true;
        eof_ = GetRecord(gmNext) != grOK;
    } else {
        InternalClose();
        eof_ = true;
        bof_ = true;
    }
}

void TDataSet::CheckActive() const {
    if (!Active()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::First() {
    CheckActive();
    InternalFirst();
    bof_ = true;
    eof_ = GetRecord(gmNext) != grOK;
}

void TDataSet::Last() {
    CheckActive();
    InternalLast();
    eof_ = true;
    bof_ = GetRecord(gmPrior) != grOK;
}

void TDataSet::Next() {
    CheckActive();
    if (eof_) return;
    bof_ = false;
    if (GetRecord(gmNext) != grOK) eof_ = true;
}

void TDataSet::Prior() {
    CheckActive();
    if (bof_) return;
    eof_ = false;
    if (GetRecord(gmPrior) != grOK) bof_ = true;
}
