// Feeds arbitrary bytes to the record tables as a table file: the bytes go to a file in a
// temporary folder, the contact table and a plain record table load it, every record's fields are
// read through the cursor and the index, the records are merged into a second table, and both are
// saved to another file and loaded back. A file that loads must save to one that loads back into
// the same records.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Exceptions.h"
#include "platform/Initialise.h"
#include "storage/StorageInit.h"
#include "storage/clFriend.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

const std::string& Folder() {
    static const std::string dir = [] {
        std::string d = (std::filesystem::temp_directory_path() /
                         ("va_fuzz_storage_" + std::to_string(::getpid())))
                            .string();
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Reads every record's fields through the cursor and through the record elements.
void Walk(TXMLTable& table) {
    TXMLRecordNodes* nodes = table.RecordNodes();
    if (!nodes) return;
    const int count = table.RecordCount();
    Check(count == nodes->Count(), "record count matches the record elements");
    for (int i = 1; i <= count; ++i) {
        table.SetRecNo(i);
        Check(table.CurrentIndex() == i - 1, "cursor at the record set");
        for (const char* field : {"Name", "Login", "URL", "Area", "Age", "NoSuchField"})
            (void)table.GetFieldText(field);
        TXMLNodeList fields = nodes->Nodes(i - 1).ChildNodes();
        for (int f = 0; f < fields.Count(); ++f) {
            (void)fields[f].NodeName();
            (void)fields[f].Text();
        }
    }
    table.First();
    while (!table.Eof()) table.Next();
}

// A file that loads is saved at once and must load again into the same records, and save to the
// same bytes: a save never writes what the next load refuses or reads otherwise.
void CheckSavedFileLoadsBack(TXMLTable& loaded, const std::string& out) {
    try {
        loaded.SaveToFile(out);
        TFriend again;
        again.LoadFromFile(out);
        TXMLRecordNodes* a = loaded.RecordNodes();
        TXMLRecordNodes* b = again.RecordNodes();
        Check(a->Root().NodeName() == b->Root().NodeName(), "the root keeps its name");
        Check(a->Count() == b->Count(), "a saved table loads back whole");
        for (int i = 0; i < a->Count(); ++i) {
            Check(a->Nodes(i).NodeName() == b->Nodes(i).NodeName(), "a record keeps its name");
            TXMLNodeList fa = a->Nodes(i).ChildNodes();
            TXMLNodeList fb = b->Nodes(i).ChildNodes();
            Check(fa.Count() == fb.Count(), "a record keeps its fields");
            for (int f = 0; f < fa.Count(); ++f) {
                Check(fa[f].NodeName() == fb[f].NodeName(), "a field keeps its name");
                Check(fa[f].Text() == fb[f].Text(), "a field keeps its value");
            }
        }
        Check(again.Document()->SaveToString() == loaded.Document()->SaveToString(),
              "a saved file saves again to the same bytes");
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().c_str());
        Check(false, "a loaded file saves and loads back");
    }
}

// A record table with the fields Name and URL and nothing of the contact table's own.
class TPlainTable : public TXMLTable {
protected:
    void InternalInitFieldDefs() override {
        FieldDefs().Add("Name", ftString, 50);
        FieldDefs().Add("URL", ftString, 2048);
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::initialise();
    storage::initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = Folder() + "/in.xml";
    const std::string out = Folder() + "/out.xml";
    WriteFile(in, data, size);

    try {
        TFriend friends;
        friends.LoadFromFile(in);
        CheckSavedFileLoadsBack(friends, out);
        friends.Open();
        Walk(friends);

        TXMLTableIndex index;
        index.Build("URL", &friends);
        TStringList keys;
        index.FillStrings(keys);
        Check(keys.Count() == index.Count(), "one key per index entry");
        for (int i = 0; i < index.Count(); ++i) {
            const std::string key = index.Items(i).Key;
            (void)index.FindNode(key);
            (void)friends.FindByLogin(key);
            (void)friends.FindByUrl(key);
        }
        for (int mode = 0; mode <= 2; ++mode) {
            TFriend target;
            target.Open();
            target.AddFriend("a", "b", "http://h/b/", "", 1, 0, 0, 0, 0, "");
            friends.MergeInto(&target, mode);
            Walk(target);
        }
        if (friends.RecordCount() > 0) {
            TFriend copy;
            copy.Open();
            friends.SetRecNo(1);
            copy.CopyRecord(friends);
            friends.UpdateFriend(0, "n", "l", "http://h/l/", "a", 2, 1, 3, 0, 1, "");
            friends.DeleteFriend(friends.RecordCount() - 1);
        }
        friends.SaveToFile(out);
        TFriend again;
        again.LoadFromFile(out);
        again.Open();
        Walk(again);
        Check(again.RecordCount() == friends.RecordCount(), "a saved table loads back whole");
    } catch (const Exception&) {
        // Malformed files raise; that is their expected outcome.
    }

    try {
        TPlainTable plain;
        plain.LoadFromFile(in);
        plain.Open();
        Walk(plain);
        if (plain.RecordCount() > 0) plain.DeleteRecord(0);
        plain.AppendRecordNode();
        plain.SaveToFile(out);
    } catch (const Exception&) {
    }
    return 0;
}
