#pragma once
// Small read-only tables built in memory by the data module: the four area tables with their
// placeholder rows and the category tables of the questionnaire dictionary. None has a file.
#include <string>
#include <string_view>

#include "storage/clXMLDataTable.h"

struct TAreaTable;

// An area table: fields id and a caption field named as the record element (both string 50).
class TArea : public TXMLTable {
public:
    // Appends a record with id and caption set; returns the record element.
    TXMLNode AddArea(std::string_view id, std::string_view caption);
    const std::string& CaptionField() const { return captionField_; }

protected:
    // Sets the element names; the most-derived constructor then fills the rows (FillRows).
    TArea(const char* root, const char* record);
    void FillRows(const TAreaTable& rows);
    void InternalInitFieldDefs() override;

private:
    std::string captionField_;
};

class TCountry : public TArea {
public:
    TCountry();
};
class TRegion : public TArea {
public:
    TRegion();
};
class TCity : public TArea {
public:
    TCity();
};
class TStation : public TArea {
public:
    TStation();
};

// One category of the questionnaire: root "Contions", record "Contion" (so spelled in the
// site's data), fields id (50), Comment (100), Condition (100). Open and empty when created.
class TConditionGroup : public TXMLTable {
public:
    TConditionGroup();
    TXMLNode AddCondition(std::string_view id, std::string_view Comment, std::string_view Condition);

protected:
    void InternalInitFieldDefs() override;
};
