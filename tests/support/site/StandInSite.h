#pragma once
// The stand-in dating site: a small HTTP/1.0 server on 127.0.0.1 that answers the pages the agent
// reads (home, login, messages, folder lists, profiles, confirmation codes, logout), keeps visit and
// session cookies, injects faults on chosen requests and logs every request for the tests.
//
// Everything the site shows is configured by a plain `SiteState` that a test fills. Texts in the
// state are cp1251, like the system's own (write them as u8"..."_cp); the site sends each page as
// it is, or turns it into UTF-8 with glibc iconv, by `SiteState::encoding`. Form fields that arrive
// are decoded to raw bytes (the agent posts cp1251).
//
// In page texts and hrefs "{host}" stands for the site's host as links show it (`LinkHost()`).
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/CpLiteral.h"

namespace site {

// The UTF-8 bytes of a u8 literal, for a text meant as UTF-8 (a page with characters cp1251 lacks).
inline std::string Utf8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

// glibc iconv. Utf8ToCp1251 raises std::runtime_error for a character the code page lacks;
// Cp1251ToUtf8 converts every byte (0x98 has no character in glibc's table and raises too).
std::string Utf8ToCp1251(std::string_view utf8);
std::string Cp1251ToUtf8(std::string_view cp1251);

enum class Encoding {
    Cp1251,          // cp1251 bytes, meta charset=windows-1251
    Utf8,            // UTF-8 bytes, meta charset=utf-8
    Utf8SecondMeta,  // UTF-8 bytes; the first charset meta says windows-1251, the second utf-8
    Utf8Html5Meta,   // UTF-8 bytes, only <meta charset="utf-8"> (no content="...charset=")
    Utf8HeaderOnly,  // UTF-8 bytes, no meta at all; only the HTTP header names utf-8
};

enum class LoginLink {
    WithSold,     // .../tips/index.phtml?tip=login&sold=<sold>
    WithoutSold,  // .../tips/index.phtml?tip=login
    None,         // no login link on the home page
};

enum class AgeForm {
    Comma,      // <a ...>Name</a>, 25<br>Area
    BareComma,  // <a ...>Name</a> , <b>25</b><br>Area
};

enum class PhotoType { Jpeg, Gif };

struct Contact {
    std::string login;  // the profile's first path segment: http://{host}/<login>/
    int oid = 0;        // 0: 1000 + the row's place in its folder
    std::string name;   // blank (" ") for a row whose name link shows nothing
    std::string age;    // as shown; empty: the row shows no age
    AgeForm ageForm = AgeForm::Comma;
    std::string area;                   // empty: the row shows no area
    std::string date = "07.12.2026";    // the row's next cell
    bool photoLinkFirst = false;        // a link around a thumbnail before the name link
    std::string href;                   // list link; empty: http://{host}/<login>/?oid=<oid>
    std::string mark;                   // text of the row's mark cell (new message, wink...)
    bool singleTable = false;           // the row in one table instead of a nested pair

    // Profile page. With a photo it shows /photos/<login>.jpg or .gif by photoType, served with
    // photoBytes (404 when empty); without one, the site's /img/nophoto.gif.
    bool hasPhoto = true;
    PhotoType photoType = PhotoType::Jpeg;
    std::string photoBytes;
    bool vip = false;
    bool voice = false;
    std::string voiceIcon = "i_voice.gif";
    bool online = false;
    int photos = 0;
    int intimPhotos = 0;     // shown only to a session
    std::string selfLink;    // canonical self-link; empty: http://{host}/<login>/; "-": none
    std::string profileExtra;  // raw markup (cp1251) added to the profile body

    // Confirmation code: a session's profile request answers the code page instead.
    bool asksCode = false;
    std::string captchaS = "s1";   // the picture's "&s=" value
    std::string captchaNextS;      // the picture after a refused code; empty: captchaS again
};

enum class FaultKind {
    Status,     // answer `status` (with `location` for a redirect) and a short body
    EmptyBody,  // 200 with an empty body
    Delay,      // wait `delayMs` before the headers, then answer normally
    Drop,       // close the connection without a byte
    Truncate,   // announce the whole Content-Length, send half the body, close
};

struct Fault {
    std::string targetContains;  // empty: every request
    int first = 1;               // the first matching request affected (1-based)
    int count = 1;               // matching requests affected from `first` on; 0: all
    FaultKind kind = FaultKind::Status;
    int status = 500;
    std::string location;  // "{host}" allowed
    int delayMs = 0;
};

struct RawPage {
    RawPage() = default;
    explicit RawPage(std::string text, bool bytes = false, std::string type = "text/html")
        : body(std::move(text)), verbatim(bytes), contentType(std::move(type)) {}
    std::string body;       // cp1251 markup ("{host}" replaced), encoded by the state's encoding
    bool verbatim = false;  // send `body` bytes as they are
    bool utf8Body = false;  // `body` is UTF-8 already ("{host}" replaced), sent as utf-8
    std::string contentType = "text/html";
    int status = 200;
    std::optional<Encoding> encoding;  // in place of the state's encoding
};

struct SiteState {
    std::string linkHost;  // host in absolute links; empty: 127.0.0.1:<port>
    Encoding encoding = Encoding::Cp1251;
    std::optional<Encoding> homeEncoding;  // the home page's own encoding

    LoginLink loginLink = LoginLink::WithSold;
    std::string sold = "f3a9";
    bool cutLinkHasForm = true;   // false: the cut link's page has no form, and the post needs s
    std::string hiddenS = "7c21"; // the hidden input "s" of the full link's page
    std::string login = "velmora";
    std::string password = "secret";
    bool refusedShowsLogout = false;  // a refused login's page links logout.phtml
    bool loginRedirects = false;      // an accepted login answers 302 to /welcome.phtml

    std::string messagesHref = "http://{host}/messages.phtml?rand=4711";
    std::vector<std::string> folderHrefs = {"http://{host}/messages.phtml?fid=1",
                                            "http://{host}/messages.phtml?fid=2",
                                            "http://{host}/messages.phtml?fid=3"};
    std::vector<std::vector<Contact>> folders = std::vector<std::vector<Contact>>(3);  // fid 1..3
    int pageSize = 10;

    std::map<std::string, std::string> codes;  // picture "s" -> the code the site accepts
    std::string codeFormExtra;                 // raw markup (cp1251) added inside the code form
    std::string codePicture;                   // the picture's bytes (JPEG)
    std::string noPhotoPicture;                // /img/nophoto.gif (GIF); empty: 404
    bool codesOnce = false;                    // a picture's code is accepted once only

    int sessionExpiresAfter = 0;     // a session dies after this many requests; 0: never
    bool expiredGoesHome = false;    // a request without a live session is redirected home
                                     // instead of answered with the login page
    bool oneSessionPerAccount = false;

    std::vector<Fault> faults;
    std::map<std::string, RawPage> rawPages;  // by exact request target, before any route
};

struct LoggedRequest {
    int index = 0;  // 1-based arrival order
    std::string method, target, version;
    std::vector<std::pair<std::string, std::string>> headers;  // in the order sent
    std::string body;
    std::vector<std::pair<std::string, std::string>> fields;  // form fields, decoded bytes
    std::string session;  // the live session the request carried, or empty
    std::string route;    // "home", "login", "login-post", "messages", "list", "profile", ...
    std::string fault;    // the fault applied, or empty

    std::string Header(std::string_view name) const;  // first one, name ignoring case; "" if none
    bool HasHeader(std::string_view name) const;
    std::string Field(std::string_view name) const;   // first one; "" if none
    std::string Path() const;                          // target before "?"
};

class StandInSite {
public:
    explicit StandInSite(SiteState state = {});
    ~StandInSite();
    StandInSite(const StandInSite&) = delete;
    StandInSite& operator=(const StandInSite&) = delete;

    // Listens on 127.0.0.1:port (0: an ephemeral port). Raises std::runtime_error on failure.
    void Start(int port = 0);
    void Stop();

    int Port() const { return port_; }
    std::string Host() const;                      // "127.0.0.1:<port>"
    std::string LinkHost() const;                  // host shown in links
    std::string Url(std::string_view path) const;  // "http://" + LinkHost() + path

    void Update(const std::function<void(SiteState&)>& change);
    SiteState Snapshot() const;

    // Called on the connection's thread for every request, after it is logged and before its
    // answer goes out (tests look at the client's state there). Set it before Start.
    void SetRequestHook(std::function<void(const LoggedRequest&)> hook) { hook_ = std::move(hook); }

    std::vector<LoggedRequest> Log() const;
    std::vector<LoggedRequest> Requests(std::string_view route) const;  // by route name
    void ClearLog();
    int LiveSessions() const;

private:
    struct Session {
        std::string id;
        std::string account;
        int requests = 0;
        bool alive = true;
    };
    struct Response;
    struct Connection;

    void AcceptLoop();
    void Serve(int fd);
    Response Route(LoggedRequest& req, const std::string& cookieHeader);
    std::string Finish(std::string page, Encoding enc) const;
    bool WaitStop(int ms);

    mutable std::mutex mu_;
    SiteState state_;
    std::vector<LoggedRequest> log_;
    std::vector<Session> sessions_;
    std::vector<int> faultHits_;
    int sessionSerial_ = 0;
    int visitSerial_ = 0;
    int imageSerial_ = 0;
    std::vector<std::string> usedCodes_;

    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    std::mutex connMu_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::function<void(const LoggedRequest&)> hook_;
    std::condition_variable stopCv_;
    std::mutex stopMu_;
};

// Pieces shared with the tests: the default state that the `velmora-site` program serves. Its
// photos come from tests/data/site: most contacts a JPEG, user2 and fav2 a GIF, user3 none.
SiteState DefaultState();
// The address path of a contact's photo: "/photos/<login>.jpg" or ".gif".
std::string PhotoPath(const Contact& c);
// A fixture file of tests/data/site as bytes; raises std::runtime_error when it cannot be read.
std::string SiteFixture(const std::string& name);

}  // namespace site
