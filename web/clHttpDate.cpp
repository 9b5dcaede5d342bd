#include "web/clHttpDate.h"

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "platform/Strings.h"

namespace {

const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Days from 0001-01-01 to the given date (proleptic Gregorian).
long long DayNumber(int y, int m, int d) {
    long long yy = y - 1;
    long long n = yy * 365 + yy / 4 - yy / 100 + yy / 400;
    for (int i = 1; i < m; ++i) n += DaysInMonth(y, i);
    return n + d - 1;
}

const long long kEpoch = DayNumber(1899, 12, 30);

// Unsigned decimal digits only; false on anything else or on an empty text.
bool Digits(const std::string& s, int& out, int maxLen = 9) {
    if (s.empty() || static_cast<int>(s.size()) > maxLen) return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

std::vector<std::string> SplitOn(const std::string& s, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t p = s.find(sep, start);
        parts.push_back(s.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos) break;
        start = p + 1;
    }
    return parts;
}

int CurrentYear() {
    auto now = std::chrono::system_clock::now();
    std::chrono::year_month_day ymd{std::chrono::floor<std::chrono::days>(now)};
    return static_cast<int>(ymd.year());
}

// "hh:nn[:ss[.zzz]]".
bool ReadTime(const std::string& text, TDateTime& value) {
    std::string main = text, msText;
    size_t dot = text.find('.');
    if (dot != std::string::npos) {
        main = text.substr(0, dot);
        msText = text.substr(dot + 1);
    }
    auto parts = SplitOn(main, ':');
    if (parts.size() < 2 || parts.size() > 3) return false;
    int h = 0, n = 0, s = 0, ms = 0;
    if (!Digits(parts[0], h, 2) || !Digits(parts[1], n, 2)) return false;
    if (parts.size() == 3 && !Digits(parts[2], s, 2)) return false;
    if (dot != std::string::npos && (parts.size() != 3 || !Digits(msText, ms, 3))) return false;
    return TryEncodeTime(h, n, s, ms, value);
}

}  // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& value) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    value = static_cast<double>(DayNumber(year, month, day) - kEpoch);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& value) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
        msec > 999)
        return false;
    value = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / 86400000.0;
    return true;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second,
                    int& dayOfWeek) {
    // Outside 0001-01-01 .. 9999-12-31 (or not a number) the nearest end of that range is taken.
    if (!(value >= -693593.0)) value = -693593.0;
    if (value >= 2958466.0) value = 2958465.99999;
    // The date is the whole part; the time is the fraction's magnitude, also before 1899-12-30.
    double whole = std::trunc(value);
    long long msTotal = std::llround(std::fabs(value - whole) * 86400000.0);
    if (msTotal >= 86400000) msTotal = 86399999;
    long long dn = static_cast<long long>(whole) + kEpoch;  // days since 0001-01-01
    if (dn < 0) dn = 0;
    // Find the year by counting 400/100/4/1-year cycles.
    long long n = dn;
    long long y400 = n / 146097;
    n %= 146097;
    long long y100 = std::min<long long>(n / 36524, 3);
    n -= y100 * 36524;
    long long y4 = n / 1461;
    n %= 1461;
    long long y1 = std::min<long long>(n / 365, 3);
    n -= y1 * 365;
    year = static_cast<int>(y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1);
    month = 1;
    while (n >= DaysInMonth(year, month)) {
        n -= DaysInMonth(year, month);
        ++month;
    }
    day = static_cast<int>(n + 1);
    dayOfWeek = static_cast<int>((dn + 1) % 7) + 1;  // 0001-01-01 was a Monday
    hour = static_cast<int>(msTotal / 3600000);
    minute = static_cast<int>(msTotal / 60000 % 60);
    second = static_cast<int>(msTotal / 1000 % 60);
}

bool ParseHttpDate(std::string_view text, TDateTime& value) { return ParseHttpDate(text, value, CurrentYear()); }

bool ParseHttpDate(std::string_view text, TDateTime& value, int currentYear) {
    std::string s(text);
    size_t comma = s.find(", ");
    if (comma == std::string::npos) return false;
    s.erase(0, comma + 2);
    // " GMT" in any letter case goes, wherever it stands.
    for (size_t p; (p = UpperCase(s).find(" GMT")) != std::string::npos;) s.erase(p, 4);
    s = Trim(s);
    for (char& c : s)
        if (c == '-') c = ' ';
    std::vector<std::string> parts;
    for (const auto& p : SplitOn(s, ' '))
        if (!p.empty()) parts.push_back(p);
    if (parts.size() != 4) return false;
    int month = 0;
    for (int i = 0; i < 12; ++i)
        if (SameText(parts[1], kMonths[i])) month = i + 1;
    if (month == 0) return false;
    int day = 0, year = 0;
    if (!Digits(parts[0], day, 2) || !Digits(parts[2], year, 4)) return false;
    if (parts[2].size() <= 2) {
        // The framework's window: 100 years beginning 50 years before now.
        int pivot = currentYear - 50;
        year += pivot / 100 * 100;
        if (year < pivot) year += 100;
    }
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(year, month, day, date) || !ReadTime(parts[3], time)) return false;
    // Before 30 December 1899 the time counts away from zero, as the framework encodes it.
    value = date < 0 ? date - time : date + time;
    return true;
}
