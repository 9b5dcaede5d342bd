#include "platform/ProgramDir.h"

#include <unistd.h>

#include <mutex>

namespace {
std::mutex g_mutex;
std::string g_override;

std::string ExecutableDirectory() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string path(buf, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}
}  // namespace

std::string ProgramDirectory() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!g_override.empty()) return g_override;
    static const std::string exeDir = ExecutableDirectory();
    return exeDir;
}

void SetProgramDirectory(const std::string& dir) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_override = dir;
    if (!g_override.empty() && g_override.back() != '/') g_override.push_back('/');
}
