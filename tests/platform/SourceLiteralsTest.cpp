// Every literal of the system's text is written u8"..."_cp, which gives cp1251 bytes under every
// compiler. A plain narrow literal holding a non-ASCII byte would give whatever the compiler's
// execution character set makes of it (UTF-8 under g++ and clang), so none may exist anywhere in
// the sources: product code, tests, test servers, benchmarks, fuzz targets and tools.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Finding {
    int line = 0;
    std::string literal;
};

bool IsIdentChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool HasNonAscii(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// The narrow (unprefixed or plain raw) string and character literals of C++ source text that hold
// a byte above 0x7F. Comments and prefixed literals (u8, u, U, L, with or without R) are skipped;
// a quote after a digit is a digit separator.
std::vector<Finding> NarrowNonAsciiLiterals(std::string_view src) {
    std::vector<Finding> out;
    int line = 1;
    const size_t n = src.size();
    auto advanceTo = [&](size_t& i, size_t to) {
        line += static_cast<int>(std::count(src.begin() + static_cast<std::ptrdiff_t>(i),
                                            src.begin() + static_cast<std::ptrdiff_t>(std::min(to, n)), '\n'));
        i = std::min(to, n);
    };
    size_t i = 0;
    while (i < n) {
        const char c = src[i];
        if (c == '/' && i + 1 < n && src[i + 1] == '/') {
            size_t e = i;
            do {  // a backslash at the end of the line continues the comment
                e = src.find('\n', e + 1);
            } while (e != std::string_view::npos && e > 0 && src[e - 1] == '\\');
            advanceTo(i, e == std::string_view::npos ? n : e);
            continue;
        }
        if (c == '/' && i + 1 < n && src[i + 1] == '*') {
            size_t e = src.find("*/", i + 2);
            advanceTo(i, e == std::string_view::npos ? n : e + 2);
            continue;
        }
        if (c != '"' && c != '\'') {
            if (c == '\n') ++line;
            ++i;
            continue;
        }
        size_t k = i;
        while (k > 0 && IsIdentChar(src[k - 1])) --k;
        const std::string_view ident = src.substr(k, i - k);
        if (c == '\'' && !ident.empty() && ident != "u8" && ident != "u" && ident != "U" && ident != "L") {
            ++i;  // digit separator, as in 1'000
            continue;
        }
        static const std::string_view kPrefixes[] = {"u8", "u", "U", "L", "R", "u8R", "uR", "UR", "LR"};
        const bool prefixed = std::find(std::begin(kPrefixes), std::end(kPrefixes), ident) != std::end(kPrefixes);
        const std::string_view prefix = prefixed ? ident : std::string_view();
        const bool narrow = prefix.empty() || prefix == "R";
        const int startLine = line;
        size_t end;
        if (c == '"' && !prefix.empty() && prefix.back() == 'R') {
            const size_t open = src.find('(', i);
            if (open == std::string_view::npos) break;
            const std::string close = ")" + std::string(src.substr(i + 1, open - i - 1)) + "\"";
            const size_t e = src.find(close, open);
            end = e == std::string_view::npos ? n : e + close.size();
        } else {
            size_t j = i + 1;
            while (j < n && src[j] != c && src[j] != '\n') j += src[j] == '\\' ? 2 : 1;
            end = std::min(j + 1, n);
        }
        const std::string_view literal = src.substr(prefixed ? k : i, end - (prefixed ? k : i));
        if (narrow && HasNonAscii(literal)) out.push_back({startLine, std::string(literal)});
        advanceTo(i, end);
    }
    return out;
}

bool IsSourceFile(const fs::path& p) {
    static const std::string_view kExts[] = {".cpp", ".h", ".hpp", ".cc", ".cxx", ".hh", ".c", ".inl"};
    const std::string ext = p.extension().string();
    return std::find(std::begin(kExts), std::end(kExts), ext) != std::end(kExts);
}

// "path:line: literal" for every offending literal of the C++ files under root (build folders and
// hidden folders skipped); files counts the files read.
std::vector<std::string> ScanTree(const fs::path& root, int& files) {
    std::vector<std::string> out;
    files = 0;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().filename().string();
        if (it->is_directory()) {
            if (name.starts_with(".") || (it.depth() == 0 && name.starts_with("build"))) it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file() || !IsSourceFile(it->path())) continue;
        std::ifstream in(it->path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        ++files;
        for (const Finding& f : NarrowNonAsciiLiterals(text.str()))
            out.push_back(fs::relative(it->path(), root).string() + ":" + std::to_string(f.line) + ": " + f.literal);
    }
    std::sort(out.begin(), out.end());
    return out;
}

fs::path SourceRoot() { return fs::canonical(fs::path(VA_TEST_DATA_DIR) / ".." / ".."); }

std::vector<int> Lines(std::string_view src) {
    std::vector<int> lines;
    for (const Finding& f : NarrowNonAsciiLiterals(src)) lines.push_back(f.line);
    return lines;
}

}  // namespace

TEST(SourceLiterals, ScannerFindsNarrowLiteralsOnly) {
    struct Case {
        const char* name;
        std::string source;
        std::vector<int> lines;
    };
    // Sources are UTF-8: "\xD0\x96" is the letter Zhe as the compiler reads it.
    const std::string zhe = "\xD0\x96";
    const std::vector<Case> cases = {
        {"plain string", "auto s = \"a" + zhe + "\";", {1}},
        {"character", "char c = '" + zhe + "';", {1}},
        {"plain raw string", "auto s = R\"x(" + zhe + ")x\";", {1}},
        {"user-defined suffix on a plain literal", "auto s = \"" + zhe + "\"_x;", {1}},
        {"second of two adjacent", "auto s = \"a\"\n  \"" + zhe + "\";", {2}},
        {"after an escaped quote", "auto s = \"\\\"" + zhe + "\";", {1}},
        {"after a literal holding //", "auto s = \"//\"; auto t = \"" + zhe + "\";", {1}},
        {"u8", "auto s = u8\"" + zhe + "\"_cp;", {}},
        {"u8 character", "auto c = u8\"" + zhe + "\"_cp[0];", {}},
        {"u, U and L", "auto a = u\"" + zhe + "\"; auto b = U'" + zhe + "'; auto c = L\"" + zhe + "\";", {}},
        {"prefixed raw strings", "auto a = u8R\"(" + zhe + ")\"; auto b = LR\"d()\" " + zhe + ")d\";", {}},
        {"raw string hiding a quote", "auto a = R\"(\")\"; auto b = u8\"" + zhe + "\";", {}},
        {"line comment", "int a; // \"" + zhe + "\"\nint b;", {}},
        {"continued line comment", "// x \\\n\"" + zhe + "\"\nauto s = \"" + zhe + "\";", {3}},
        {"block comment", "/* '" + zhe + "'\n \"" + zhe + "\" */ int a;", {}},
        {"digit separator before a u8 literal", "int n = 1'000; auto s = u8\"" + zhe + "\";", {}},
        {"hex escapes are ASCII text", "auto s = \"\\xC6\";", {}},
        {"identifier ending in R", "auto s = FOR\"" + zhe + "\";", {1}},
        {"line counted across raw strings", "auto a = R\"(\n\n)\";\nchar c = '" + zhe + "';", {4}},
    };
    for (const Case& c : cases) EXPECT_EQ(Lines(c.source), c.lines) << c.name << ":\n" << c.source;
}

TEST(SourceLiterals, ScannerNeverReadsPastTheEndOfBrokenSources) {
    // Unterminated literals, comments and raw strings at the end of a file.
    for (std::string_view s : {"\"abc", "'", "/* never closed", "R\"x(never closed", "R\"", "u8", "//"})
        EXPECT_TRUE(NarrowNonAsciiLiterals(s).empty()) << s;
    std::mt19937 rng(3);
    const std::string alphabet = "\"'/*\\\nRu8L()x \xD0\x96";
    for (int n = 0; n < 2000; ++n) {
        std::string s(rng() % 40, ' ');
        for (char& ch : s) ch = alphabet[rng() % alphabet.size()];
        for (const Finding& f : NarrowNonAsciiLiterals(s)) EXPECT_TRUE(HasNonAscii(f.literal)) << s;
    }
}

TEST(SourceLiterals, ATreeScanFindsAPlantedLiteral) {
    const fs::path root = fs::temp_directory_path() /
                          ("va-literals-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                           std::to_string(std::random_device{}()));
    fs::create_directories(root / "web");
    fs::create_directories(root / "build" / "gen");
    auto write = [&](const fs::path& p, const std::string& text) { std::ofstream(root / p, std::ios::binary) << text; };
    write("web/Good.cpp", "auto s = u8\"\xD0\x96\"_cp;\n");
    write("web/Bad.h", "#pragma once\n// fine\nconst char* s = \"\xD0\x96\";\n");
    write("web/Notes.txt", "\"\xD0\x96\"\n");
    write("build/gen/Generated.cpp", "auto s = \"\xD0\x96\";\n");
    int files = 0;
    const std::vector<std::string> found = ScanTree(root, files);
    fs::remove_all(root);
    EXPECT_EQ(files, 2);
    EXPECT_EQ(found, std::vector<std::string>{"web/Bad.h:3: \"\xD0\x96\""});
}

TEST(SourceLiterals, NoNarrowLiteralInTheSourcesHoldsANonAsciiByte) {
    const fs::path root = SourceRoot();
    ASSERT_TRUE(fs::exists(root / "platform" / "CpLiteral.h")) << root;
    int files = 0;
    const std::vector<std::string> found = ScanTree(root, files);
    EXPECT_GT(files, 150);  // the whole tree was read, not an empty folder
    std::string list;
    for (const std::string& f : found) list += f + "\n";
    EXPECT_TRUE(found.empty()) << "write these as u8\"...\"_cp:\n" << list;
}
