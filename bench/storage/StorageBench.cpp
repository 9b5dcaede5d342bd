// Folder files of many contacts: our load and save beside bare pugixml on the same file, the load
// of addresses with and without a "&" beside pugixml's, the login merge at two sizes (it should
// grow linearly), and an import's look-up-then-append at two sizes through the index beside the
// record walk it replaced.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/CpLiteral.h"
#include "platform/Initialise.h"
#include "storage/clFriend.h"
#include "storage/clUrlList.h"

namespace {

std::string BenchDir() {
    static const std::string dir = [] {
        std::string t = (std::filesystem::temp_directory_path() / "va-bench-XXXXXX").string();
        return std::string(::mkdtemp(t.data()));
    }();
    return dir;
}

std::string Url(int i) { return "http://www.velmora.ru/user" + IntToStr(i) + "/"; }

void Fill(TFriend& t, int from, int count) {
    for (int i = from; i < from + count; ++i)
        t.AddFriend(u8"Пользователь №"_cp + IntToStr(i), "user" + IntToStr(i), Url(i), u8"Москва, м. Киевская"_cp,
                    18 + i % 50, i % 2, i % 9, i % 3 == 0, 0, "");
}

// A folder file of n contacts user0..user(n-1), made once per size.
const std::string& FolderFile(int n) {
    static std::map<int, std::string> files;
    auto it = files.find(n);
    if (it != files.end()) return it->second;
    TFriend t;
    Fill(t, 0, n);
    std::string path = BenchDir() + "/folder" + IntToStr(n) + ".xml";
    t.SaveToFile(path);
    return files[n] = path;
}

constexpr unsigned kPugiFlags = pugi::parse_default | pugi::parse_ws_pcdata_single;

void BM_OurLoad(benchmark::State& state) {
    const std::string& path = FolderFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TFriend t;
        t.LoadFromFile(path);
        benchmark::DoNotOptimize(t.RecordCount());
    }
}

void BM_PugiLoad(benchmark::State& state) {
    const std::string& path = FolderFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        pugi::xml_document doc;
        benchmark::DoNotOptimize(doc.load_file(path.c_str(), kPugiFlags, pugi::encoding_utf8));
    }
}

// Folder files of 100,000 contacts whose addresses carry a query string, joined by "/" (kind 0)
// or by "&", saved as "&amp;", in every address (kind 1); kind 2 is kind 1 with one address
// writing its "&" as "&#38;", a numeric reference, which the load checks the whole tree for.
const std::string& QueryFile(int kind) {
    static std::map<int, std::string> files;
    auto it = files.find(kind);
    if (it != files.end()) return it->second;
    TFriend t;
    for (int i = 0; i < 100000; ++i)
        t.AddFriend(u8"Пользователь №"_cp + IntToStr(i), "user" + IntToStr(i),
                    Url(i) + "?from=search" + (kind == 0 ? "/" : "&") + "page=" + IntToStr(i % 7),
                    u8"Москва, м. Киевская"_cp, 18 + i % 50, i % 2, i % 9, i % 3 == 0, 0, "");
    std::string path = BenchDir() + "/query" + IntToStr(kind) + ".xml";
    t.SaveToFile(path);
    if (kind == 2) {
        std::string bytes;
        {
            std::ifstream in(path, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        bytes.replace(bytes.find("&amp;", bytes.size() / 2), 5, "&#38;");
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    return files[kind] = path;
}

// Each load is timed alone: it starts with the heap given back to the system, as in a fresh
// process, and what it loaded is freed outside the timing. The two loads free their memory in
// different orders, so that otherwise only one of them would find the pages of the last round
// still mapped, or pay for returning them.
template <class Loaded>
void FreeUntimed(benchmark::State& state, std::unique_ptr<Loaded>& loaded) {
    state.PauseTiming();
    loaded.reset();
    ::malloc_trim(0);
    state.ResumeTiming();
}

// The table's load: the file read, its bytes checked, parsed, and the list of records built.
void BM_QueryOurLoad(benchmark::State& state) {
    const std::string& path = QueryFile(static_cast<int>(state.range(0)));
    std::unique_ptr<TFriend> t;
    for (auto _ : state) {
        FreeUntimed(state, t);
        t = std::make_unique<TFriend>();
        t->LoadFromFile(path);
        if (t->RecordCount() != 100000) state.SkipWithError("wrong record count");
    }
}

// The first byte of every name and value in the tree, added up: a walk that looks at each node,
// as a load that checked the values after the parse would.
size_t WalkAll(pugi::xml_node top) {
    size_t sum = 0;
    pugi::xml_node n = top;
    while (n) {
        sum += static_cast<unsigned char>(n.name()[0]) + static_cast<unsigned char>(n.value()[0]);
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
            sum += static_cast<unsigned char>(a.value()[0]);
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && n != top && !n.next_sibling()) n = n.parent();
        n = n == top ? pugi::xml_node() : n.next_sibling();
    }
    return sum;
}

// The same end for pugixml alone: its load, references decoded, and the walk over the root's
// elements that builds the list of records, as the table's load does; with walk:1 also a walk
// over every node of the tree.
void BM_QueryPugiLoad(benchmark::State& state) {
    const std::string& path = QueryFile(static_cast<int>(state.range(0)));
    const bool walkAll = state.range(1) != 0;
    std::unique_ptr<pugi::xml_document> doc;
    std::vector<pugi::xml_node> records;
    for (auto _ : state) {
        FreeUntimed(state, doc);
        doc = std::make_unique<pugi::xml_document>();
        doc->load_file(path.c_str(), kPugiFlags, pugi::encoding_utf8);
        records.clear();
        for (pugi::xml_node c = doc->document_element().first_child(); c; c = c.next_sibling())
            if (c.type() == pugi::node_element) records.push_back(c);
        if (walkAll) benchmark::DoNotOptimize(WalkAll(doc->document_element()));
        if (records.size() != 100000) state.SkipWithError("wrong record count");
    }
}

void BM_OurSave(benchmark::State& state) {
    TFriend t;
    t.LoadFromFile(FolderFile(static_cast<int>(state.range(0))));
    const std::string out = BenchDir() + "/our-save.xml";
    for (auto _ : state) t.SaveToFile(out);
}

void BM_PugiSave(benchmark::State& state) {
    pugi::xml_document doc;
    doc.load_file(FolderFile(static_cast<int>(state.range(0))).c_str(), kPugiFlags, pugi::encoding_utf8);
    const std::string out = BenchDir() + "/pugi-save.xml";
    for (auto _ : state)
        doc.save_file(out.c_str(), "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
}

void BM_OurLoadSave(benchmark::State& state) {
    const std::string& path = FolderFile(static_cast<int>(state.range(0)));
    const std::string out = BenchDir() + "/our-ls.xml";
    for (auto _ : state) {
        TFriend t;
        t.LoadFromFile(path);
        t.SaveToFile(out);
    }
}

void BM_PugiLoadSave(benchmark::State& state) {
    const std::string& path = FolderFile(static_cast<int>(state.range(0)));
    const std::string out = BenchDir() + "/pugi-ls.xml";
    for (auto _ : state) {
        pugi::xml_document doc;
        doc.load_file(path.c_str(), kPugiFlags, pugi::encoding_utf8);
        doc.save_file(out.c_str(), "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    }
}

// Merges n/10 imported contacts, half of them already stored, into a folder of n.
void BM_MergeByLogin(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int m = n / 10;
    TFriend imported;
    Fill(imported, n - m / 2, m);
    for (auto _ : state) {
        state.PauseTiming();
        TFriend stored;
        stored.LoadFromFile(FolderFile(n));
        state.ResumeTiming();
        imported.MergeByLogin(&stored);
        benchmark::DoNotOptimize(stored.RecordCount());
        state.PauseTiming();
        if (stored.RecordCount() != n + m / 2) state.SkipWithError("wrong merge result");
        state.ResumeTiming();
    }
    state.SetComplexityN(n);
}

// Distinct logins as the site's users pick them: a name, sometimes a year or a number, sometimes
// an underscore, mixed case; 4 to 15 characters.
const std::vector<std::string>& Logins(int n) {
    static std::map<int, std::vector<std::string>> made;
    auto it = made.find(n);
    if (it != made.end()) return it->second;
    static const char* const names[] = {"anna", "olga", "natasha", "ivan", "sergey", "marina", "katya", "dima",
                                        "sweet", "kitty", "alex", "lena", "misha", "tanya", "angel", "sunny",
                                        "vova", "yulia", "max", "irina", "pavel", "sveta", "oleg", "lisa"};
    std::mt19937 rng(static_cast<unsigned>(n));
    std::set<std::string> seen;
    std::vector<std::string> out;
    while (static_cast<int>(out.size()) < n) {
        std::string login = names[rng() % 24];
        if (rng() % 3 == 0) login += "_";
        if (rng() % 2) login += names[rng() % 24];
        switch (rng() % 3) {
            case 0: login += std::to_string(1960 + rng() % 50); break;
            case 1: login += std::to_string(rng() % 1000); break;
            default: break;
        }
        if (rng() % 4 == 0) login[0] = static_cast<char>(login[0] - 'a' + 'A');
        if (login.size() < 4 || login.size() > 15 || !seen.insert(LowerCase(login)).second) continue;
        out.push_back(login);
    }
    return made[n] = out;
}

// The record walk that the index replaced: every record's URL element, its text, its login.
TXMLNode WalkByLogin(TFriend& t, std::string_view url) {
    const std::string login = ExtractLogin(url);
    TXMLRecordNodes* nodes = t.RecordNodes();
    if (login.empty() || !nodes) return TXMLNode();
    for (int i = 0; i < nodes->Count(); ++i) {
        TXMLNode field = nodes->Nodes(i).FindChild("URL");
        if (field && ExtractLogin(field.Text()) == login) return field;
    }
    return TXMLNode();
}

// An import of n rows into an empty folder table: each row is looked up by its login and appended
// when it is new, as the import and the new-message check do.
template <bool Indexed>
void Import(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<std::string>& logins = Logins(n);
    const std::string area = u8"Москва, м. Киевская"_cp;
    for (auto _ : state) {
        TFriend t;
        t.LoadFromFile(BenchDir() + "/missing.xml");
        for (int i = 0; i < n; ++i) {
            const std::string url = "http://www.velmora.ru/" + logins[static_cast<size_t>(i)] + "/";
            const TXMLNode found = Indexed ? t.FindByLogin(url) : WalkByLogin(t, url);
            if (!found) t.AddFriend(logins[static_cast<size_t>(i)], LowerCase(logins[static_cast<size_t>(i)]), url, area,
                                    18 + i % 50, i % 2, i % 9, i % 3 == 0, 0, "");
        }
        if (t.RecordCount() != n) state.SkipWithError("wrong import result");
    }
}

void BM_ImportIndexed(benchmark::State& state) { Import<true>(state); }
void BM_ImportWalk(benchmark::State& state) { Import<false>(state); }

}  // namespace

BENCHMARK(BM_ImportIndexed)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ImportWalk)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_OurLoad)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugiLoad)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueryOurLoad)->ArgName("kind")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QueryPugiLoad)->ArgNames({"kind", "walk"})->ArgsProduct({{0, 1, 2}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OurSave)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugiSave)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OurLoadSave)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugiLoadSave)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeByLogin)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond)->Complexity();

int main(int argc, char** argv) {
    platform::initialise();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(BenchDir());
    return 0;
}
