#include "ui/NewMessageMarks.h"

#include "storage/clFriend.h"

void MarkNewMessages(TFriend& stored, TFriend& found,
                     const std::function<void(const std::string& URL, bool mark)>& mark) {
    TXMLRecordNodes* records = stored.RecordNodes();
    if (!records) return;
    for (int i = 0; i < records->Count(); ++i) {
        TXMLNode record = records->Nodes(i);
        TXMLNode flag = record.FindChild("NewMessage");
        if (!flag) flag = record.AddChild("NewMessage");
        const std::string url = record.FindChild("URL").Text();
        // FindByLogin looks an address without a login up by the address itself.
        const bool marked = static_cast<bool>(found.FindByLogin(url));
        flag.SetText(marked ? "1" : "0");
        if (mark) mark(url, marked);
    }
}
