#include "app/window_date_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kl8 {
namespace {

TEST(DateBoxText, StartsAtTheFirstDayOfTheDraws) {
    EXPECT_EQ(initial_date_box_day(), make_datetime(2010, 9, 3, 0, 0, 0));
    EXPECT_EQ(date_box_text(initial_date_box_day()), "2010年9月3日");
}

TEST(DateBoxText, ShowsTheLongDateWithoutTheTime) {
    struct Case {
        DateTime day;
        std::string expected;
        const char* why;
    };
    const Case cases[] = {
        {make_datetime(2010, 9, 3), "2010年9月3日", "no leading zeros"},
        {make_datetime(2024, 12, 31), "2024年12月31日", "two-digit month and day"},
        {make_datetime(2024, 2, 29, 8, 30, 15), "2024年2月29日", "a time of day is not shown"},
        {make_datetime(100, 1, 1), "100年1月1日", "the first day of the range"},
        {make_datetime(9999, 12, 31), "9999年12月31日", "the last day of the range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(date_box_text(c.day), c.expected);
    }
}

TEST(DateBoxText, ReadsTypedDaysAtMidnight) {
    struct Case {
        std::string typed;
        std::optional<DateTime> expected;
        const char* why;
    };
    const Case cases[] = {
        {"2024-05-01", make_datetime(2024, 5, 1), "ISO form"},
        {"2024/5/1", make_datetime(2024, 5, 1), "the site's day text"},
        {"2024年5月1日", make_datetime(2024, 5, 1), "the box's own text"},
        {"  2024-05-01 ", make_datetime(2024, 5, 1), "spaces around"},
        {"２０２４－０５－０１", make_datetime(2024, 5, 1), "full-width digits"},
        {"2024-05-01 08:30:15", make_datetime(2024, 5, 1), "a time is dropped"},
        {"2024-02-30", std::nullopt, "no such day"},
        {"", std::nullopt, "empty"},
        {"tomorrow", std::nullopt, "not a date"},
        {"100-01-01", std::nullopt, "the day parse_datetime also gives for a failure"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(read_date_box_text(c.typed), c.expected);
    }
}

TEST(DateBoxText, WholeDayKeepsTheDate) {
    const DateTime noon = make_datetime(2015, 6, 7, 12, 0, 1);
    EXPECT_EQ(whole_day(noon), make_datetime(2015, 6, 7));
    EXPECT_EQ(whole_day(make_datetime(2015, 6, 7)), make_datetime(2015, 6, 7));
}

}  // namespace
}  // namespace kl8
