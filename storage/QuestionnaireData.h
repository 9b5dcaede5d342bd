#pragma once
// The fixed rows of the lookup tables: the four area tables' placeholder rows and the nineteen
// categories of the questionnaire dictionary, in the order the data module creates and fills
// them. Texts are cp1251.
#include <string_view>

struct TQuestionnaireRow {
    std::string_view id;
    std::string_view Comment;    // the answer as shown about another person
    std::string_view Condition;  // the answer as the user states it about himself or herself
};

struct TQuestionnaireTable {
    const char* Field;  // the data module's field that holds the table
    const TQuestionnaireRow* Rows;
    int Count;
};

inline constexpr int QuestionnaireTableCount = 19;
extern const TQuestionnaireTable QuestionnaireTables[QuestionnaireTableCount];

struct TAreaRow {
    std::string_view id;
    std::string_view Caption;
};

struct TAreaTable {
    const char* Root;    // root element, e.g. "Countries"
    const char* Record;  // record element and caption field, e.g. "Country"
    const TAreaRow* Rows;
    int Count;
};

inline constexpr int AreaTableCount = 4;
// Countries, Regions, Cities, Stations.
extern const TAreaTable AreaTables[AreaTableCount];
