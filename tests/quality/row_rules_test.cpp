#include "quality/row_rules.h"

#include <gtest/gtest.h>

#include <cmath>

#include "foundation/datetime.h"

namespace kl8 {
namespace {

const std::string NUMBERS_20 = "01,02,03,04,05,06,07,08,09,10,11,12,13,14,15,16,17,18,19,20";

std::string line_with(const std::string& f1, const std::string& f2, const std::string& f3,
                      const std::string& numbers = NUMBERS_20) {
    return f1 + "," + f2 + "," + f3 + "," + numbers;
}

int day_number(int y, int m, int d) {
    return static_cast<int>(std::floor(make_datetime(y, m, d).value));
}

TEST(RowRulesTest, LinesThatKeepEveryRule) {
    struct Case {
        std::string line;
        std::int64_t number;
        int day;
        const char* why;
    };
    const Case cases[] = {
        {line_with("100001", "2010-09-03 09:05", "7"), 100001, day_number(2010, 9, 3),
         "the local site's form"},
        {line_with("2024001", "2024/1/5 9:05", "80"), 2024001, day_number(2024, 1, 5),
         "slashes and no leading zeros"},
        {line_with("7", "2024-01-05", "1"), 7, day_number(2024, 1, 5), "a date without a time"},
        {line_with("0042", "2024-01-05 09:05:00", "007"), 42, day_number(2024, 1, 5),
         "leading zeros in the draw number and the extra number"},
        {line_with("1", "2024-01-05 whatever the site writes", "5"), 1, day_number(2024, 1, 5),
         "the time after the space is not judged"},
        {line_with("1",
                   "2024\xC4\xEA"
                   "1\xD4\xC2"
                   "5\xC8\xD5 09:05",
                   "5"),
         1, day_number(2024, 1, 5), "a date with Chinese marks in code page 936"},
        {line_with("1", "2024-01-05 09:05", "3"), 1, day_number(2024, 1, 5),
         "the extra number may equal a drawn one"},
        {line_with("123456789012345678", "2024-01-05 09:05", "5"), 123456789012345678,
         day_number(2024, 1, 5), "18 digits"},
        {line_with("1", "2024-01-05 09:05", "5",
                   "80,79,78,77,76,75,74,73,72,71,70,69,68,67,66,65,64,63,62,61"),
         1, day_number(2024, 1, 5), "descending numbers"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const RowCheck r = check_row(c.line);
        EXPECT_TRUE(r.ok()) << (r.problems.empty() ? "" : row_rule_name(r.problems[0].rule));
        EXPECT_EQ(r.draw_number, c.number);
        EXPECT_EQ(r.day, c.day);
    }
    const std::string line = line_with("5", "2024-01-05 09:05", "5");
    const RowCheck r = check_row(line);  // its views point into line
    EXPECT_EQ(r.draw_time, "2024-01-05 09:05");
    EXPECT_EQ(r.numbers[0], 1);
    EXPECT_EQ(r.numbers[19], 20);
}

TEST(RowRulesTest, BrokenRules) {
    struct Expected {
        RowRule rule;
        int field;
        int other_field = 0;
        int field_count = 0;
        std::string value = {};
    };
    struct Case {
        std::string line;
        std::vector<Expected> expected;
        bool has_number;
        bool has_day;
        const char* why;
    };
    const std::string time = "2024-01-05 09:05";
    const std::string numbers_19 = NUMBERS_20.substr(0, NUMBERS_20.size() - 3);
    const Case cases[] = {
        {"", {{RowRule::field_count, 0, 0, 1}}, false, false, "an empty line"},
        {line_with("1", time, "5", numbers_19),
         {{RowRule::field_count, 0, 0, 22}},
         true,
         true,
         "22 fields; number and day still taken"},
        {line_with("1", "2024-01-05,09:05", "5"),
         {{RowRule::field_count, 0, 0, 24}},
         true,
         true,
         "a comma inside field 2"},
        {line_with("1", time, "5") + ",",
         {{RowRule::field_count, 0, 0, 24}},
         true,
         true,
         "a trailing comma"},
        {line_with("", time, "5"),
         {{RowRule::draw_number, 1}},
         false,
         true,
         "an empty draw number"},
        {line_with("12a", time, "5"),
         {{RowRule::draw_number, 1, 0, 0, "12a"}},
         false,
         true,
         "a letter in the draw number"},
        {line_with("\xA3\xB1\xA3\xB2", time, "5"),
         {{RowRule::draw_number, 1, 0, 0, "\xA3\xB1\xA3\xB2"}},
         false,
         true,
         "full-width digits are not digits"},
        {line_with(" 12", time, "5"),
         {{RowRule::draw_number, 1, 0, 0, " 12"}},
         false,
         true,
         "a space before the draw number"},
        {line_with("1234567890123456789", time, "5"),
         {{RowRule::draw_number, 1, 0, 0, "1234567890123456789"}},
         false,
         true,
         "19 digits"},
        {line_with("1", "", "5"), {{RowRule::draw_time, 2}}, true, false, "an empty time"},
        {line_with("1", "2023-02-29 09:05", "5"),
         {{RowRule::draw_time, 2, 0, 0, "2023-02-29 09:05"}},
         true,
         false,
         "no such day"},
        {line_with("1", "09:05 2024-01-05", "5"),
         {{RowRule::draw_time, 2, 0, 0, "09:05 2024-01-05"}},
         true,
         false,
         "the time first"},
        {line_with("1", std::string("2024-01-05\0x", 12), "5"),
         {{RowRule::draw_time, 2, 0, 0, std::string("2024-01-05\0x", 12)}},
         true,
         false,
         "a zero byte after the date"},
        {line_with("1", time, "0"),
         {{RowRule::number_range, 3, 0, 0, "0"}},
         true,
         true,
         "extra number 0"},
        {line_with("1", time, "81"),
         {{RowRule::number_range, 3, 0, 0, "81"}},
         true,
         true,
         "extra number 81"},
        {line_with("1", time, ""),
         {{RowRule::number_range, 3}},
         true,
         true,
         "an empty extra number"},
        {line_with("1", time, "+5"),
         {{RowRule::number_range, 3, 0, 0, "+5"}},
         true,
         true,
         "a sign is not a digit"},
        {line_with("1", time, "5", NUMBERS_20.substr(0, NUMBERS_20.size() - 2) + "99"),
         {{RowRule::number_range, 23, 0, 0, "99"}},
         true,
         true,
         "field 23 out of range"},
        {line_with("1", time, "5", "00" + NUMBERS_20.substr(2)),
         {{RowRule::number_range, 4, 0, 0, "00"}},
         true,
         true,
         "field 4 is 00"},
        {line_with("1", time, "5", NUMBERS_20.substr(0, NUMBERS_20.size() - 2) + "1 "),
         {{RowRule::number_range, 23, 0, 0, "1 "}},
         true,
         true,
         "a space after a number"},
        {line_with("1", time, "5", NUMBERS_20.substr(0, NUMBERS_20.size() - 2) + "07"),
         {{RowRule::repeated_number, 23, 10, 0, "07"}},
         true,
         true,
         "field 23 repeats field 10"},
        {line_with("1", time, "5", "01,1,001" + NUMBERS_20.substr(8)),
         {{RowRule::repeated_number, 5, 4, 0, "1"}, {RowRule::repeated_number, 6, 4, 0, "001"}},
         true,
         true,
         "one number written three ways"},
        {line_with("x", "y", "81", "0,02,02" + NUMBERS_20.substr(8)),
         {{RowRule::draw_number, 1, 0, 0, "x"},
          {RowRule::draw_time, 2, 0, 0, "y"},
          {RowRule::number_range, 3, 0, 0, "81"},
          {RowRule::number_range, 4, 0, 0, "0"},
          {RowRule::repeated_number, 6, 5, 0, "02"}},
         false,
         false,
         "every broken rule reported, in field order"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const RowCheck r = check_row(c.line);
        ASSERT_EQ(r.problems.size(), c.expected.size());
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            const Expected& e = c.expected[i];
            EXPECT_EQ(row_rule_name(r.problems[i].rule), std::string(row_rule_name(e.rule)));
            EXPECT_EQ(r.problems[i].field, e.field);
            EXPECT_EQ(r.problems[i].other_field, e.other_field);
            EXPECT_EQ(r.problems[i].field_count, e.field_count);
            EXPECT_EQ(r.problems[i].value, e.value);
        }
        EXPECT_EQ(r.draw_number.has_value(), c.has_number);
        EXPECT_EQ(r.day.has_value(), c.has_day);
    }
}

TEST(RowRulesTest, LongValuesAreCutInTheProblem) {
    const std::string long_field(200, 'x');
    const RowCheck r = check_row(line_with(long_field, "2024-01-05", "5"));
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].value, std::string(MAX_VALUE_BYTES, 'x'));
}

TEST(RowRulesTest, OneCheckerOverManyLinesForgetsNothingBetweenDays) {
    // The checker reuses the last date's day; a new date, or a broken one, must not inherit it.
    RowChecker checker;
    RowCheck out;
    struct Step {
        std::string time;
        std::optional<int> day;
    };
    const Step steps[] = {
        {"2024-01-05 09:05", day_number(2024, 1, 5)}, {"2024-01-05 09:10", day_number(2024, 1, 5)},
        {"2024-01-06 09:05", day_number(2024, 1, 6)}, {"2024-01-32 09:05", std::nullopt},
        {"2024-01-32 09:10", std::nullopt},           {"2024-01-06 09:10", day_number(2024, 1, 6)},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.time);
        checker.check(line_with("1", s.time, "5"), out);
        EXPECT_EQ(out.day, s.day);
        EXPECT_EQ(out.ok(), s.day.has_value());
    }
}

}  // namespace
}  // namespace kl8
