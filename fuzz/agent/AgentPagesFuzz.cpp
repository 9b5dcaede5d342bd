// Feeds arbitrary pages to the site workers. Input: a list page, a NUL, then the page that every
// other request gets (profile pages, the login's pages, the answer to a code); without a NUL the
// whole input is the list page and other requests get an empty page. The site is "h": links to
// "http://h/" are the site's own. Pages are served by an in-memory WinHTTP service, so a run
// makes no connection and starts no thread.
//
// The import worker and the new-message checker each read the list page (ParseListPage), which
// fetches the profile page of every contact row it accepts; inputs of odd length make the import
// go through the session (and the code prompt, which answers with the same page), and every third
// input logs in and reads the folder links as well.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "tests/support/memsite/MemorySite.h"
#include "agent/CheckMessagesClass.h"
#include "agent/ContactsImportClass.h"
#include "platform/Exceptions.h"
#include "platform/registry/Registry.h"
#include "storage/StorageInit.h"
#include "web/WebInit.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

const char* const kHost = "h";
std::string g_page;  // what the site answers to every request

MemorySite& Site() {
    static MemorySite site([](const std::string&, const std::string&, const std::string&, const std::string&) {
        return g_page;
    });
    return site;
}

// The harness drives the workers itself: the timer only holds its settings.
class IdleTimer : public IWorkerTimer {
public:
    void SetInterval(int ms) override { interval_ = ms; }
    int Interval() const override { return interval_; }
    void SetOnTimer(std::function<void()>) override {}
    void SetEnabled(bool on) override { enabled_ = on; }
    bool Enabled() const override { return enabled_; }

private:
    int interval_ = 0;
    bool enabled_ = false;
};

TWorkerSeams Seams(const std::string& codeAnswer) {
    TWorkerSeams seams;
    seams.Timer = std::make_unique<IdleTimer>();
    seams.Pause = [](int) {};
    seams.Message = [](const std::string&) {};
    seams.CodePrompt = [codeAnswer](const TCodeRequest&, TSubmit&) {
        TCodeAnswer a;
        a.ModalResult = 1;
        a.PageHTML = codeAnswer;
        a.Code = "1234";
        return a;
    };
    seams.Http = &Site();
    return seams;
}

// Every row of the worker has an absolute address: the list link (on the site's host) or the
// profile's own link.
void CheckRows(TSiteWorker& worker) {
    TFriend& temp = worker.Temp();
    for (int i = 1; i <= temp.RecordCount(); ++i) {
        temp.SetRecNo(i);
        (void)temp.GetFieldText("Name");
        (void)temp.GetFieldText("Login");
        Check(LowerCase(temp.GetFieldText("URL")).rfind("http://", 0) == 0, "a row's address is absolute");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The workers read no settings, but the web layer's start-up reads the registry: keep it away
    // from the user's own store, in a folder of this process's own.
    char folder[] = "/tmp/va-fuzz-agent-XXXXXX";
    Check(mkdtemp(folder) != nullptr, "a registry folder");
    SetRegistryFolder(folder);
    storage::initialise();
    web::initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string list = input;
    g_page.clear();
    const size_t nul = input.find('\0');
    if (nul != std::string::npos) {
        list = input.substr(0, nul);
        g_page = input.substr(nul + 1);
    }
    const std::string site = std::string("http://") + kHost + "/";

    try {
        TContactsImportClass import(Seams(g_page));
        import.Host = kHost;
        import.FullImport = size % 2 == 1;
        import.ParseListPage(list);
        CheckRows(import);
        if (size % 3 == 0) {
            import.MessagesURL = site + "messages.phtml?rand=1";
            (void)import.Login("velmora", "secret");
            std::string url;
            import.GetFolderURL(0, url);
            import.GetFolderURL(1, url);
        }
    } catch (const Exception&) {
    }

    try {
        TCheckMessagesClass check(Seams(g_page));
        check.Host = kHost;
        check.ParseListPage(list);
        CheckRows(check);
    } catch (const Exception&) {
    }
    Check(Site().OpenHandles() == 0, "every handle of the run is closed");
    return 0;
}
