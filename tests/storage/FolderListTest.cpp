// The folder list and its folder tables.
#include <gtest/gtest.h>

#include "platform/ProgramDir.h"
#include "storage/clFriendFolderList.h"
#include "tests/storage/StorageTestUtil.h"
#include "platform/CpLiteral.h"

namespace {

void AddSystemFolders(TFriendFolderList& folders) {
    folders.AddFolder("0", "CommonFriends", u8"Общая папка"_cp);
    folders.AddFolder("1", "FaforiteFriends", u8"Избранные пользователи"_cp);
    folders.AddFolder("2", "Friends", u8"Найденные пользователи"_cp);
}

}  // namespace

TEST(FolderList, ThreeFoldersThreeTables) {
    TFriendFolderList folders;
    AddSystemFolders(folders);
    ASSERT_EQ(folders.RecordCount(), 3);
    EXPECT_EQ(folders.RecordNodes()->Root().NodeName(), "XMLTable");
    EXPECT_EQ(folders.RecordNodes()->Nodes(0).NodeName(), "Record");
    folders.SetRecNo(2);
    EXPECT_EQ(folders.GetFieldText("id"), "1");
    EXPECT_EQ(folders.GetFieldText("Name"), "FaforiteFriends");
    EXPECT_EQ(folders.GetFieldText("Caption"), u8"Избранные пользователи"_cp);
    EXPECT_EQ(folders.GetFolderTable(0)->FileName, "CommonFriends.xml");
    EXPECT_EQ(folders.GetFolderTable(1)->FileName, "FaforiteFriends.xml");
    EXPECT_EQ(folders.GetFolderTable(2)->FileName, "Friends.xml");
    EXPECT_EQ(folders.GetFolderTable(3), nullptr);
    EXPECT_EQ(folders.GetFolderTable(-1), nullptr);
    EXPECT_EQ(folders.GetFolderTable(1), folders.GetFolderTable(1));
    EXPECT_EQ(folders.GetFolderTable(0)->RecordNodes(), nullptr);  // not loaded by AddFolder
}

TEST(FolderList, DeleteFolderFreesItsTable) {
    TFriendFolderList folders;
    AddSystemFolders(folders);
    TFriend* second = folders.GetFolderTable(1);
    folders.DeleteRecord(0);
    EXPECT_EQ(folders.GetFolderTable(0), second);
    EXPECT_EQ(folders.GetFolderTable(2), nullptr);
    folders.SetRecNo(1);
    EXPECT_EQ(folders.GetFieldText("id"), "1");
    EXPECT_THROW(folders.DeleteRecord(5), EListError);
    EXPECT_EQ(folders.GetFolderTable(1)->FileName, "Friends.xml");  // nothing freed by a refused delete
}

TEST(FolderList, NeverLoadedTableSavesNothing) {
    TempDir dir;
    SetProgramDirectory(dir.Dir());
    TFriendFolderList folders;
    AddSystemFolders(folders);
    folders.GetFolderTable(0)->Save();
    EXPECT_TRUE(ListDir(dir.Dir()).empty());
    folders.GetFolderTable(0)->Load();  // missing file: an empty table, which saves its bare root
    folders.GetFolderTable(0)->Save();
    EXPECT_EQ(ReadFile(dir.Path("CommonFriends.xml")), "<Friends/>");
    SetProgramDirectory("");
}
