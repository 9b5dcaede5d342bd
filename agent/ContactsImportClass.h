#pragma once
// The contact import: after a successful Login, StartImport walks the user's two message folders
// list page by list page. A load step reads one page's contact rows (name, age, area), fetches
// each contact's profile page for its clean address, VIP and voice marks and photo count, and
// puts every contact not yet known into Temp; each following step merges one row of Temp into the
// worker's own table of that folder (Folders). The worker never loads or saves those tables:
// they only grow for its whole life, and the settings page merges them into the stored folders
// on OnComplete. After OnComplete the completion box says "Импорт контактов завершен.", or the
// connection-error text when a folder could not be read; when the owner reports that its merge
// failed (StoreFailed), no completion box follows, so the owner's error stays the last word.
//
// Profile pages go through the session while FullImport is on; a page that asks for a
// confirmation code is answered through the code prompt (the dialog), or with the last accepted
// code without asking when the picture repeats it. Otherwise, and when a code is not given, a
// fresh client of its own fetches the page (the site's default view, without the session).
#include "agent/SiteWorker.h"

class TContactsImportClass : public TSiteWorker {
public:
    static const char* const CompletedText;

    explicit TContactsImportClass(TWorkerSeams seams = {});
    std::string ClassName() const override { return "TContactsImportClass"; }

    bool FullImport = false;
    std::string LastCode;        // the code last accepted in this run, as typed
    std::string LastCaptchaURL;  // the picture address of that code
    // Set by the completion handler when a folder could not be merged into its stored file or
    // saved: nothing was stored, so no completion box. Cleared by each start.
    bool StoreFailed = false;

    // Starts a run after a successful Login; Host comes from the data module's settings.
    void StartImport();

    TImportStateObject& ImportState() { return static_cast<TImportStateObject&>(State()); }

    // Reads one list page (public for tests).
    void ParseListPage(const std::string& page) override;

protected:
    int ProgressPosition() const override { return FolderIndex; }
    int ProgressTotal() const override { return FolderCount; }
    void LoginFailed() override { Logout(); }
    void RunFinished() override;

private:
    struct Row;
    void ReadRow(THTMLElementList& els, const THTMLTag* link, const std::string& href);
    void ReadProfile(Row& row);
    // The code handling of a session profile page in rowTags; true when the site's answer to a
    // code now stands in rowTags as the profile.
    bool AnswerCode(TFindTags& rowTags);
};
