#pragma once
// Helpers shared by the storage tests: a temporary folder removed at the end, whole-file reads,
// and xmllint as an outside judge of the files the tables write.
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "va-storage-XXXXXX").string();
        char* made = ::mkdtemp(tmpl.data());
        if (!made) throw std::runtime_error("mkdtemp failed");
        path_ = made;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Dir() const { return path_; }
    // The folder with its trailing separator, as the program directory is given.
    std::string DirSlash() const { return path_ + "/"; }
    std::string Path(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& data) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(data.data(), static_cast<std::streamsize>(data.size()));
}

// Entries of a folder, by name.
inline std::vector<std::string> ListDir(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string FixturePath(const std::string& name) { return std::string(VA_TEST_DATA_DIR) + "/storage/" + name; }

// Runs a shell command; returns its exit status and fills out with its standard output.
inline int RunCommand(const std::string& command, std::string* out = nullptr) {
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return -1;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
    int status = ::pclose(p);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

constexpr const char* kXmllint = "/usr/bin/xmllint";

// The result of an XPath expression over a file, as xmllint prints it (UTF-8, its own final line
// break removed); false when xmllint fails.
inline bool XPath(const std::string& path, const std::string& expr, std::string& out) {
    int rc = RunCommand(std::string(kXmllint) + " --xpath '" + expr + "' '" + path + "' 2>/dev/null", &out);
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return rc == 0;
}
