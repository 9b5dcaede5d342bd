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
    for (CURL* e : idle) curl_easy_cleanup(e);
    curl_multi_cleanup(multi);
    curl_share_cleanup(share);
}

CURL* Session::TakeEasy() {
    if (idle.empty()) return curl_easy_init();
    CURL* e = idle.back();
    idle.pop_back();
    return e;
}

void Session::ReturnEasy(CURL* easy, bool reusable) {
    if (reusable && idle.size() < 4) {
        // curl_easy_reset would leave the cookie file list behind; clearing it keeps the share's
        // cookies.
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, static_cast<char*>(nullptr));
        curl_easy_reset(easy);
        idle.push_back(easy);
    } else {
        curl_easy_cleanup(easy);
    }
}

void Session::Held(int64_t uploadDelta, int64_t answerDelta) {
    held.upload += uploadDelta;
    held.answer += answerDelta;
    held.uploadPeak = std::max(held.uploadPeak, held.upload);
    held.answerPeak = std::max(held.answerPeak, held.answer);
}

void Session::TrackSpare() {
    const size_t now = HeapBytes(spareAnswer);
    Held(0, static_cast<int64_t>(now) - static_cast<int64_t>(trackedSpare));
    trackedSpare = now;
}

}  // namespace winhttp::curl
