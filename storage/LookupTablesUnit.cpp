#include "storage/LookupTablesUnit.h"

#include "storage/QuestionnaireData.h"

TArea::TArea(const char* root, const char* record) : captionField_(record) {
    SetTopNodeName(root);
    SetRecordNodeName(record);
}

void TArea::InternalInitFieldDefs() {
    FieldDefs().Clear();
    FieldDefs().Add("id", ftString, 50, true);
    FieldDefs().Add(captionField_, ftString, 50, true);
}

TXMLNode TArea::AddArea(std::string_view id, std::string_view caption) {
    TXMLNode record = AppendRecordNode();
    record.FindChild("id").SetText(id);
    record.FindChild(captionField_).SetText(caption);
    return record;
}

void TArea::FillRows(const TAreaTable& rows) {
    for (int i = 0; i < rows.Count; ++i) AddArea(rows.Rows[i].id, rows.Rows[i].Caption);
}

TCountry::TCountry() : TArea(AreaTables[0].Root, AreaTables[0].Record) { FillRows(AreaTables[0]); }
TRegion::TRegion() : TArea(AreaTables[1].Root, AreaTables[1].Record) { FillRows(AreaTables[1]); }
TCity::TCity() : TArea(AreaTables[2].Root, AreaTables[2].Record) { FillRows(AreaTables[2]); }
TStation::TStation() : TArea(AreaTables[3].Root, AreaTables[3].Record) { FillRows(AreaTables[3]); }

TConditionGroup::TConditionGroup() {
    SetTopNodeName("Contions");
    SetRecordNodeName("Contion");
    Open();
}

void TConditionGroup::InternalInitFieldDefs() {
    FieldDefs().Clear();
    FieldDefs().Add("id", ftString, 50, true);
    FieldDefs().Add("Comment", ftString, 100, true);
    FieldDefs().Add("Condition", ftString, 100, true);
}

TXMLNode TConditionGroup::AddCondition(std::string_view id, std::string_view Comment, std::string_view Condition) {
    TXMLNode record = AppendRecordNode();
    record.FindChild("id").SetText(id);
    record.FindChild("Comment").SetText(Comment);
    record.FindChild("Condition").SetText(Condition);
    return record;
}
