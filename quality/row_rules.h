#pragma once
// The rules one record line must keep to stand for one draw row, checked on the line's bytes
// (code page 936, without its CR LF).
//
// - 23 fields, split at every ",";
// - field 1, the draw number: 1 to 18 ASCII digits (leading zeros allowed, read as decimal);
// - field 2, the draw time as the site writes it: its date part (the bytes before its first
//   space, or all of it without one) must read as a date with parse_datetime; the time after
//   the space is not checked, as sites write it in different forms;
// - field 3 and fields 4 to 23: ASCII digits only, value 1 to 80 ("7", "07" and "007" alike);
// - the twenty numbers of fields 4 to 23 distinct (field 3 may equal one of them).
//
// A line with another field count breaks the count rule only: its other fields are not judged,
// since a stray comma shifts every field after it. Its draw number and day are still taken
// when fields 1 and 2 keep their own rules, so that one truncated or split row is reported
// once, not also as a gap and a short day.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kl8 {

inline constexpr int RECORD_FIELDS = 23;
inline constexpr int DRAWN_NUMBERS = 20;
inline constexpr int FIRST_DRAWN_FIELD = 4;
inline constexpr int LOWEST_NUMBER = 1;
inline constexpr int HIGHEST_NUMBER = 80;
inline constexpr int MAX_DRAW_NUMBER_DIGITS = 18;

enum class RowRule {
    field_count,      // the line does not have 23 fields
    draw_number,      // field 1 is not 1 to 18 digits
    draw_time,        // field 2's date part is not a date
    number_range,     // field 3 or one of 4 to 23 is not a number from 1 to 80
    repeated_number,  // one of fields 4 to 23 repeats an earlier one of them
    line_end,         // the line does not end in CR LF (the reader decides this one)
    line_length,      // the line is longer than the reader keeps (the reader decides this one)
};

// The rule's name, such as "number_range".
const char* row_rule_name(RowRule rule);

struct RowProblem {
    RowRule rule = RowRule::field_count;
    int field = 0;        // the field (from 1) the rule is about; 0 for the whole line
    int other_field = 0;  // repeated_number: the earlier field holding the same number
    int field_count = 0;  // field_count: the fields the line has
    std::string value;    // the offending field's bytes, at most MAX_VALUE_BYTES of them
    friend bool operator==(const RowProblem&, const RowProblem&) = default;
};

// A problem with its rule and field set, the rest left empty.
RowProblem row_problem(RowRule rule, int field = 0);

inline constexpr std::size_t MAX_VALUE_BYTES = 64;

// Days are whole days of the automation calendar (DateTime::value of the date, day 0 being
// 1899-12-30).
struct RowCheck {
    std::vector<RowProblem> problems;
    std::optional<std::int64_t> draw_number;            // when field 1 keeps its rule
    std::optional<int> day;                             // when field 2 keeps its rule
    std::string_view draw_time;                         // field 2 (a view into the checked line)
    std::array<std::uint8_t, DRAWN_NUMBERS> numbers{};  // fields 4 to 23 when ok()
    bool ok() const { return problems.empty(); }
};

// Checks lines one after another. It remembers the last date part it read, since the lines of
// one day share it; otherwise each check is independent of the others.
class RowChecker {
   public:
    // Fills out (its views point into line, which must outlive them).
    void check(std::string_view line, RowCheck& out);

   private:
    std::optional<int> day_of_date_part(std::string_view date_part);
    std::string last_date_part_;
    std::optional<int> last_day_;
    bool has_last_ = false;
};

// One line on its own, with a fresh checker.
RowCheck check_row(std::string_view line);

}  // namespace kl8
