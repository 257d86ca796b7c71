#include "tools/drawsite/draw_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "tests/drawsite/row_reference.h"

namespace kl8 {
namespace {

using test::Fields;

std::vector<Fields> fields_of(const std::vector<DrawRow>& rows) {
    std::vector<Fields> out;
    for (const DrawRow& r : rows) out.push_back(r.fields);
    return out;
}

bool is_digits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

TEST(DrawsOfDay, FieldsArePlausibleOnEveryRow) {
    struct Case {
        DateTime day;
        const char* date_text;
        const char* why;
    };
    const Case cases[] = {
        {make_datetime(2010, 9, 3), "2010-09-03", "the first day"},
        {make_datetime(2012, 2, 29), "2012-02-29", "a leap day"},
        {make_datetime(2024, 1, 5, 13, 30), "2024-01-05", "a time of day is ignored"},
        {make_datetime(2031, 12, 31), "2031-12-31", "a future day still generates"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const auto rows = draws_of_day(c.day, DEFAULT_ROWS_PER_DAY);
        ASSERT_EQ(rows.size(), 179u);
        const int first = FIRST_DRAW_NUMBER + draw_day_index(c.day) * 179;
        for (int i = 0; i < 179; ++i) {
            const auto& f = rows[i].fields;
            EXPECT_EQ(f[0], std::to_string(first + i));
            char time[8];
            std::snprintf(time, sizeof time, "%02d:%02d", (545 + 5 * i) / 60, (545 + 5 * i) % 60);
            EXPECT_EQ(f[1], std::string(c.date_text) + " " + time);
            ASSERT_TRUE(is_digits(f[2]));
            EXPECT_NE(f[2][0], '0') << "field 3 is plain decimal";
            EXPECT_GE(std::stoi(f[2]), 1);
            EXPECT_LE(std::stoi(f[2]), 80);
            int previous = 0;
            for (int k = 3; k < 23; ++k) {
                ASSERT_EQ(f[k].size(), 2u) << f[k];
                ASSERT_TRUE(is_digits(f[k]));
                const int n = std::stoi(f[k]);
                EXPECT_GT(n, previous) << "ascending and distinct";
                EXPECT_LE(n, 80);
                previous = n;
            }
        }
        EXPECT_EQ(rows.back().fields[1].substr(11), "23:55");
    }
}

TEST(DrawsOfDay, DrawNumbersRunOnAcrossDays) {
    const DateTime first = first_draw_day();
    EXPECT_EQ(draws_of_day(first, 179).front().fields[0], "100001");
    for (int rows_per_day : {179, 3}) {
        SCOPED_TRACE(rows_per_day);
        for (int k = 0; k < 40; ++k) {
            const auto today = draws_of_day(add_days(first, k), rows_per_day);
            const auto next = draws_of_day(add_days(first, k + 1), rows_per_day);
            EXPECT_EQ(std::stoi(today.back().fields[0]) + 1, std::stoi(next.front().fields[0]));
        }
    }
}

TEST(DrawsOfDay, IsAPureFunctionOfTheDay) {
    const DateTime day = make_datetime(2019, 6, 1);
    EXPECT_EQ(fields_of(draws_of_day(day, 179)), fields_of(draws_of_day(day, 179)));
    // Fewer rows per day shows the same draws, numbered differently.
    const auto full = draws_of_day(day, 179);
    const auto few = draws_of_day(day, 3);
    ASSERT_EQ(few.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(
            std::equal(few[i].fields.begin() + 1, few[i].fields.end(), full[i].fields.begin() + 1));
    }
    EXPECT_NE(fields_of(draws_of_day(day, 179)), fields_of(draws_of_day(add_days(day, 1), 179)));
}

TEST(DrawsOfDay, RowCountAndTimeLimit) {
    struct Case {
        int rows_per_day;
        std::optional<int> limit;
        std::size_t expected;
        const char* why;
    };
    const Case cases[] = {
        {179, {}, 179, "a full day"},
        {0, {}, 0, "no rows asked"},
        {-5, {}, 0, "a negative count is none"},
        {500, {}, 179, "at most 179 rows fit into a day"},
        {179, 0, 0, "midnight: nothing drawn yet"},
        {179, 544, 0, "one minute before the first draw"},
        {179, 545, 1, "09:05 itself has passed"},
        {179, 549, 1, "09:09"},
        {179, 550, 2, "09:10"},
        {179, 12 * 60, 36, "noon"},
        {179, 1435, 179, "23:55"},
        {179, 1439, 179, "23:59"},
        {10, 12 * 60, 10, "the limit never adds rows"},
    };
    const DateTime day = make_datetime(2020, 5, 5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(draws_of_day(day, c.rows_per_day, c.limit).size(), c.expected);
    }
}

TEST(DrawsOfDay, BallsAreSpreadEvenly) {
    std::map<int, int> seen;
    int total = 0;
    for (int d = 0; d < 60; ++d) {
        for (const DrawRow& row : draws_of_day(add_days(make_datetime(2015, 1, 1), d), 179)) {
            for (int k = 3; k < 23; ++k) ++seen[std::stoi(row.fields[k])];
            total += 20;
        }
    }
    ASSERT_EQ(seen.size(), 80u);
    const double expected = total / 80.0;
    for (const auto& [ball, count] : seen) {
        SCOPED_TRACE(ball);
        EXPECT_NEAR(count, expected, expected * 0.1);
    }
}

TEST(ServedDraws, OnlyFromTheFirstDayToToday) {
    const DateTime today = make_datetime(2024, 1, 10);
    struct Case {
        DateTime day;
        std::size_t rows;
        const char* why;
    };
    const Case cases[] = {
        {make_datetime(2010, 9, 2), 0, "the day before sales began"},
        {make_datetime(2010, 9, 3), 179, "the first day"},
        {make_datetime(2024, 1, 10, 8, 0), 179, "today, full with a fixed today"},
        {make_datetime(2024, 1, 11), 0, "tomorrow"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(served_draws(c.day, today, 179).size(), c.rows);
    }
}

TEST(RecordLine, JoinsTheFieldsWithCommas) {
    DrawRow row;
    for (int k = 0; k < 23; ++k) row.fields[k] = "f" + std::to_string(k + 1);
    row.fields[5] = "";
    const std::string line = record_line(row).str();
    EXPECT_EQ(line.substr(0, 18), "f1,f2,f3,f4,f5,,f7");
    EXPECT_EQ(std::count(line.begin(), line.end(), ','), 22);
    EXPECT_EQ(line.substr(line.size() - 4), ",f23");
}

TEST(RecordText, IsTheLinesOfTheServedDaysInOrder) {
    const DateTime today = make_datetime(2010, 9, 4);
    const std::string text =
        record_text(make_datetime(2010, 9, 1), make_datetime(2010, 9, 6), today, 2);
    std::string expected;
    for (const DateTime day : {make_datetime(2010, 9, 3), make_datetime(2010, 9, 4)}) {
        for (const DrawRow& row : draws_of_day(day, 2)) expected += record_line(row).str() + "\r\n";
    }
    EXPECT_EQ(text, expected);
    EXPECT_EQ(text.substr(0, 24), "100001,2010-09-03 09:05,");
}

TEST(RenderRow, IsThePatternsMarkupWithTheFields) {
    for (const DrawRow& row : draws_of_day(make_datetime(2023, 3, 3), 5)) {
        const std::string rendered = render_row(row);
        EXPECT_EQ(rendered, test::row_from_table(row.fields));
        EXPECT_EQ(rendered, test::row_from_pattern(row.fields));
        EXPECT_EQ(rendered.find('\r'), std::string::npos);
    }
}

TEST(RenderPage, ThePatternFindsExactlyTheRows) {
    const DateTime day = make_datetime(2021, 7, 7);
    const auto rows = draws_of_day(day, 179);
    const std::string page = render_page(day, rows);
    const test::RowMatcher matcher;
    EXPECT_EQ(matcher.match_all(page), fields_of(rows));
    EXPECT_EQ(test::RowMatcher(false).match_all(page), fields_of(rows)) << "exact case too";
    EXPECT_EQ(page.find('\r'), std::string::npos);
    EXPECT_EQ(page.find('\0'), std::string::npos);
    // Each row opens with a line of its own, so the line feed before td1 ends that line.
    EXPECT_NE(page.find("\t\t\t<tr>\n" + std::string(16, ' ') + "\t\t\t\t<td class=\"td1\">"),
              std::string::npos);
    // The title says what the site is: "本地测试站点" in code page 936.
    EXPECT_NE(page.find("\xB1\xBE\xB5\xD8\xB2\xE2\xCA\xD4\xD5\xBE\xB5\xE3"), std::string::npos);
    EXPECT_NE(page.find("<title>"), std::string::npos);
    EXPECT_NE(page.find("<h1>"), std::string::npos);
    EXPECT_EQ(page, render_page(day, rows)) << "deterministic";
}

TEST(RenderPage, WithoutRowsHasOtherMarkupButNoMatch) {
    const DateTime day = make_datetime(2030, 1, 1);
    const std::string page = render_page(day, {});
    EXPECT_TRUE(test::RowMatcher().match_all(page).empty());
    EXPECT_NE(page.find("class=\"td1\""), std::string::npos) << "header cells name the classes";
    EXPECT_NE(page.find("class=\"ball_1\""), std::string::npos);
    // "本日无开奖数据"
    EXPECT_NE(page.find("\xB1\xBE\xC8\xD5\xCE\xDE\xBF\xAA\xBD\xB1\xCA\xFD\xBE\xDD"),
              std::string::npos);
}

TEST(RenderPage, FaultStylesChangeWhatThePatternFinds) {
    const DateTime day = make_datetime(2022, 2, 2);
    const auto rows = draws_of_day(day, 179);
    const auto all = fields_of(rows);
    const test::RowMatcher matcher;
    const std::string normal = render_page(day, rows);

    {
        SCOPED_TRACE("CR LF line ends: nothing matches, and only the line ends changed");
        const std::string page = render_page(day, rows, {.crlf = true});
        EXPECT_TRUE(matcher.match_all(page).empty());
        std::string stripped = page;
        std::erase(stripped, '\r');
        EXPECT_EQ(stripped, normal);
        EXPECT_EQ(std::count(page.begin(), page.end(), '\r'),
                  std::count(page.begin(), page.end(), '\n'));
    }
    for (int n : {1, 2, 179}) {
        SCOPED_TRACE("one extra space in row " + std::to_string(n));
        const std::string page = render_page(day, rows, {.extra_space_row = n});
        auto expected = all;
        expected.erase(expected.begin() + (n - 1));
        EXPECT_EQ(matcher.match_all(page), expected);
        EXPECT_EQ(page.size(), normal.size() + 1);
    }
    {
        SCOPED_TRACE("a zero byte after row 3: the text up to it holds three rows");
        const std::string page = render_page(day, rows, {.zero_byte_after_row = 3});
        const std::size_t zero = page.find('\0');
        ASSERT_NE(zero, std::string::npos);
        EXPECT_EQ(page.substr(zero - 5, 5), "</tr>");
        EXPECT_EQ(matcher.match_all(page.substr(0, zero)),
                  std::vector<Fields>(all.begin(), all.begin() + 3));
        EXPECT_EQ(matcher.match_all(page), all) << "the bytes after the zero are the rest";
    }
    {
        SCOPED_TRACE("upper-case tags match only when case is ignored");
        const std::string page = render_page(day, rows, {.upper_case_tags = true});
        EXPECT_EQ(matcher.match_all(page), all);
        EXPECT_TRUE(test::RowMatcher(false).match_all(page).empty());
        EXPECT_NE(page.find("<TD CLASS=\"TD1\">"), std::string::npos);
    }
    {
        SCOPED_TRACE("a comma inside field 2");
        const auto found = matcher.match_all(render_page(day, rows, {.comma_in_field2 = true}));
        ASSERT_EQ(found.size(), 179u);
        EXPECT_EQ(found[0][1], "2022-02-02,09:05");
        auto expected = all;
        for (auto& f : expected) std::replace(f[1].begin(), f[1].end(), ' ', ',');
        EXPECT_EQ(found, expected);
    }
}

TEST(RenderStatusPage, HasNoRows) {
    for (int status : {400, 404, 500, 503}) {
        SCOPED_TRACE(status);
        const std::string page = render_status_page(status);
        EXPECT_NE(page.find(std::to_string(status)), std::string::npos);
        EXPECT_TRUE(test::RowMatcher().match_all(page).empty());
    }
}

}  // namespace
}  // namespace kl8
