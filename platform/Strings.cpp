#include "platform/Strings.h"

#include <climits>

#include "platform/Exceptions.h"

std::string UpperCase(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = UpperChar(c);
    return r;
}

std::string LowerCase(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = LowerChar(c);
    return r;
}

int CompareStr(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareText(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(LowerChar(a[i]));
        unsigned char y = static_cast<unsigned char>(LowerChar(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

static bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

std::string TrimLeft(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && IsBlank(s[b])) ++b;
    return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1])) --e;
    return std::string(s.substr(0, e));
}

size_t Pos(std::string_view sub, std::string_view s, size_t offset) {
    if (sub.empty() || offset < 1 || offset > s.size()) return 0;
    size_t p = s.find(sub, offset - 1);
    return p == std::string_view::npos ? 0 : p + 1;
}

std::string Copy(std::string_view s, int64_t index, int64_t count) {
    if (index < 1) index = 1;
    if (count <= 0 || index > static_cast<int64_t>(s.size())) return std::string();
    int64_t avail = static_cast<int64_t>(s.size()) - (index - 1);
    if (count > avail) count = avail;
    return std::string(s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count)));
}

std::string IntToStr(int64_t v) { return std::to_string(v); }

bool TryStrToInt(std::string_view s, int& out) {
    size_t i = 0, n = s.size();
    while (i < n && s[i] == ' ') ++i;
    while (n > i && s[n - 1] == ' ') --n;
    if (i >= n) return false;
    bool neg = false;
    if (s[i] == '+' || s[i] == '-') {
        neg = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < n && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n) return false;
    int64_t v = 0;
    for (; i < n; ++i) {
        char c = s[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return false;
        v = v * base + d;
        if (v > static_cast<int64_t>(UINT32_MAX) + 1) return false;
    }
    if (neg) v = -v;
    if (base == 16 && !neg && v > INT_MAX && v <= static_cast<int64_t>(UINT32_MAX)) {
        v = static_cast<int32_t>(static_cast<uint32_t>(v));  // hex spells the bit pattern
    }
    if (v < INT_MIN || v > INT_MAX) return false;
    out = static_cast<int>(v);
    return true;
}

int StrToInt(std::string_view s) {
    int v = 0;
    if (!TryStrToInt(s, v)) throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
    return v;
}

int StrToIntDef(std::string_view s, int def) {
    int v = 0;
    return TryStrToInt(s, v) ? v : def;
}

void TStringList::Check(int i) const {
    if (i < 0 || i >= Count()) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
}

const std::string& TStringList::operator[](int i) const {
    Check(i);
    return items_[static_cast<size_t>(i)];
}

std::string& TStringList::operator[](int i) {
    Check(i);
    return items_[static_cast<size_t>(i)];
}

int TStringList::Add(std::string s) {
    items_.push_back(std::move(s));
    return Count() - 1;
}

void TStringList::Insert(int i, std::string s) {
    if (i < 0 || i > Count()) throw EListError("List index out of bounds (" + std::to_string(i) + ")");
    items_.insert(items_.begin() + i, std::move(s));
}

void TStringList::Delete(int i) {
    Check(i);
    items_.erase(items_.begin() + i);
}

int TStringList::IndexOf(std::string_view s) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(items_[static_cast<size_t>(i)], s)) return i;
    return -1;
}

std::string TStringList::Text() const {
    std::string r;
    for (const auto& s : items_) {
        r += s;
        r += "\r\n";
    }
    return r;
}

void TStringList::SetText(std::string_view text) {
    items_.clear();
    size_t start = 0, i = 0;
    const size_t n = text.size();
    while (i < n) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            items_.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n) items_.emplace_back(text.substr(start));
}

std::string TStringList::Names(int i) const {
    const std::string& s = (*this)[i];
    size_t p = s.find(sep_);
    return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStringList::ValueFromIndex(int i) const {
    const std::string& s = (*this)[i];
    size_t p = s.find(sep_);
    return p == std::string::npos ? std::string() : s.substr(p + 1);
}

int TStringList::IndexOfName(std::string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string& s = items_[static_cast<size_t>(i)];
        size_t p = s.find(sep_);
        if (p != std::string::npos && SameText(std::string_view(s).substr(0, p), name)) return i;
    }
    return -1;
}

std::string TStringList::Values(std::string_view name) const {
    int i = IndexOfName(name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStringList::SetValue(std::string_view name, std::string_view value) {
    int i = IndexOfName(name);
    std::string line = std::string(name) + sep_ + std::string(value);
    if (i < 0) {
        if (!value.empty()) Add(line);
    } else if (value.empty()) {
        Delete(i);
    } else {
        items_[static_cast<size_t>(i)] = line;
    }
}
