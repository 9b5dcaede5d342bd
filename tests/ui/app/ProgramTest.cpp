// The shipped program, started in folders of the test's own so that it touches nothing of the
// user's: what it sets up for itself before it shows its window.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

// The signals a process ignores, from its /proc status; nullopt once it is gone.
std::optional<uint64_t> IgnoredSignals(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("SigIgn:", 0) == 0) return std::stoull(line.substr(7), nullptr, 16);
    return std::nullopt;
}

bool RunsTheProgram(pid_t pid) {
    std::error_code ec;
    return fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec) == fs::canonical(VA_PROGRAM_EXE, ec);
}

}  // namespace

TEST(Program, IgnoresSigxfszSoThatAWritePastTheSizeLimitFails) {
    std::string folder = (fs::temp_directory_path() / "va-program-XXXXXX").string();
    ASSERT_NE(::mkdtemp(folder.data()), nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // This process ignores SIGXFSZ and a child inherits that: the program must set it itself.
        ::signal(SIGXFSZ, SIG_DFL);
        if (::chdir(folder.c_str()) != 0) ::_exit(126);
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
            ::setenv(name, folder.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execl(VA_PROGRAM_EXE, VA_PROGRAM_EXE, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const uint64_t bit = uint64_t{1} << (SIGXFSZ - 1);
    bool running = false, ignored = false, ended = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!ignored && !ended && std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        ended = ::waitpid(child, &status, WNOHANG) == child;
        running = running || RunsTheProgram(child);
        if (running && !ended) ignored = (IgnoredSignals(child).value_or(0) & bit) != 0;
        if (!ignored) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!ended) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
    EXPECT_FALSE(ended) << "the program ended on its own";
    EXPECT_TRUE(running);
    EXPECT_TRUE(ignored);
}
