// The parser on degenerate inputs at two sizes: bytes per second that stay level from 64 KB to
// 1 MB show a linear pass (a quadratic one falls sixteenfold).
#include <benchmark/benchmark.h>

#include <string>

#include "web/HTMLPars.h"

namespace {

std::string Blanks(size_t n) { return std::string(n, ' '); }
std::string Entities(size_t n) {
    std::string s;
    while (s.size() + 6 <= n) s += "&nbsp;";
    return s;
}
std::string Params(size_t n) {
    std::string s = "<input";
    for (int i = 0; s.size() + 16 < n; ++i) {
        s += " p";
        s += std::to_string(i);
        s += "=\"v\"";
    }
    return s + ">";
}
std::string OpenTag(size_t n) {
    std::string s(n + 1, 'a');
    s[0] = '<';
    return s;
}

template <std::string (*Make)(size_t)>
void BM_Degenerate(benchmark::State& state) {
    const std::string page = Make(static_cast<size_t>(state.range(0)));
    THTMLParser p;
    for (auto _ : state) {
        p.Lines.SetText(page);
        p.ClearElements();
        p.Execute();
        benchmark::DoNotOptimize(p.HTMLElements.Count());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}

BENCHMARK_TEMPLATE(BM_Degenerate, Blanks)->Arg(1 << 16)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Degenerate, Entities)->Arg(1 << 16)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Degenerate, Params)->Arg(1 << 16)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Degenerate, OpenTag)->Arg(1 << 16)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
