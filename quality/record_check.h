#pragma once
// Checks a whole record file: the row rules of every line (quality/row_rules.h), the line
// ends, and what the lines say together about the draw numbers and the days.
//
// Decisions:
// - A line's draw number takes part in the duplicate and gap search when field 1 keeps its
//   rule, and its day is counted when field 2 keeps its rule, whatever else the line breaks;
//   the line is reported once, as a rule break. Only lines keeping every rule are counted as
//   good rows.
// - First and last draw are the lowest and highest draw numbers, with field 2 as written
//   on the first line that holds them.
// - Duplicates: a draw number on more than one line. Consecutive numbers that each appear the
//   same number of times are reported as one range, with the lines of its first number.
// - Gaps: numbers missing between the lowest and the highest, as ranges, each with the day of
//   the draw before and after it (its first line's day; none when field 2 is not a date).
// - Days: grouping is by field 2's date; a day counts its draws, so the lines after the first
//   of a duplicated draw number do not count for their day. Days without draws between the
//   first and the last day are reported as ranges. A day is short when it has fewer draws
//   than the usual count of its neighbours: the lower median of the counts of the nearest
//   SHORT_DAY_NEIGHBOURS days with draws on each side (fewer at the ends of the file; a lone
//   day has none and is never short). The lower median lets a lasting change in the daily
//   count pass without a report. The last day is judged like the others, so a file harvested
//   before that day's last draw reports it as short.
// - A file without any line (or without any line holding a draw number) is a problem: it
//   holds no draws.
// - Lists keep their first MAX_LISTED entries; the counts cover all of them.
//
// Memory: a fixed part plus 16 bytes per line with a draw number and a few bytes per day.
// Line numbers are kept in 32 bits for the duplicate listing (files of up to 4 billion lines).

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "quality/record_reader.h"
#include "quality/row_rules.h"

namespace kl8 {

inline constexpr std::size_t MAX_LISTED = 1000;
inline constexpr int SHORT_DAY_NEIGHBOURS = 3;
inline constexpr std::size_t MAX_LISTED_LINES = 10;

// Texts from the file are stored as their raw code page 936 bytes (cut to MAX_VALUE_BYTES);
// the formatters convert them for display.
struct DrawPoint {
    std::int64_t number = 0;
    std::string time;  // field 2 as written
    std::int64_t line = 0;
};

struct RuleBreak {
    std::int64_t line = 0;
    RowProblem problem;
};

struct DuplicateRange {
    std::int64_t first = 0;  // draw numbers first to last each appear `times` times
    std::int64_t last = 0;
    int times = 0;
    std::vector<std::int64_t> lines;  // the lines of `first`, at most MAX_LISTED_LINES
};

struct NumberGap {
    std::int64_t first = 0;  // the missing numbers, first to last
    std::int64_t last = 0;
    std::optional<int> day_before;
    std::optional<int> day_after;
};

struct DayRange {
    int first = 0;
    int last = 0;
};

struct ShortDay {
    int day = 0;
    int draws = 0;
    int usual = 0;
};

struct CheckReport {
    std::int64_t lines = 0;
    std::int64_t good_rows = 0;
    std::int64_t numbered_lines = 0;  // lines with a valid draw number
    std::optional<int> first_day;
    std::optional<int> last_day;
    std::int64_t days_with_draws = 0;
    std::optional<DrawPoint> first_draw;
    std::optional<DrawPoint> last_draw;

    std::int64_t rule_break_count = 0;  // problems, possibly several per line
    std::int64_t rule_break_lines = 0;
    std::vector<RuleBreak> rule_breaks;

    std::int64_t duplicate_numbers = 0;  // distinct numbers on more than one line
    std::int64_t duplicate_lines = 0;    // lines beyond the first of each such number
    std::vector<DuplicateRange> duplicates;
    std::int64_t duplicate_range_count = 0;

    std::int64_t gap_count = 0;
    std::int64_t missing_numbers = 0;
    std::vector<NumberGap> gaps;

    std::int64_t missing_day_range_count = 0;
    std::int64_t missing_days = 0;
    std::vector<DayRange> missing_day_ranges;

    std::int64_t short_day_count = 0;
    std::vector<ShortDay> short_days;

    bool no_draws() const { return numbered_lines == 0; }
    // Every reported fault: each rule break, duplicate range, gap, missing-day range and short
    // day, and one for a file without draws.
    std::int64_t problem_count() const {
        return rule_break_count + duplicate_range_count + gap_count + missing_day_range_count +
               short_day_count + (no_draws() ? 1 : 0);
    }
};

class RecordChecker {
   public:
    void add_line(const RecordLine& line);
    // The report of the lines added so far; the checker is left empty.
    CheckReport finish();

   private:
    struct DrawEntry {
        std::int64_t number;
        std::uint32_t line;
        std::int32_t day;  // NO_DAY when field 2 is not a date
    };
    static constexpr std::int32_t NO_DAY = INT32_MIN;

    void add_problem(std::int64_t line, RowProblem problem);
    void count_day(int day);
    void find_duplicates_and_gaps();
    void find_missing_and_short_days();

    RowChecker rows_;
    RowCheck row_;
    CheckReport report_;
    std::vector<DrawEntry> draws_;
    std::map<int, int> day_counts_;
    std::map<int, int>::iterator last_day_ = day_counts_.end();
};

struct CheckResult {
    ReadResult read;
    CheckReport report;
};

[[nodiscard]] CheckResult check_record_file(const std::filesystem::path& path);

}  // namespace kl8
