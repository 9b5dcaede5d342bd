#include "web/clHttpHeader.h"

#include <cstdio>

#include "platform/Exceptions.h"
#include "web/clHttpFields.h"

namespace {

const char* const kRequestNames[kRequestHeaderFieldCount] = {
#define VA_FIELD_NAME(i, prop, name) name,
    VA_REQUEST_HEADER_FIELDS(VA_FIELD_NAME)
#undef VA_FIELD_NAME
};

const char* const kResponseNames[kResponseHeaderFieldCount] = {
#define VA_FIELD_NAME(i, prop, name) name,
    VA_RESPONSE_HEADER_FIELDS(VA_FIELD_NAME)
#undef VA_FIELD_NAME
};

const std::string kEmpty;

// Splits at CR, LF or CR LF.
std::vector<std::string> SplitLines(const std::string& text) {
    TStringList list;
    list.SetText(text);
    return list.Items();
}

// A line without ":" has no name, so it never stands for a field.
std::string LineName(const std::string& line) {
    size_t colon = line.find(':');
    return colon == std::string::npos ? std::string() : Trim(line.substr(0, colon));
}

std::string LineValue(const std::string& line) {
    size_t colon = line.find(':');
    return colon == std::string::npos ? std::string() : Trim(line.substr(colon + 1));
}

// Step shared by both readers: for each name in order, the first line with that name (any letter
// case) gives the field and is taken out; without one the field becomes empty.
void TakeFields(std::vector<std::string>& lines, const char* const names[], int count, std::string fields[]) {
    for (int i = 0; i < count; ++i) {
        fields[i].clear();
        for (size_t k = 0; k < lines.size(); ++k) {
            if (SameText(LineName(lines[k]), names[i])) {
                fields[i] = LineValue(lines[k]);
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(k));
                break;
            }
        }
    }
}

std::string TwoDigits(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v % 100);
    return buf;
}

}  // namespace

const char* RequestHeaderName(int index) {
    return index >= 0 && index < kRequestHeaderFieldCount ? kRequestNames[index] : "";
}

const char* ResponseHeaderName(int index) {
    return index >= 0 && index < kResponseHeaderFieldCount ? kResponseNames[index] : "";
}

// ---- cookies

std::string THTTPRequestCookie::GetCookieText() const {
    static const char* const days[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::string s = URLEncodeValue(Name) + "=" + URLEncodeValue(Value) + "; ";
    if (!Domain.empty()) s += "domain=" + Domain + "; ";
    if (!Path.empty()) s += "path=" + Path + "; ";
    if (Expires > -1.0) {
        int y, m, d, h, n, sec, dow;
        DecodeDateTime(Expires, y, m, d, h, n, sec, dow);
        char year[8];
        std::snprintf(year, sizeof year, "%04d", y);
        s += std::string("expires=") + days[dow - 1] + ", " + TwoDigits(d) + "-" + months[m - 1] + "-" + year +
             " " + TwoDigits(h) + ":" + TwoDigits(n) + ":" + TwoDigits(sec) + " GMT; ";
    }
    if (Secure) s += "secure";
    if (s.size() >= 2 && s.compare(s.size() - 2, 2, "; ") == 0) s.resize(s.size() - 2);
    return s;
}

void THTTPRequestCookie::SetCookieText(const std::string& text) {
    Name.clear();
    Value.clear();
    Domain.clear();
    Path.clear();
    Expires = -1.0;
    Secure = false;
    std::vector<std::string> pieces;
    size_t start = 0;
    while (true) {
        size_t p = text.find(';', start);
        pieces.push_back(Trim(text.substr(start, p == std::string::npos ? std::string::npos : p - start)));
        if (p == std::string::npos) break;
        start = p + 1;
    }
    {
        const std::string& first = pieces[0];
        size_t eq = first.find('=');
        Name = first.substr(0, eq);
        if (eq != std::string::npos) Value = first.substr(eq + 1);
    }
    // The first piece of each name counts.
    auto lookup = [&](const char* name, std::string& out) {
        for (size_t i = 1; i < pieces.size(); ++i) {
            size_t eq = pieces[i].find('=');
            if (SameText(pieces[i].substr(0, eq), name)) {
                out = eq == std::string::npos ? std::string() : pieces[i].substr(eq + 1);
                return true;
            }
        }
        return false;
    };
    std::string v;
    if (lookup("PATH", v)) {
        if (!v.empty() && v.front() == '"') v.erase(0, 1);
        if (!v.empty() && v.back() == '"') v.pop_back();
        Path = v;
    }
    if (Path.empty()) Path.assign(1, '/');
    if (lookup("EXPIRES", v)) {
        TDateTime when;
        if (ParseHttpDate(v, when)) Expires = when;
    }
    if (lookup("DOMAIN", v)) Domain = v;
    for (size_t i = 1; i < pieces.size(); ++i)
        if (SameText(pieces[i], "SECURE")) Secure = true;
}

THTTPRequestCookie& THTTPRequestCookieCollection::Add() {
    items_.emplace_back();
    return items_.back();
}

THTTPRequestCookie& THTTPRequestCookieCollection::Items(int i) {
    if (i < 0 || i >= Count()) throw EListError("List index out of bounds (" + IntToStr(i) + ")");
    return items_[static_cast<size_t>(i)];
}

const THTTPRequestCookie& THTTPRequestCookieCollection::Items(int i) const {
    if (i < 0 || i >= Count()) throw EListError("List index out of bounds (" + IntToStr(i) + ")");
    return items_[static_cast<size_t>(i)];
}

// ---- request header

THTTPRequestHeader::THTTPRequestHeader() {
    customHeaders_.SetNameValueSeparator(':');
    fields_[0] = "text/html, */*";
}

const std::string& THTTPRequestHeader::GetHeaderValueByPropertyIndex(int index) const {
    return index >= 0 && index < kRequestHeaderFieldCount ? fields_[index] : kEmpty;
}

void THTTPRequestHeader::SetHeaderValueByPropertyIndex(int index, const std::string& value) {
    if (index < 0 || index >= kRequestHeaderFieldCount) return;
    if (fields_[index] == value) return;
    fields_[index] = value;
    Changed(index);
}

void THTTPRequestHeader::SetCustomHeaders(const TStringList& list) {
    customHeaders_.Clear();
    for (const auto& line : list) customHeaders_.Add(line);
}

void THTTPRequestHeader::Assign(const THTTPRequestHeader& source) {
    if (&source == this) return;
    for (int i = 0; i < kRequestHeaderFieldCount; ++i) fields_[i] = source.fields_[i];
    SetCustomHeaders(source.customHeaders_);
    cookies_.Assign(source.cookies_);
    Changed(-1);
}

std::string THTTPRequestHeader::GetRawHeaderText() const {
    std::string out;
    for (int i = 0; i < kRequestHeaderFieldCount; ++i) {
        std::string v = Trim(fields_[i]);
        if (!v.empty()) out += std::string(kRequestNames[i]) + ": " + v + "\r\n";
    }
    for (const auto& line : customHeaders_) {
        size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = line.substr(0, colon);
        std::string value = Trim(line.substr(colon + 1));
        if (!Trim(name).empty() && !value.empty()) out += name + ": " + value + "\r\n";
    }
    for (int i = 0; i < cookies_.Count(); ++i) {
        const auto& c = cookies_.Items(i);
        if (!Trim(c.Name).empty()) out += "Set-Cookie: " + Trim(c.GetCookieText()) + "\r\n";
    }
    return out;
}

void THTTPRequestHeader::SetRawHeaderText(const std::string& text) {
    std::vector<std::string> lines = SplitLines(text);
    TakeFields(lines, kRequestNames, kRequestHeaderFieldCount, fields_);
    cookies_.Clear();
    for (size_t k = 0; k < lines.size();) {
        if (SameText(LineName(lines[k]), "Set-Cookie")) {
            std::string value = LineValue(lines[k]);
            if (!value.empty()) cookies_.Add().SetCookieText(value);
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(k));
        } else {
            ++k;
        }
    }
    customHeaders_.Clear();
    for (const auto& line : lines)
        if (!Trim(line).empty()) customHeaders_.Add(line);
    Changed(-1);
}

// ---- response header

const std::string& THTTPResponseHeader::GetHeaderValueByPropertyIndex(int index) const {
    return index >= 0 && index < kResponseHeaderFieldCount ? fields_[index] : kEmpty;
}

void THTTPResponseHeader::SetRawHeaderText(const std::string& text) {
    rawHeaderText_ = text;
    std::vector<std::string> lines = SplitLines(text);
    TakeFields(lines, kResponseNames, kResponseHeaderFieldCount, fields_);
    cookies_.Clear();
    for (size_t k = 0; k < lines.size(); ++k) {
        if (SameText(LineName(lines[k]), "Cookie")) {
            ExtractHTTPFields(";", " ", LineValue(lines[k]), cookies_, true);
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(k));
            break;
        }
    }
    std::vector<std::string> rest;
    for (const auto& line : lines)
        if (!Trim(line).empty()) rest.push_back(line);
    protocolVersion_.clear();
    statusCode_.clear();
    reasonString_.clear();
    customHeaders_.Clear();
    if (rest.empty()) return;
    // The status line: version, code, and the rest as the reason.
    const std::string status = Trim(rest[0]);
    size_t a = status.find(' ');
    protocolVersion_ = status.substr(0, a);
    if (a != std::string::npos) {
        size_t b0 = status.find_first_not_of(' ', a);
        size_t b = status.find(' ', b0);
        statusCode_ = status.substr(b0, b == std::string::npos ? std::string::npos : b - b0);
        if (b != std::string::npos) reasonString_ = Trim(status.substr(b + 1));
    }
    for (size_t k = 1; k < rest.size(); ++k) customHeaders_.Add(rest[k]);
}
