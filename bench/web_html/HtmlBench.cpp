// Page parsing speed: our parser beside libxml2's HTML parser on the same bytes in the same run.
// Corpora: real Russian HTML in cp1251 (fetch_ru_html.sh; the directory may be given in
// VA_WEB_HTML_CORPUS) and list and profile pages in the site's style generated here.
#include <benchmark/benchmark.h>

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <cstdarg>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "web/clFindTegProperty.h"
#include "platform/CpLiteral.h"

namespace {

using TCorpus = std::vector<std::string>;

const TCorpus& RealPages() {
    static const TCorpus pages = [] {
        TCorpus r;
        const char* env = std::getenv("VA_WEB_HTML_CORPUS");
        const std::filesystem::path dir = env && *env ? env : VA_WEB_HTML_CORPUS;
        std::error_code ec;
        std::vector<std::filesystem::path> files;
        for (const auto& e : std::filesystem::directory_iterator(dir, ec))
            if (e.is_regular_file()) files.push_back(e.path());
        std::sort(files.begin(), files.end());
        for (const auto& f : files) {
            std::ifstream in(f, std::ios::binary);
            std::ostringstream s;
            s << in.rdbuf();
            if (!s.str().empty()) r.push_back(s.str());
        }
        return r;
    }();
    return pages;
}

// A folder list page and a profile page as the dating site writes them: nested layout tables,
// rows of contacts with links, photos, marks and &nbsp; padding, a login form, cp1251 text.
const TCorpus& SitePages() {
    static const TCorpus pages = [] {
        std::mt19937 rng(1251);
        const std::string names[] = {u8"Наталья"_cp, u8"Светлана"_cp,  u8"Ольга"_cp, u8"Марина"_cp,
                                     u8"Екатерина"_cp, u8"Юлия"_cp, u8"Анна"_cp,  u8"Ирина"_cp};
        const std::string areas[] = {u8"Москва"_cp, u8"Санкт-Петербург"_cp, u8"Новосибирск"_cp,
                                     u8"Екатеринбург"_cp, u8"Казань"_cp};
        TCorpus r;
        for (int page = 0; page < 8; ++page) {
            std::string s =
                "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\r\n"
                u8"<title>Знакомства - Общая папка</title>\r\n<link rel=stylesheet href=\"/css/main.css\">\r\n"_cp
                "<script language=\"JavaScript\">function go(u) { if (a > b) location.href=u; }</script>\r\n"
                "</head>\r\n<body bgcolor=#FFFFFF leftmargin=0 topmargin=0>\r\n"
                "<form method=post action=\"/login.phtml\" name=login>\r\n"
                "<input type=text name=login size=12>&nbsp;<input type=password name=pass size=12>\r\n"
                u8"<input type=submit value=\"Войти\"></form>\r\n"_cp
                "<table width=\"100%\" border=0 cellspacing=0 cellpadding=2>\r\n";
            for (int row = 0; row < 150; ++row) {
                const std::string login = "user" + std::to_string(rng() % 100000);
                const std::string age = std::to_string(18 + rng() % 40);
                s += "<tr bgcolor=\"#F0F0F0\">\r\n  <td width=20><input type=checkbox name=\"msg[]\" value=\"" +
                     std::to_string(rng()) + "\"></td>\r\n  <td><a href=\"http://site.example/" + login +
                     "/\" class=contact><b>" + names[rng() % 8] + "</b></a>,&nbsp;" + age + u8"&nbsp;лет, "_cp +
                     areas[rng() % 5] + "</td>\r\n  <td align=center><img src=\"/img/photo.gif\" width=16 height=16 "
                     u8"alt=\"Фото: "_cp + std::to_string(rng() % 9) + "\"></td>\r\n  <td>" +
                     (rng() % 3 == 0 ? u8"<img src=/img/new.gif alt=\"Новое сообщение\">"_cp.c_str() : "&nbsp;") +
                     u8"</td>\r\n  <td nowrap><span class=online>Сейчас на сайте!</span>&nbsp;&laquo;"_cp +
                     u8"Привет! Как дела? Напиши мне &amp; посмотри мои фото&raquo;</td>\r\n</tr>\r\n"_cp;
            }
            s += "</table>\r\n<p align=center>";
            for (int p = 0; p < 20; ++p)
                s += "<a href=\"messages.phtml?fid=1&amp;offset=" + std::to_string(p * 10) + "\">" +
                     std::to_string(p + 1) + "</a>&nbsp;|&nbsp;";
            s += u8"</p>\r\n<!-- счётчик --><img src=\"/cnt.phtml?r=1\" width=1 height=1>\r\n</body>\r\n</html>\r\n"_cp;
            r.push_back(std::move(s));
        }
        return r;
    }();
    return pages;
}

int64_t Bytes(const TCorpus& c) {
    int64_t n = 0;
    for (const auto& s : c) n += static_cast<int64_t>(s.size());
    return n;
}

bool Usable(benchmark::State& state, const TCorpus& c) {
    if (!c.empty()) return true;
    state.SkipWithError("no real pages: run bench/web_html/fetch_ru_html.sh <build>/web_html_corpus");
    return false;
}

// The searches on one page (two here) each re-parse the lines that SetText made. libxml2 has no
// counterpart of this: the comparison is ours_from_bytes against libxml2_sax.
void OursReparse(benchmark::State& state, const TCorpus& corpus) {
    if (!Usable(state, corpus)) return;
    std::vector<std::unique_ptr<TFindTags>> finders;
    for (const auto& page : corpus) {
        finders.push_back(std::make_unique<TFindTags>());
        finders.back()->SetText(page);
    }
    TTagList tags;
    for (auto _ : state) {
        for (auto& ft : finders) {
            ft->FindTags(tags, "a");
            benchmark::DoNotOptimize(tags.data());
            ft->FindTags(tags, "img");
            benchmark::DoNotOptimize(tags.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * 2 * Bytes(corpus));
}

// From the page bytes: line splitting plus the parse.
void OursFromBytes(benchmark::State& state, const TCorpus& corpus) {
    if (!Usable(state, corpus)) return;
    TFindTags ft;
    TTagList tags;
    for (auto _ : state) {
        for (const auto& page : corpus) {
            ft.SetText(page);
            ft.FindTags(tags, "a");
            benchmark::DoNotOptimize(tags.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * Bytes(corpus));
}

void Quiet(void*, const char*, ...) {}

void LibxmlSax(benchmark::State& state, const TCorpus& corpus) {
    if (!Usable(state, corpus)) return;
    xmlSetGenericErrorFunc(nullptr, Quiet);
    htmlSAXHandler sax{};
    sax.startElement = [](void*, const xmlChar*, const xmlChar**) {};
    sax.endElement = [](void*, const xmlChar*) {};
    sax.characters = [](void*, const xmlChar*, int) {};
    sax.ignorableWhitespace = [](void*, const xmlChar*, int) {};
    sax.comment = [](void*, const xmlChar*) {};
    sax.warning = Quiet;
    sax.error = Quiet;
    for (auto _ : state) {
        for (const auto& page : corpus) {
            htmlParserCtxtPtr ctxt = htmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, nullptr, XML_CHAR_ENCODING_NONE);
            htmlCtxtUseOptions(ctxt, HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
            xmlSwitchToEncoding(ctxt, xmlFindCharEncodingHandler("windows-1251"));
            htmlParseChunk(ctxt, page.data(), static_cast<int>(page.size()), 1);
            htmlFreeParserCtxt(ctxt);
        }
    }
    state.SetBytesProcessed(state.iterations() * Bytes(corpus));
}

void LibxmlTree(benchmark::State& state, const TCorpus& corpus) {
    if (!Usable(state, corpus)) return;
    xmlSetGenericErrorFunc(nullptr, Quiet);
    for (auto _ : state) {
        for (const auto& page : corpus) {
            htmlDocPtr doc = htmlReadMemory(page.data(), static_cast<int>(page.size()), nullptr, "windows-1251",
                                            HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET |
                                                HTML_PARSE_RECOVER);
            benchmark::DoNotOptimize(doc);
            xmlFreeDoc(doc);
        }
    }
    state.SetBytesProcessed(state.iterations() * Bytes(corpus));
}

void Register() {
    struct Corpus {
        const char* name;
        const TCorpus& (*get)();
    };
    for (Corpus c : {Corpus{"real_ru", RealPages}, Corpus{"site", SitePages}}) {
        const std::string n = c.name;
        auto get = c.get;
        benchmark::RegisterBenchmark((n + "/ours_reparse").c_str(), [get](benchmark::State& s) { OursReparse(s, get()); });
        benchmark::RegisterBenchmark((n + "/ours_from_bytes").c_str(),
                                     [get](benchmark::State& s) { OursFromBytes(s, get()); });
        benchmark::RegisterBenchmark((n + "/libxml2_sax").c_str(), [get](benchmark::State& s) { LibxmlSax(s, get()); });
        benchmark::RegisterBenchmark((n + "/libxml2_tree").c_str(), [get](benchmark::State& s) { LibxmlTree(s, get()); });
    }
}

}  // namespace

int main(int argc, char** argv) {
    xmlInitParser();
    Register();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    xmlCleanupParser();
    return 0;
}
