// Folder files of many contacts: our load and save beside bare pugixml on the same file, and the
// login merge at two sizes (it should grow linearly).
#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "storage/clFriend.h"
#include "platform/CpLiteral.h"

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

}  // namespace

BENCHMARK(BM_OurLoad)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugiLoad)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OurSave)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugiSave)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OurLoadSave)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugiLoadSave)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeByLogin)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond)->Complexity();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(BenchDir());
    return 0;
}
