// Feeds arbitrary pages to the site workers. Input: a list page, a NUL, then the page that every
// other request gets (profile pages, the login's pages, the answer to a code); without a NUL the
// whole input is the list page and other requests get an empty page. In both pages "http://h/"
// stands for the site's address, so that the fuzzer can write contact links without knowing the
// port: the pages are served by a server of the harness on 127.0.0.1.
//
// The import worker and the new-message checker each read the list page (ParseListPage), which
// fetches the profile page of every contact row it accepts; inputs of odd length make the import
// go through the session (and the code prompt, which answers with the same page), and every third
// input logs in and reads the folder links as well.
#include <httplib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

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

std::mutex g_pageMutex;
std::string g_page;  // what the server answers to every request
std::string g_host;  // "127.0.0.1:<port>"

std::string ReplaceAll(std::string text, const std::string& what, const std::string& with) {
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + with.size()))
        text.replace(p, what.size(), with);
    return text;
}

void StartServer() {
    static httplib::Server server;
    auto answer = [](const httplib::Request&, httplib::Response& res) {
        std::lock_guard<std::mutex> lock(g_pageMutex);
        res.set_content(g_page, "text/html");
    };
    server.Get(".*", answer);
    server.Post(".*", answer);
    const int port = server.bind_to_any_port("127.0.0.1");
    Check(port > 0, "the page server has a port");
    g_host = "127.0.0.1:" + std::to_string(port);
    std::thread([] { server.listen_after_bind(); }).detach();
    while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TWorkerSeams Seams(const std::string& codeAnswer) {
    TWorkerSeams seams;
    seams.Timer = MakeFrameworkTimer();  // the idle timer of FuzzSeams.cpp
    seams.Pause = [](int) {};
    seams.Message = [](const std::string&) {};
    seams.CodePrompt = [codeAnswer](const TCodeRequest&, TSubmit&) {
        TCodeAnswer a;
        a.ModalResult = 1;
        a.PageHTML = codeAnswer;
        a.Code = "1234";
        return a;
    };
    return seams;
}

// Every record of the worker's rows has an address on the site's host.
void CheckRows(TSiteWorker& worker) {
    TFriend& temp = worker.Temp();
    for (int i = 1; i <= temp.RecordCount(); ++i) {
        temp.SetRecNo(i);
        (void)temp.GetFieldText("Name");
        (void)temp.GetFieldText("Login");
        (void)temp.GetFieldText("URL");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The workers read no settings, but the web layer's start-up reads the registry: keep it away
    // from the user's own store.
    SetRegistryFolder("/tmp/va_fuzz_agent_registry");
    storage::initialise();
    web::initialise();
    StartServer();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string list = input, other;
    const size_t nul = input.find('\0');
    if (nul != std::string::npos) {
        list = input.substr(0, nul);
        other = input.substr(nul + 1);
    }
    const std::string site = "http://" + g_host + "/";
    list = ReplaceAll(list, "http://h/", site);
    other = ReplaceAll(other, "http://h/", site);
    {
        std::lock_guard<std::mutex> lock(g_pageMutex);
        g_page = other;
    }

    try {
        TContactsImportClass import(Seams(other));
        import.Host = g_host;
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
        TCheckMessagesClass check(Seams(other));
        check.Host = g_host;
        check.ParseListPage(list);
        CheckRows(check);
    } catch (const Exception&) {
    }
    return 0;
}
