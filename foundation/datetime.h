#pragma once
// Calendar dates as OLE automation dates: days since 1899-12-30 (day 0), the fraction being
// the time of day. For a negative value the integer part is taken toward zero and the fraction
// read as a positive time of day (-1.25 is 1899-12-29 06:00). Proleptic Gregorian calendar,
// one-second precision.
//
// Field readers clamp to [DATETIME_MIN, DATETIME_MAX] and round to the nearest second first.
// Nothing here fails: a text that is not a date parses as DATETIME_MIN.

#include "foundation/text.h"

namespace kl8 {

struct DateTime {
    double value = 0.0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

inline constexpr DateTime DATETIME_MIN{-657434.0};  // 100-01-01 00:00:00
inline constexpr DateTime DATETIME_MAX{2958465.0};  // 9999-12-31 00:00:00

// Fields must already be valid; the composition of the fields, day 0 being 1899-12-30.
DateTime make_datetime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Reads year, month, day, hour, minute, second with optional separators ("/", "-", ":", ".",
// and 年 月 日 时 分; a space after the day), full-width forms folded; anything after 秒 is
// ignored. DATETIME_MIN when the text is not a valid date.
DateTime parse_datetime(const Text& text);
// n days later (earlier for n < 0), same time of day; n == 0 returns dt bit for bit. The
// result is not clamped.
DateTime add_days(DateTime dt, int n);

int year_of(DateTime dt);
int month_of(DateTime dt);
int day_of(DateTime dt);
int hour_of(DateTime dt);
int minute_of(DateTime dt);
int second_of(DateTime dt);

// Midnight of dt's calendar day (after clamping and rounding to the second), the form in
// which a plan compares days.
DateTime date_only(DateTime dt);
// Calendar days from first's day to last's day: 0 for the same day, negative when last's day
// comes first.
int days_from_to(DateTime first, DateTime last);

// The local date and time, the fraction of the second dropped.
DateTime now_datetime();

// "2024/1/5": no leading zeros.
Text format_ymd(DateTime dt);
// "2024年1月5日", with "8时", "8时30分" or "8时30分15秒" after it when the time of day is not
// midnight (the shortest of these that shows every non-zero field from the right).
Text datetime_text(DateTime dt);

}  // namespace kl8
