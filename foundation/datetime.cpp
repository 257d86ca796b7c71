#include "foundation/datetime.h"

#include <cmath>
#include <cstring>
#include <ctime>

#include "foundation/gbk_literals.h"

namespace kl8 {
namespace {

constexpr double SECONDS_PER_DAY = 86400.0;
constexpr double HALF_SECOND = 0.5 / SECONDS_PER_DAY;

// Days since 1970-01-01 of a proleptic Gregorian date, in eras of 400 years so that the
// arithmetic stays in whole numbers for any year.
constexpr long long days_from_civil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

struct Civil {
    int year;
    int month;
    int day;
};

Civil civil_from_days(long long z) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

// 1899-12-30, day 0 of the automation calendar, counted from 1970-01-01.
constexpr long long EPOCH_OFFSET = days_from_civil(1899, 12, 30);

bool is_leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int year, int month) {
    static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap(year) ? 29 : lengths[month - 1];
}

struct Fields {
    int year, month, day, hour, minute, second;
};

Fields fields_of(DateTime dt) {
    double v = dt.value;
    if (!(v <= DATETIME_MAX.value)) v = DATETIME_MAX.value;  // NaN reads as the maximum too
    if (v < DATETIME_MIN.value) v = DATETIME_MIN.value;
    v = v > 0 ? v + HALF_SECOND : v - HALF_SECOND;
    double whole = std::trunc(v);
    double fraction = std::fabs(v - whole);
    long long seconds = static_cast<long long>(std::floor(fraction * SECONDS_PER_DAY));
    if (seconds >= 86400) seconds = 86399;
    Civil c = civil_from_days(static_cast<long long>(whole) + EPOCH_OFFSET);
    return {c.year,
            c.month,
            c.day,
            static_cast<int>(seconds / 3600),
            static_cast<int>(seconds / 60 % 60),
            static_cast<int>(seconds % 60)};
}

// Reads at most max_digits ASCII digits at pos; no digits reads as 0.
int read_field(const std::string& t, std::size_t& pos, int max_digits) {
    int value = 0;
    for (int n = 0; n < max_digits && pos < t.size() && t[pos] >= '0' && t[pos] <= '9'; ++n) {
        value = value * 10 + (t[pos] - '0');
        ++pos;
    }
    return value;
}

// Skips one separator at pos when it is one of the ASCII bytes in ascii or the two-byte mark.
void skip_separator(const std::string& t, std::size_t& pos, const char* ascii, const char* mark) {
    if (pos >= t.size()) return;
    if (t[pos] != '\0' && std::strchr(ascii, t[pos]) != nullptr) {
        ++pos;
    } else if (t.compare(pos, 2, mark) == 0) {
        pos += 2;
    }
}

}  // namespace

DateTime make_datetime(int year, int month, int day, int hour, int minute, int second) {
    double d = static_cast<double>(days_from_civil(year, static_cast<unsigned>(month),
                                                   static_cast<unsigned>(day)) -
                                   EPOCH_OFFSET);
    double f = (hour * 3600.0 + minute * 60.0 + second) / SECONDS_PER_DAY;
    return {d >= 0 ? d + f : d - f};
}

DateTime parse_datetime(const Text& text) {
    const std::string t = fold_fullwidth(text).str();
    if (t.empty()) return DATETIME_MIN;
    std::size_t pos = 0;
    int year = read_field(t, pos, 4);
    skip_separator(t, pos, "/-:.", gbk::YEAR_MARK);
    int month = read_field(t, pos, 2);
    skip_separator(t, pos, "/-:.", gbk::MONTH_MARK);
    int day = read_field(t, pos, 2);
    skip_separator(t, pos, "/-: .", gbk::DAY_MARK);
    int hour = read_field(t, pos, 2);
    skip_separator(t, pos, "/-:.", gbk::HOUR_MARK);
    int minute = read_field(t, pos, 2);
    skip_separator(t, pos, "/-:.", gbk::MINUTE_MARK);
    int second = read_field(t, pos, 2);
    if (pos < t.size() && t.compare(pos, 2, gbk::SECOND_MARK) != 0) return DATETIME_MIN;
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > days_in_month(year, month) || hour > 23 || minute > 59 || second > 59) {
        return DATETIME_MIN;
    }
    return make_datetime(year, month, day, hour, minute, second);
}

DateTime add_days(DateTime dt, int n) {
    if (n == 0) return dt;
    double v = dt.value;
    if (!(v <= DATETIME_MAX.value)) v = DATETIME_MAX.value;
    if (v < DATETIME_MIN.value) v = DATETIME_MIN.value;
    // A negative value counts its time of day forward from its day; make the count linear,
    // move it, and bring it back.
    double x = v >= 0 ? v : 2 * std::ceil(v) - v;
    double y = x + n;
    return {y >= 0 ? y : 2 * std::floor(y) - y};
}

int year_of(DateTime dt) { return fields_of(dt).year; }
int month_of(DateTime dt) { return fields_of(dt).month; }
int day_of(DateTime dt) { return fields_of(dt).day; }
int hour_of(DateTime dt) { return fields_of(dt).hour; }
int minute_of(DateTime dt) { return fields_of(dt).minute; }
int second_of(DateTime dt) { return fields_of(dt).second; }

DateTime date_only(DateTime dt) {
    Fields f = fields_of(dt);
    return make_datetime(f.year, f.month, f.day);
}

int days_from_to(DateTime first, DateTime last) {
    // At midnight a value is its day number, on both sides of 1899-12-30.
    return static_cast<int>(date_only(last).value - date_only(first).value);
}

DateTime now_datetime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return make_datetime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                         local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec);
}

Text format_ymd(DateTime dt) {
    Fields f = fields_of(dt);
    return Text(std::to_string(f.year) + "/" + std::to_string(f.month) + "/" +
                std::to_string(f.day));
}

Text datetime_text(DateTime dt) {
    Fields f = fields_of(dt);
    std::string out = std::to_string(f.year) + gbk::YEAR_MARK + std::to_string(f.month) +
                      gbk::MONTH_MARK + std::to_string(f.day) + gbk::DAY_MARK;
    if (f.second != 0) {
        out += std::to_string(f.hour) + gbk::HOUR_MARK + std::to_string(f.minute) +
               gbk::MINUTE_MARK + std::to_string(f.second) + gbk::SECOND_MARK;
    } else if (f.minute != 0) {
        out += std::to_string(f.hour) + gbk::HOUR_MARK + std::to_string(f.minute) +
               gbk::MINUTE_MARK;
    } else if (f.hour != 0) {
        out += std::to_string(f.hour) + gbk::HOUR_MARK;
    }
    return Text(std::move(out));
}

}  // namespace kl8
