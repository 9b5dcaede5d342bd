// A session: its cookie share, its transfers, and the easy handles and buffers it keeps for reuse.
#include <algorithm>

#include "platform/winhttp/CurlTypes.h"

namespace winhttp::curl {

Session::Session() : Handle(kSession) {
    share = curl_share_init();
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    multi = curl_multi_init();
}

Session::~Session() {
    for (const Idle& i : idle) curl_easy_cleanup(i.easy);
    curl_multi_cleanup(multi);
    curl_share_cleanup(share);
}

CURL* Session::TakeEasy(bool plainGet, bool& fresh) {
    fresh = idle.empty();
    if (fresh) return curl_easy_init();
    const Idle last = idle.back();
    idle.pop_back();
    // A plain GET after a plain GET that went well sets only what differs. Anything else starts
    // from a reset handle: the retry and rewind state of a body or a failure must not carry over.
    if (!(plainGet && last.plainGet)) {
        // curl_easy_reset would leave the cookie file list behind; clearing it keeps the share's
        // cookies.
        curl_easy_setopt(last.easy, CURLOPT_COOKIEFILE, static_cast<char*>(nullptr));
        curl_easy_reset(last.easy);
        fresh = true;
    }
    return last.easy;
}

void Session::ReturnEasy(CURL* easy, bool reusable, bool plainGet) {
    if (reusable && idle.size() < 4) idle.push_back({easy, plainGet});
    else curl_easy_cleanup(easy);
}

void Session::Track(const std::string& buffer, size_t& tracked, bool upload) {
    const size_t now = HeapBytes(buffer);
    if (now == tracked) return;
    uint64_t& count = upload ? held.upload : held.answer;
    uint64_t& peak = upload ? held.uploadPeak : held.answerPeak;
    count = count - tracked + now;
    peak = std::max(peak, count);
    tracked = now;
}

}  // namespace winhttp::curl
