#include "web/HTMLPars.h"

#include <algorithm>
#include <array>

#include "platform/Exceptions.h"

const THTMLEntity HTMLEntities[HTMLEntityCount] = {
    {"&quot;", 34}, {"&amp;", 38}, {"&lt;", 60}, {"&gt;", 62}, {"&nbsp;", 160}, {"&iexcl;", 161},
    {"&cent;", 162}, {"&pound;", 163}, {"&curren;", 164}, {"&yen;", 165}, {"&brvbar;", 166},
    {"&sect;", 167}, {"&uml;", 168}, {"&copy;", 169}, {"&ordf;", 170}, {"&laquo;", 171},
    {"&not;", 172}, {"&shy;", 173}, {"&reg;", 174}, {"&macr;", 175}, {"&deg;", 176},
    {"&plusmn;", 177}, {"&sup2;", 178}, {"&sup3;", 179}, {"&acute;", 180}, {"&micro;", 181},
    {"&para;", 182}, {"&middot;", 183}, {"&cedil;", 184}, {"&sup1;", 185}, {"&ordm;", 186},
    {"&raquo;", 187}, {"&frac14;", 188}, {"&frac12;", 189}, {"&frac34;", 190}, {"&iquest;", 191},
    {"&Agrave;", 192}, {"&Aacute;", 193}, {"&Acirc;", 194}, {"&Atilde;", 195}, {"&Auml;", 196},
    {"&Aring;", 197}, {"&AElig;", 198}, {"&Ccedil;", 199}, {"&Egrave;", 200}, {"&Eacute;", 201},
    {"&Ecirc;", 202}, {"&Euml;", 203}, {"&Igrave;", 204}, {"&Iacute;", 205}, {"&Icirc;", 206},
    {"&Iuml;", 207}, {"&ETH;", 208}, {"&Ntilde;", 209}, {"&Ograve;", 210}, {"&Oacute;", 211},
    {"&Ocirc;", 212}, {"&Otilde;", 213}, {"&Ouml;", 214}, {"&times;", 215}, {"&Oslash;", 216},
    {"&Ugrave;", 217}, {"&Uacute;", 218}, {"&Ucirc;", 219}, {"&Uuml;", 220}, {"&Yacute;", 221},
    {"&THORN;", 222}, {"&szlig;", 223}, {"&agrave;", 224}, {"&aacute;", 225}, {"&acirc;", 226},
    {"&atilde;", 227}, {"&auml;", 228}, {"&aring;", 229}, {"&aelig;", 230}, {"&ccedil;", 231},
    {"&egrave;", 232}, {"&eacute;", 233}, {"&ecirc;", 234}, {"&euml;", 235}, {"&igrave;", 236},
    {"&iacute;", 237}, {"&icirc;", 238}, {"&iuml;", 239}, {"&eth;", 240}, {"&ntilde;", 241},
    {"&ograve;", 242}, {"&oacute;", 243}, {"&ocirc;", 244}, {"&otilde;", 245}, {"&ouml;", 246},
    {"&divide;", 247}, {"&oslash;", 248}, {"&ugrave;", 249}, {"&uacute;", 250}, {"&ucirc;", 251},
    {"&uuml;", 252}, {"&yacute;", 253}, {"&thorn;", 254}, {"&yuml;", 255},
};

namespace {

constexpr std::array<unsigned char, 256> MakeCharTable() {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) t[c] = static_cast<unsigned char>(c < 32 || c == 160 ? 32 : c);
    return t;
}
constexpr std::array<unsigned char, 256> kCharTable = MakeCharTable();

// The entity rows sorted by name, for a binary search; built once.
struct TEntityIndex {
    std::array<THTMLEntity, HTMLEntityCount> rows;
    TEntityIndex() {
        std::copy(std::begin(HTMLEntities), std::end(HTMLEntities), rows.begin());
        std::sort(rows.begin(), rows.end(), [](const THTMLEntity& a, const THTMLEntity& b) {
            return std::string_view(a.Name) < std::string_view(b.Name);
        });
    }
    int Find(std::string_view name) const {
        auto it = std::lower_bound(rows.begin(), rows.end(), name,
                                   [](const THTMLEntity& r, std::string_view n) { return std::string_view(r.Name) < n; });
        return it != rows.end() && std::string_view(it->Name) == name ? it->Code : -1;
    }
};

const TEntityIndex& EntityIndex() {
    static const TEntityIndex index;
    return index;
}

// The code of a numeric entity: one to three characters, an optional sign, then decimal digits,
// or hexadecimal digits after "$", "x", "X", "0x" or "0X".
bool ReadEntityCode(std::string_view s, int& value) {
    if (s.empty() || s.size() > 3) return false;
    size_t i = 0;
    const size_t n = s.size();
    bool neg = false;
    if (s[i] == '+' || s[i] == '-') {
        neg = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < n && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n) return false;
    int v = 0;
    for (; i < n; ++i) {
        const char c = s[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * base + d;  // at most three characters: no overflow
    }
    value = neg ? -v : v;
    return true;
}

// The code an ended entity ("&...;" or "&... ") stands for, or -1 when it stays as written.
// A numeric code outside 0..255 stays as written: the character table has no row for it.
int DecodeEntity(std::string_view ent) {
    if (ent.size() > 2 && ent[1] == '#') {
        int v = 0;
        if (ReadEntityCode(ent.substr(2, ent.size() - 3), v) && v >= 0 && v <= 255) return v;
        return -1;
    }
    if (ent.back() != ';') return -1;  // a name ended by a blank never matches
    return EntityIndex().Find(ent);
}

}  // namespace

const std::array<unsigned char, 256> HTMLCharTable = kCharTable;

THTMLElement* THTMLElementList::operator[](int i) const {
    if (i < 0 || i >= Count()) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    return items_[static_cast<size_t>(i)].get();
}

void THTMLElementList::Clear() {
    // First to last, as the list frees its elements.
    for (auto& e : items_) e.reset();
    items_.clear();
}

void THTMLParam::SetText(std::string_view raw) {
    Raw.assign(raw);
    Value.clear();
    const size_t eq = raw.find('=');
    std::string_view key = raw;
    if (eq != std::string_view::npos) {
        key = raw.substr(0, eq);
        std::string_view v = raw.substr(eq + 1);
        if (v.size() > 1 && ((v.front() == '\'' && v.back() == '\'') || (v.front() == '"' && v.back() == '"')))
            v = v.substr(1, v.size() - 2);
        Value.assign(v);
    }
    Key.assign(key);
    for (char& c : Key) c = UpperChar(c);
}

void THTMLTag::SetText(std::string_view raw) {
    Raw.assign(raw);
    used_ = 0;
    // The name ends at the first blank; tabs and other white space belong to it.
    const size_t sp = raw.find(' ');
    Name.assign(raw.substr(0, sp));
    for (char& c : Name) c = UpperChar(c);
    if (sp == std::string_view::npos) {
        Params.clear();
        return;
    }
    // One flag for both quote characters: either one toggles it, whichever opened the quote.
    bool quoted = false;
    size_t start = sp;
    const size_t n = raw.size();
    for (size_t i = sp; i < n; ++i) {
        const char c = raw[i];
        if (c == '"' || c == '\'') {
            quoted = !quoted;
        } else if (c == ' ' && !quoted) {
            if (i > start) AddParam(raw.substr(start, i - start));
            start = i + 1;
        }
    }
    if (n > start) AddParam(raw.substr(start));
    Params.resize(used_);
}

void THTMLTag::AddParam(std::string_view raw) {
    // Parameter objects left from an earlier use of this tag are filled again.
    if (used_ < Params.size()) Params[used_].SetText(raw);
    else Params.emplace_back().SetText(raw);
    ++used_;
}

void THTMLText::SetText(std::string_view raw) {
    Raw.assign(raw);
    // A leading run of blanks (line joins count as blanks) becomes one blank.
    const size_t n = raw.size();
    size_t lead = 0;
    while (lead < n && (raw[lead] == ' ' || raw[lead] == '\n')) ++lead;
    Text.assign(raw.substr(lead >= 2 ? lead - 1 : 0));
    for (char& c : Text)
        if (c == '\n') c = ' ';
    if (Text.find('&') == std::string::npos) return;
    // One compacting pass: an entity is copied as it is read and cut back to its byte once it
    // decodes; the write position never passes the read position.
    char* const s = Text.data();
    const size_t len = Text.size();
    bool open = false;
    size_t entStart = 0, w = 0;
    for (size_t r = 0; r < len; ++r) {
        const char c = s[r];
        if (c == '&') {
            open = true;
            entStart = w;
        }
        s[w++] = c;
        if (open && (c == ';' || c == ' ')) {
            open = false;
            const int code = DecodeEntity(std::string_view(s + entStart, w - entStart));
            if (code >= 0) {
                w = entStart;
                s[w++] = static_cast<char>(kCharTable[static_cast<unsigned char>(code)]);
            }
        }
    }
    Text.resize(w);
}

void THTMLParser::ClearElements() { HTMLElements.Clear(); }

void THTMLParser::CloseText() {
    if (InTag || PendingText.empty()) return;
    auto e = std::make_unique<THTMLText>();
    e->SetText(PendingText);
    PendingText.clear();
    e->Position = HTMLElements.Count();
    HTMLElements.Add(std::move(e));
}

void THTMLParser::CloseTag() {
    InTag = false;
    auto e = std::make_unique<THTMLTag>();
    e->SetText(PendingTag);
    PendingTag.clear();
    e->Position = HTMLElements.Count();
    HTMLElements.Add(std::move(e));
}

void THTMLParser::Execute() {
    PendingText.clear();
    PendingTag.clear();
    InTag = false;
    for (const std::string& line : Lines) {
        const char* p = line.data();
        const char* const e = p + line.size();
        while (p < e) {
            const char* q = p;
            while (q < e && *q != '<' && *q != '>') ++q;
            (InTag ? PendingTag : PendingText).append(p, static_cast<size_t>(q - p));
            if (q == e) break;
            if (*q == '<') {
                CloseText();  // a second "<" inside a tag is dropped: the tag goes on
                InTag = true;
            } else {
                CloseTag();  // also outside a tag: an empty-named tag before the text around it
            }
            p = q + 1;
        }
        // A tag split over lines is joined with nothing; a text run gets an LF.
        if (!InTag && !PendingText.empty()) PendingText.push_back('\n');
    }
    if (InTag && !PendingTag.empty()) CloseTag();
    CloseText();
}
