#pragma once
// String helpers over cp1251 text. Case folding maps only A-Z: Cyrillic compares unchanged.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
inline char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
inline char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// Byte order compared unsigned; <0, 0 or >0.
int CompareStr(std::string_view a, std::string_view b);
// As CompareStr after folding A-Z to lower case.
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

// Blanks are the bytes 0x00-0x20, compared unsigned (0xA0 and Cyrillic are not blanks).
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// 1-based position of sub in s searching from offset (1-based), 0 when absent or sub is empty.
size_t Pos(std::string_view sub, std::string_view s, size_t offset = 1);
// Up to count bytes from the 1-based index; out-of-range parts are clipped, never an error.
std::string Copy(std::string_view s, int64_t index, int64_t count);

std::string IntToStr(int64_t v);
// Decimal with optional sign and surrounding blanks, or '$'/"0x" hex; raises EConvertError
// "'<s>' is not a valid integer value" otherwise, and on 32-bit overflow.
int StrToInt(std::string_view s);
int StrToIntDef(std::string_view s, int def);
bool TryStrToInt(std::string_view s, int& out);

// A list of lines. Setting Text splits at CR, LF and CR LF; reading it ends every line with CR LF.
class TStringList {
public:
    TStringList() = default;

    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& operator[](int i) const;
    std::string& operator[](int i);
    const std::string& Strings(int i) const { return (*this)[i]; }
    void SetStrings(int i, std::string v) { (*this)[i] = std::move(v); }

    int Add(std::string s);
    void Insert(int i, std::string s);
    void Delete(int i);
    void Clear() { items_.clear(); }
    int IndexOf(std::string_view s) const;  // A-Z folded, as the framework compares

    std::string Text() const;
    void SetText(std::string_view text);

    // Name/value lines "name<sep>value"; the separator is '=' unless set.
    char NameValueSeparator() const { return sep_; }
    void SetNameValueSeparator(char c) { sep_ = c; }
    std::string Names(int i) const;
    std::string ValueFromIndex(int i) const;
    std::string Values(std::string_view name) const;
    void SetValue(std::string_view name, std::string_view value);
    int IndexOfName(std::string_view name) const;

    const std::vector<std::string>& Items() const { return items_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    void Check(int i) const;
    std::vector<std::string> items_;
    char sep_ = '=';
};
