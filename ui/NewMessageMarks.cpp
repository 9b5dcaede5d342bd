#include "ui/NewMessageMarks.h"

#include <unordered_set>

#include "platform/Strings.h"
#include "storage/clFriend.h"
#include "storage/clUrlList.h"

void MarkNewMessages(TFriend& stored, TFriend& found,
                     const std::function<void(const std::string& URL, bool mark)>& mark) {
    TXMLRecordNodes* records = stored.RecordNodes();
    if (!records) return;
    // One pass over the found contacts gives the same answers as TFriend::FindByLogin for each
    // stored record: logins compared exactly, an address without a login compared A-Z folded.
    std::unordered_set<std::string> logins, addresses;
    if (TXMLRecordNodes* rows = found.RecordNodes()) {
        for (int i = 0; i < rows->Count(); ++i) {
            TXMLNode url = rows->Nodes(i).FindChild("URL");
            if (!url) continue;
            const std::string text = url.Text();
            logins.insert(ExtractLogin(text));
            addresses.insert(LowerCase(text));
        }
    }
    for (int i = 0; i < records->Count(); ++i) {
        TXMLNode record = records->Nodes(i);
        TXMLNode flag = record.FindChild("NewMessage");
        if (!flag) flag = record.AddChild("NewMessage");
        const std::string url = record.FindChild("URL").Text();
        const std::string login = ExtractLogin(url);
        const bool marked = login.empty() ? addresses.count(LowerCase(url)) > 0 : logins.count(login) > 0;
        flag.SetText(marked ? "1" : "0");
        if (mark) mark(url, marked);
    }
}
