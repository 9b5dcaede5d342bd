#pragma once
// The new-message check: after a successful Login, StartCheck walks the user's two message folders
// as the import does, but keeps only the rows that announce a new message, a wink or a surprise.
// For each such contact a fresh client (no session) fetches the profile page for its clean
// address, and the contact goes into the checker's own table of that folder (Folders). Those
// tables are never cleared: a contact found once stays in them for the checker's whole life, and
// the completion handler turns them into the cards' letter marks.
//
// Busy is true from the start of StartCheck until OnComplete has returned; the owner starts no
// second check meanwhile. The checker shows no completion box, and a refused login only
// disconnects (the logout link is not requested).
#include "agent/SiteWorker.h"

class TCheckMessagesClass : public TSiteWorker {
public:
    explicit TCheckMessagesClass(TWorkerSeams seams = {});
    std::string ClassName() const override { return "TCheckMessagesClass"; }

    bool Busy = false;

    // Starts a run after a successful Login; Host comes from the data module's settings.
    void StartCheck();

    TCheckMessagesStateObject& CheckState() { return static_cast<TCheckMessagesStateObject&>(State()); }

    // Reads one list page (public for tests).
    void ParseListPage(const std::string& page) override;

protected:
    int ProgressPosition() const override { return TickCount; }
    int ProgressTotal() const override { return MaxPages; }
    void LoginFailed() override { Submit().Disconnect(); }
    void AfterComplete() override { Busy = false; }

private:
    // True when the row of the link at linkPosition carries a mark before the second "/tbody".
    static bool RowMarked(THTMLElementList& els, int linkPosition);
    // The contact's address after its profile page (canonical when the page names one).
    std::string ProfileAddress(const std::string& address);
};
