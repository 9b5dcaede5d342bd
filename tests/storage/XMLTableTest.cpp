#include <gtest/gtest.h>

#include "storage/clXMLDataTable.h"
#include "tests/storage/StorageTestUtil.h"

namespace {

class TTwoFieldTable : public TXMLTable {
protected:
    void InternalInitFieldDefs() override {
        FieldDefs().Clear();
        FieldDefs().Add("A", ftString, 50, true);
        FieldDefs().Add("B", ftInteger, 0, true);
    }
};

}  // namespace

TEST(XMLTable, NewTableSavesOneRecordWithEmptyFieldsInOrder) {
    TempDir dir;
    TTwoFieldTable t;
    t.AppendRecordNode();
    t.SaveToFile(dir.Path("t.xml"));
    EXPECT_EQ(ReadFile(dir.Path("t.xml")), "<XMLTable><Record><A/><B/></Record></XMLTable>");
}
