#include "agent/CheckMessagesClass.h"

#include "agent/AgentLog.h"
#include "storage/clUrlList.h"
#include "platform/CpLiteral.h"

namespace {

bool Contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

// A text that announces a new message, a wink or a surprise (compared as written).
bool IsMarkText(const std::string& text) {
    return text == " | " || Contains(text, u8"Подмигнул"_cp) || Contains(text, u8"вам сюрприз"_cp) ||
           Contains(text, u8"новое сообщение"_cp) || Contains(text, u8"новых сообщения"_cp);
}

}  // namespace

TCheckMessagesClass::TCheckMessagesClass(TWorkerSeams seams)
    : TSiteWorker(std::make_unique<TCheckMessagesStateObject>(), std::move(seams)) {}

void TCheckMessagesClass::StartCheck() {
    Busy = true;
    try {
        HostFromSettings();
        StartRun();
    } catch (...) {
        LogCaught("check start");
        // The check must still end through its finish, or Busy would stop every later check.
        EndRun();
        Timer().SetEnabled(true);
    }
}

void TCheckMessagesClass::ParseListPage(const std::string& page) {
    WalkListPage(page, [this](THTMLElementList& els, const THTMLTag* link, const std::string& href) {
        if (!RowMarked(els, link->Position) || !IsContactAddress(href)) return;
        // The profile page goes through a tag search of its own, so links and els stay valid.
        const std::string address = ProfileAddress(href);
        TFriend* table = Folders().GetFolderTable(FolderIndex);
        if (table && !table->FindByLogin(address) && !Temp().FindByLogin(address))
            Temp().AddFriend(ExtractLogin(href), ExtractLogin(address), address, "", 0, 0, 0, 0, 0, "");
    });
}

bool TCheckMessagesClass::RowMarked(THTMLElementList& els, int linkPosition) {
    // Not bounded by the row: a mark of a later row before the second "/tbody" counts.
    int tbodies = 0;
    for (int i = linkPosition + 1; i < els.Count(); ++i) {
        THTMLElement* e = els[i];
        if (const THTMLTag* tag = AsTag(e)) {
            if (LowerCase(tag->Name) == "/tbody" && ++tbodies == 2) return false;
            continue;
        }
        if (IsMarkText(AsText(e)->Text)) return true;
    }
    return false;
}

std::string TCheckMessagesClass::ProfileAddress(const std::string& address) {
    TFindTags rowTags;
    {
        TSubmit client(Http());  // the site's guest view: the client's default header, no cookie
        client.SetURL(address);
        std::string page = GetPage(client);
        if (!page.empty()) rowTags.SetText(page);
        client.Disconnect();
    }
    std::string text = rowTags.GetText();
    if (text.empty()) return address;
    TTagList tags;
    CharsetCheck(text, rowTags, tags);
    std::string canonical = CanonicalAddress(rowTags, tags);
    return canonical.empty() ? address : canonical;
}
