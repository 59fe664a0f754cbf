// Small text and time helpers shared by every subsystem of the core.
#pragma once

#include <cstdarg>
#include <ctime>
#include <string>
#include <string_view>

namespace k7740 {

// printf-style formatting into a std::string.
std::string StrFormat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// The leading decimal integer of a text: optional minus sign, then digits; reading stops
// at the first other character. Empty text, a lone "-" or no digits give 0. Saturates
// instead of overflowing on absurdly long digit runs.
int LeadingInt(std::string_view text);

// Local-time helpers; the C library's local time, so TZ governs them.
struct LocalTimeParts {
  int year = 1970;  // four digits
  int month = 1;    // 1..12
  int day = 1;      // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

LocalTimeParts BreakLocalTime(std::time_t t);
// Daylight saving is decided by the system (tm_isdst = -1).
std::time_t MakeLocalTime(int year, int month, int day, int hour, int minute, int second);
// strftime of the local time of t.
std::string FormatLocalTime(std::time_t t, const char* fmt);

}  // namespace k7740
