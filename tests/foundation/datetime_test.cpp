#include "foundation/datetime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>

namespace kl8 {
namespace {

TEST(DateTimeTest, Parse) {
    struct Case {
        Text text;
        double expected;
        const char* why;
    };
    const double t0830 = 45296.0 + (8 * 3600 + 30 * 60 + 15) / 86400.0;
    const Case cases[] = {
        {"2010-09-03", 40424.0, "dashes with leading zeros"},
        {"2014/9/9", 41891.0, "the day text form"},
        {"\xA3\xB2\xA3\xB0\xA3\xB2\xA3\xB4\xA3\xAF\xA3\xB1\xA3\xAF\xA3\xB5", 45296.0,
         "full-width digits and slashes"},
        {"2024/1/5", 45296.0, "plain"},
        {"20240105", 45296.0, "no separators"},
        {"2024/1/5 8:30:15", t0830, "with a time"},
        {"2024\xC4\xEA" "1\xD4\xC2" "5\xC8\xD5" "8\xCA\xB1" "30\xB7\xD6" "15\xC3\xEB", t0830,
         "Chinese marks"},
        {"2024\xC4\xEA" "1\xD4\xC2" "5\xC8\xD5" "8\xCA\xB1" "30\xB7\xD6" "15\xC3\xEB\xBA\xF3", t0830,
         "anything after the seconds mark is ignored"},
        {"2024-01-05 08:30:15", t0830, "leading zeros"},
        {"2024-02-29", 45351.0, "leap day"},
        {"2024/1/5 ", 45296.0, "a space after the day"},
        {"1899/12/30", 0.0, "day 0"},
        {"1899/12/29 6:00", -1.25, "before day 0 the time counts positive"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_DOUBLE_EQ(parse_datetime(c.text).value, c.expected);
    }
    const char* invalid[] = {"2023-02-29", "1900/2/29",        "2024/2/30", "2024/13/1",
                             "2024/1/5 24:00", "99/1/1",       "2024/1",    "2024/1/5T08:00",
                             "",               "2024/1/5 8:60", "abc",      "2024/1/5 8:0:60"};
    for (const char* text : invalid) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parse_datetime(text), DATETIME_MIN);
    }
}

TEST(DateTimeTest, AddDays) {
    struct Case {
        DateTime dt;
        int n;
        DateTime expected;
        const char* why;
    };
    const Case cases[] = {
        {make_datetime(2024, 2, 28, 13, 45), 1, make_datetime(2024, 2, 29, 13, 45), "into a leap day"},
        {make_datetime(2024, 3, 1), -1, make_datetime(2024, 2, 29), "back into a leap day"},
        {{-1.25}, 1, {0.25}, "across day 0 forward keeps 06:00"},
        {{-0.25}, -1, {-1.25}, "from the negative zero day back"},
        {{0.25}, -1, {-1.25}, "from day 0 back"},
        {{-2.5}, 2, {0.5}, "two days across day 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_NEAR(add_days(c.dt, c.n).value, c.expected.value, 1e-9);
    }
    const double outside = 9e6;
    DateTime same = add_days(DateTime{outside}, 0);
    EXPECT_EQ(std::memcmp(&same.value, &outside, sizeof outside), 0);
}

TEST(DateTimeTest, FieldsClampAndRound) {
    EXPECT_EQ(day_of(DateTime{45296.99999999}), 6);  // 23:59:59.999 rounds to the next day
    EXPECT_EQ(hour_of(DateTime{45296.99999999}), 0);
    EXPECT_EQ(year_of(DateTime{2958465.5}), 9999);
    EXPECT_EQ(hour_of(DateTime{2958465.5}), 0);
    EXPECT_EQ(year_of(DateTime{-1e9}), 100);
    EXPECT_EQ(month_of(DateTime{-1e9}), 1);
    DateTime t = make_datetime(2024, 1, 5, 14, 0, 5);
    EXPECT_EQ(hour_of(t), 14);
    EXPECT_EQ(minute_of(t), 0);
    EXPECT_EQ(second_of(t), 5);
    EXPECT_EQ(day_of(DateTime{-1.25}), 29);
    EXPECT_EQ(hour_of(DateTime{-1.25}), 6);
}

TEST(DateTimeTest, Texts) {
    EXPECT_EQ(format_ymd(DateTime{45296.75}), Text("2024/1/5"));
    EXPECT_EQ(format_ymd(parse_datetime("2014-09-09")), Text("2014/9/9"));
    struct Case {
        DateTime dt;
        Text expected;
    };
    const Case cases[] = {
        {make_datetime(2024, 1, 5), "2024\xC4\xEA" "1\xD4\xC2" "5\xC8\xD5"},
        {make_datetime(2024, 1, 5, 8), "2024\xC4\xEA" "1\xD4\xC2" "5\xC8\xD5" "8\xCA\xB1"},
        {make_datetime(2024, 1, 5, 8, 30),
         "2024\xC4\xEA" "1\xD4\xC2" "5\xC8\xD5" "8\xCA\xB1" "30\xB7\xD6"},
        {make_datetime(2024, 1, 5, 0, 0, 5),
         "2024\xC4\xEA" "1\xD4\xC2" "5\xC8\xD5" "0\xCA\xB1" "0\xB7\xD6" "5\xC3\xEB"},
        {make_datetime(2024, 1, 5, 14, 0, 5),
         "2024\xC4\xEA" "1\xD4\xC2" "5\xC8\xD5" "14\xCA\xB1" "0\xB7\xD6" "5\xC3\xEB"},
    };
    for (const Case& c : cases) EXPECT_EQ(datetime_text(c.dt), c.expected);
}

TEST(DateTimeTest, DateOnlyAndDayDistances) {
    EXPECT_EQ(date_only(make_datetime(2024, 1, 5, 23, 59, 59)), make_datetime(2024, 1, 5));
    EXPECT_EQ(date_only(DateTime{45296.99999999}), make_datetime(2024, 1, 6));  // rounds first
    EXPECT_EQ(date_only(DateTime{-1.25}), DateTime{-1.0});
    struct Case {
        DateTime first, last;
        int expected;
    };
    const Case cases[] = {
        {make_datetime(2014, 9, 7, 13, 5), make_datetime(2014, 9, 10), 3},
        {make_datetime(2014, 9, 10), make_datetime(2014, 9, 7, 23, 0), -3},
        {make_datetime(2012, 2, 28), make_datetime(2012, 3, 1), 2},
        {DateTime{-1.25}, DateTime{0.25}, 1},
        {make_datetime(2010, 9, 3), make_datetime(2026, 12, 12), 5944},
    };
    for (const Case& c : cases) EXPECT_EQ(days_from_to(c.first, c.last), c.expected);
}

TEST(DateTimeTest, NowIsTheLocalClockInWholeSeconds) {
    DateTime now = now_datetime();
    double seconds = (now.value - std::floor(now.value)) * 86400.0;
    EXPECT_NEAR(seconds, std::round(seconds), 1e-4);
    EXPECT_GT(year_of(now), 2000);
}

// Every day of the calendar against std::chrono's: the day text reads back as the same day,
// and one day on or back agrees with the independent calendar.
TEST(DateTimeTest, EveryDayAgreesWithStdChrono) {
    using namespace std::chrono;
    const sys_days epoch = sys_days{year{1899} / December / 30};
    const sys_days first = sys_days{year{100} / January / 1};
    const sys_days last = sys_days{year{9999} / December / 31};
    int failures = 0;
    for (sys_days d = first; d <= last && failures < 5; d += days{1}) {
        year_month_day ymd{d};
        DateTime dt{static_cast<double>((d - epoch).count())};
        bool ok = year_of(dt) == static_cast<int>(ymd.year()) &&
                  month_of(dt) == static_cast<int>(static_cast<unsigned>(ymd.month())) &&
                  day_of(dt) == static_cast<int>(static_cast<unsigned>(ymd.day())) &&
                  parse_datetime(format_ymd(dt)) == dt;
        if (d < last) ok = ok && add_days(dt, 1).value == static_cast<double>((d + days{1} - epoch).count());
        if (d > first) ok = ok && add_days(dt, -1).value == static_cast<double>((d - days{1} - epoch).count());
        if (!ok) {
            ++failures;
            ADD_FAILURE() << "day " << (d - epoch).count() << " " << format_ymd(dt).str();
        }
    }
    EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace kl8
