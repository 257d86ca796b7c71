#include "quality/record_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "quality/report_text.h"
#include "tests/quality/quality_fixtures.h"

#ifdef KL8_HAVE_DRAWDATA
#include "tools/drawsite/draw_data.h"
#endif

namespace kl8 {
namespace {

using test::Row;

const DateTime JAN_1 = make_datetime(2024, 1, 1);
const std::vector<int> WEEK_OF_5 = {5, 5, 5, 5, 5, 5, 5};

// One line per fact, so that a table can say exactly what a report must hold.
std::vector<std::string> facts(const CheckReport& r) {
    std::vector<std::string> out;
    for (const RuleBreak& b : r.rule_breaks) {
        std::string s = "break " + std::to_string(b.line) + " " + row_rule_name(b.problem.rule);
        if (b.problem.field > 0) s += " field " + std::to_string(b.problem.field);
        out.push_back(s);
    }
    for (const DuplicateRange& d : r.duplicates) {
        std::string s = "dup " + std::to_string(d.first) + "-" + std::to_string(d.last) + " x" +
                        std::to_string(d.times) + " lines";
        for (std::size_t i = 0; i < d.lines.size(); ++i) {
            s += (i ? "," : " ") + std::to_string(d.lines[i]);
        }
        out.push_back(s);
    }
    for (const NumberGap& g : r.gaps) {
        out.push_back("gap " + std::to_string(g.first) + "-" + std::to_string(g.last) + " " +
                      (g.day_before ? iso_day(*g.day_before) : "?") + ".." +
                      (g.day_after ? iso_day(*g.day_after) : "?"));
    }
    for (const DayRange& d : r.missing_day_ranges) {
        out.push_back("missing " + iso_day(d.first) + ".." + iso_day(d.last));
    }
    for (const ShortDay& d : r.short_days) {
        out.push_back("short " + iso_day(d.day) + " " + std::to_string(d.draws) + "/" +
                      std::to_string(d.usual));
    }
    return out;
}

CheckReport check_text(const std::string& text) {
    test::TempDir dir;
    const CheckResult result = check_record_file(test::write_file(dir / "record.txt", text));
    EXPECT_EQ(result.read.outcome, ReadOutcome::ok);
    return result.report;
}

std::vector<std::string> lines_of(const std::vector<Row>& rows) {
    std::vector<std::string> lines;
    for (const Row& r : rows) lines.push_back(test::row_line(r));
    return lines;
}

std::string join_crlf(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}

TEST(RecordCheckTest, OneFixturePerFault) {
    struct Case {
        std::function<std::string()> make;
        std::vector<std::string> expected;
        const char* why;
    };
    const std::vector<std::string> week = lines_of(test::history_rows(JAN_1, WEEK_OF_5));
    auto edited = [&](const std::function<void(std::vector<std::string>&)>& edit) {
        return [edit, week] {
            std::vector<std::string> lines = week;
            edit(lines);
            return join_crlf(lines);
        };
    };
    auto days = [](const std::vector<int>& rows_of_day) {
        return
            [rows_of_day] { return test::record_text_of(test::history_rows(JAN_1, rows_of_day)); };
    };
    const Case cases[] = {
        {edited([](auto&) {}), {}, "a clean week"},
        {edited([](auto& l) { l[7].resize(l[7].rfind(',')); }),
         {"break 8 field_count"},
         "a bad field count: line 8 lost its last field"},
        {edited([](auto& l) { l[8].replace(l[8].size() - 2, 2, "81"); }),
         {"break 9 number_range field 23"},
         "a number out of range"},
        {[] {
             std::vector<Row> rows = test::history_rows(JAN_1, WEEK_OF_5);
             rows[9].drawn[2] = rows[9].drawn[1];
             return test::record_text_of(rows);
         },
         {"break 10 repeated_number field 6"},
         "a repeated number"},
        {edited([](auto& l) { l.push_back(l[11]); }),
         {"dup 100012-100012 x2 lines 12,36"},
         "a duplicate draw"},
        {edited([](auto& l) {
             const std::vector<std::string> day_2(l.begin() + 5, l.begin() + 10);
             l.insert(l.end(), day_2.begin(), day_2.end());
         }),
         {"dup 100006-100010 x2 lines 6,36"},
         "a whole day written twice"},
        {[] {
             std::vector<Row> rows = test::history_rows(JAN_1, {5, 5, 5});
             const std::vector<Row> later =
                 test::history_rows(add_days(JAN_1, 3), {5, 5, 5, 5}, 100001 + 15 + 3);
             rows.insert(rows.end(), later.begin(), later.end());
             return test::record_text_of(rows);
         },
         {"gap 100016-100018 2024-01-03..2024-01-04"},
         "a gap in the draw numbers"},
        {days({5, 5, 5, 3, 5, 5, 5}), {"short 2024-01-04 3/5"}, "a short day"},
        {days({5, 5, 5, 0, 0, 5, 5}), {"missing 2024-01-04..2024-01-05"}, "missing days"},
        {[&] { return join_crlf(week).substr(0, join_crlf(week).size() - 2); },
         {"break 35 line_end"},
         "the last line without CR LF"},
        {[&] {
             std::string text = join_crlf(week);
             return text.substr(0, text.size() - 2 - 40);
         },
         {"break 35 field_count", "break 35 line_end"},
         "a last line cut short by a killed run: reported once, not as a gap or short day"},
        {edited([](auto& l) { l.insert(l.begin() + 3, ""); }),
         {"break 4 field_count"},
         "an empty line"},
        {edited([](auto& l) { std::reverse(l.begin(), l.end()); }), {}, "lines in any order"},
        {days({3, 5, 5, 5}), {"short 2024-01-01 3/5"}, "the first day, judged by the right"},
        {days({5, 5, 5, 3}), {"short 2024-01-04 3/5"}, "the last day is judged too"},
        {days({3}), {}, "a lone day has no neighbours"},
        {days({5, 5, 5, 5, 8, 8, 8, 8}), {}, "a lasting rise in the daily count"},
        {days({8, 8, 8, 8, 5, 5, 5, 5}), {}, "a lasting fall in the daily count"},
        {days({5, 5, 5, 2, 2, 2, 5, 5, 5}),
         {"short 2024-01-04 2/5", "short 2024-01-05 2/5", "short 2024-01-06 2/5"},
         "three short days in a row"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const CheckReport r = check_text(c.make());
        EXPECT_EQ(facts(r), c.expected);
        EXPECT_EQ(r.problem_count(), static_cast<std::int64_t>(c.expected.size()));
    }
}

TEST(RecordCheckTest, ALineEndedByLfAlone) {
    std::vector<std::string> lines = lines_of(test::history_rows(JAN_1, WEEK_OF_5));
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) text += lines[i] + (i == 2 ? "\n" : "\r\n");
    const CheckReport r = check_text(text);
    EXPECT_EQ(facts(r), std::vector<std::string>{"break 3 line_end"});
}

TEST(RecordCheckTest, FactsOfACleanFile) {
    const CheckReport r = check_text(test::record_text_of(test::history_rows(JAN_1, {5, 5, 4})));
    EXPECT_EQ(r.lines, 14);
    EXPECT_EQ(r.good_rows, 14);
    EXPECT_EQ(r.first_day, static_cast<int>(JAN_1.value));
    EXPECT_EQ(r.last_day, static_cast<int>(JAN_1.value) + 2);
    EXPECT_EQ(r.days_with_draws, 3);
    ASSERT_TRUE(r.first_draw && r.last_draw);
    EXPECT_EQ(r.first_draw->number, 100001);
    EXPECT_EQ(r.first_draw->time, "2024-01-01 09:05");
    EXPECT_EQ(r.first_draw->line, 1);
    EXPECT_EQ(r.last_draw->number, 100014);
    EXPECT_EQ(r.last_draw->time, "2024-01-03 09:20");
    EXPECT_EQ(r.last_draw->line, 14);
    // Short by one on the last day, as a harvest before its last draw leaves it.
    EXPECT_EQ(facts(r), std::vector<std::string>{"short 2024-01-03 4/5"});
}

TEST(RecordCheckTest, DuplicateRangesSplitWhereTheCountChanges) {
    std::vector<std::string> lines = lines_of(test::history_rows(JAN_1, {5, 5, 5}));
    const std::vector<std::string> original = lines;
    // 100001..100003 twice, 100004 three times, 100006 twice.
    for (int i : {0, 1, 2, 3, 3, 5}) lines.push_back(original[i]);
    const CheckReport r = check_text(join_crlf(lines));
    EXPECT_EQ(facts(r), (std::vector<std::string>{"dup 100001-100003 x2 lines 1,16",
                                                  "dup 100004-100004 x3 lines 4,19,20",
                                                  "dup 100006-100006 x2 lines 6,21"}));
    EXPECT_EQ(r.duplicate_numbers, 5);
    EXPECT_EQ(r.duplicate_lines, 6);
}

TEST(RecordCheckTest, AnEmptyFileHoldsNoDraws) {
    const CheckReport r = check_text("");
    EXPECT_EQ(r.lines, 0);
    EXPECT_TRUE(r.no_draws());
    EXPECT_EQ(r.problem_count(), 1);
    EXPECT_FALSE(r.first_day);
    EXPECT_FALSE(r.first_draw);
}

TEST(RecordCheckTest, AnErrorPageSavedAsRecordsIsAllRuleBreaks) {
    const CheckReport r =
        check_text("<html>\r\n<body>503 Service Unavailable</body>\r\n</html>\r\n");
    EXPECT_EQ(r.rule_break_lines, 3);
    EXPECT_TRUE(r.no_draws());
    EXPECT_EQ(r.problem_count(), 4);
}

TEST(RecordCheckTest, ListsAreCappedButCountsAreWhole) {
    std::string text;
    const int bad_lines = static_cast<int>(MAX_LISTED) + 500;
    for (int i = 0; i < bad_lines; ++i) text += "junk\r\n";
    const CheckReport r = check_text(text);
    EXPECT_EQ(r.rule_break_count, bad_lines);
    EXPECT_EQ(r.rule_break_lines, bad_lines);
    EXPECT_EQ(r.rule_breaks.size(), MAX_LISTED);
    EXPECT_EQ(r.rule_breaks.back().line, static_cast<std::int64_t>(MAX_LISTED));
}

TEST(RecordCheckTest, ALineTooLongIsOneRuleBreak) {
    std::vector<std::string> lines = lines_of(test::history_rows(JAN_1, WEEK_OF_5));
    lines[4] += std::string(MAX_LINE_BYTES, '9');
    const CheckReport r = check_text(join_crlf(lines));
    EXPECT_EQ(facts(r),
              (std::vector<std::string>{"break 5 line_length", "break 5 number_range field 23"}));
    EXPECT_EQ(r.rule_break_lines, 1);
}

TEST(RecordCheckTest, FullHistoryChecksClean) {
    // 179 draws a day from the first day of sales to the end of 2024: about 940 000 lines.
    const DateTime first = make_datetime(2010, 9, 3);
    const int days = static_cast<int>(make_datetime(2024, 12, 31).value - first.value) + 1;
    test::TempDir dir;
    const auto path = dir / "record.txt";
    {
        std::ofstream f(path, std::ios::binary);
        std::int64_t number = 100001;
        std::string chunk;
        for (int d = 0; d < days; ++d) {
            chunk.clear();
            const DateTime day = add_days(first, d);
            for (int i = 0; i < 179; ++i) {
                chunk += test::row_line(test::make_row(number++, day, i));
                chunk += "\r\n";
            }
            f.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        }
    }
    const CheckResult result = check_record_file(path);
    ASSERT_EQ(result.read.outcome, ReadOutcome::ok);
    const CheckReport& r = result.report;
    EXPECT_EQ(r.problem_count(), 0)
        << facts(r).size() << " facts, first: " << (facts(r).empty() ? "" : facts(r)[0]);
    EXPECT_EQ(r.lines, static_cast<std::int64_t>(days) * 179);
    EXPECT_EQ(r.days_with_draws, days);
    ASSERT_TRUE(r.last_draw);
    EXPECT_EQ(r.last_draw->number, 100000 + static_cast<std::int64_t>(days) * 179);
    EXPECT_EQ(r.last_draw->time, "2024-12-31 23:55");
}

#ifdef KL8_HAVE_DRAWDATA
TEST(RecordCheckTest, TheLocalSitesHistoryChecksClean) {
    // What a harvest of the local site writes, from its own generator.
    const DateTime first = first_draw_day();
    const DateTime last = add_days(first, 59);
    const std::string text = record_text(first, last, add_days(last, 1), DEFAULT_ROWS_PER_DAY);
    const CheckReport r = check_text(text);
    EXPECT_EQ(r.problem_count(), 0) << (facts(r).empty() ? "" : facts(r)[0]);
    EXPECT_EQ(r.lines, 60 * DEFAULT_ROWS_PER_DAY);
    EXPECT_EQ(r.days_with_draws, 60);
}
#endif

}  // namespace
}  // namespace kl8
