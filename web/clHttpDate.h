#pragma once
// Reader of RFC 822 date texts as they appear in cookies and response headers.
#include <string_view>

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

// Reads "Sun, 06 Nov 1994 08:49:37 GMT" and "Sunday, 06-Nov-94 08:49:37 GMT"; false when the text
// is not such a date. A year of one or two digits falls within the 100 years that begin 50 years
// before the current year.
bool ParseHttpDate(std::string_view text, TDateTime& value);
// The same with the current year given (for the two-digit-year rule).
bool ParseHttpDate(std::string_view text, TDateTime& value, int currentYear);

// Calendar helpers over TDateTime.
bool TryEncodeDate(int year, int month, int day, TDateTime& value);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& value);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second,
                    int& dayOfWeek /* 1 = Sunday */);
