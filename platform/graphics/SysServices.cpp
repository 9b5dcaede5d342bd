#include "platform/graphics/SysServices.h"

#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/Strings.h"

std::string GetTempPath() {
    const char* dir = std::getenv("TMPDIR");
    std::string path = (dir && *dir) ? dir : "/tmp";
    if (path.back() != '/') path += '/';
    return path;
}

uint32_t GetTickCount() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

namespace {
std::function<uint32_t()> timeSource;
}

uint32_t timeGetTime() { return timeSource ? timeSource() : GetTickCount(); }

void SetTimeSource(std::function<uint32_t()> source) { timeSource = std::move(source); }

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    int64_t num = static_cast<int64_t>(a) * b;
    int64_t den = c;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    const int64_t r = num >= 0 ? (num + den / 2) / den : (num - den / 2) / den;
    if (r > 2147483647LL || r < -2147483647LL) return -1;
    return static_cast<int>(r);
}

int GetScreenBitsPerPixel() { return 32; }

namespace {
std::mutex formatLock;
std::map<std::string, unsigned> formatIds;
std::map<unsigned, std::string> formatNames;
}  // namespace

unsigned RegisterClipboardFormat(const std::string& name) {
    if (name.empty()) return 0;
    std::lock_guard<std::mutex> g(formatLock);
    auto it = formatIds.find(UpperCase(name));
    if (it != formatIds.end()) return it->second;
    const unsigned id = 0xC000u + static_cast<unsigned>(formatIds.size());
    formatIds.emplace(UpperCase(name), id);
    formatNames.emplace(id, name);
    return id;
}

std::string GetClipboardFormatName(unsigned id) {
    std::lock_guard<std::mutex> g(formatLock);
    auto it = formatNames.find(id);
    return it == formatNames.end() ? std::string() : it->second;
}
