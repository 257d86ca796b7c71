#include "quality/row_rules.h"

#include <cmath>

#include "foundation/datetime.h"
#include "foundation/text.h"

namespace kl8 {
namespace {

bool all_digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// 0 when s is not a number from 1 to 80.
int drawn_number(std::string_view s) {
    if (!all_digits(s)) return 0;
    int value = 0;
    for (char c : s) {
        value = value * 10 + (c - '0');
        if (value > HIGHEST_NUMBER) return 0;
    }
    return value;
}

RowProblem field_problem(RowRule rule, int field, std::string_view value) {
    RowProblem p = row_problem(rule, field);
    p.value = std::string(value.substr(0, MAX_VALUE_BYTES));
    return p;
}

}  // namespace

RowProblem row_problem(RowRule rule, int field) {
    RowProblem p;
    p.rule = rule;
    p.field = field;
    return p;
}

const char* row_rule_name(RowRule rule) {
    switch (rule) {
        case RowRule::field_count:
            return "field_count";
        case RowRule::draw_number:
            return "draw_number";
        case RowRule::draw_time:
            return "draw_time";
        case RowRule::number_range:
            return "number_range";
        case RowRule::repeated_number:
            return "repeated_number";
        case RowRule::line_end:
            return "line_end";
        case RowRule::line_length:
            return "line_length";
    }
    return "unknown";
}

std::optional<int> RowChecker::day_of_date_part(std::string_view date_part) {
    if (has_last_ && date_part == last_date_part_) return last_day_;
    std::optional<int> day;
    // Text stops at a zero byte, which would let "2024-01-05<NUL>junk" read as a date.
    if (!date_part.empty() && date_part.find('\0') == std::string_view::npos) {
        const DateTime dt = parse_datetime(Text(date_part));
        if (dt != DATETIME_MIN) day = static_cast<int>(std::floor(dt.value));
    }
    last_date_part_.assign(date_part);
    last_day_ = day;
    has_last_ = true;
    return day;
}

void RowChecker::check(std::string_view line, RowCheck& out) {
    out.problems.clear();
    out.draw_number.reset();
    out.day.reset();
    out.draw_time = {};

    std::array<std::string_view, RECORD_FIELDS> fields;
    int count = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        const std::size_t end = comma == std::string_view::npos ? line.size() : comma;
        if (count < RECORD_FIELDS) fields[count] = line.substr(start, end - start);
        ++count;
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }

    const std::string_view number = fields[0];
    const bool number_ok = all_digits(number) && number.size() <= MAX_DRAW_NUMBER_DIGITS;
    if (number_ok) {
        std::int64_t value = 0;
        for (char c : number) value = value * 10 + (c - '0');
        out.draw_number = value;
    }
    bool time_ok = false;
    if (count >= 2) {
        out.draw_time = fields[1];
        const std::string_view date_part = fields[1].substr(0, fields[1].find(' '));
        out.day = day_of_date_part(date_part);
        time_ok = out.day.has_value();
    }

    if (count != RECORD_FIELDS) {
        RowProblem p = row_problem(RowRule::field_count);
        p.field_count = count;
        out.problems.push_back(std::move(p));
        return;
    }
    if (!number_ok) out.problems.push_back(field_problem(RowRule::draw_number, 1, number));
    if (!time_ok) out.problems.push_back(field_problem(RowRule::draw_time, 2, fields[1]));
    if (drawn_number(fields[2]) == 0) {
        out.problems.push_back(field_problem(RowRule::number_range, 3, fields[2]));
    }
    // The field (from 1) where each number was first seen among fields 4 to 23.
    std::array<int, HIGHEST_NUMBER + 1> seen_in{};
    for (int i = 0; i < DRAWN_NUMBERS; ++i) {
        const int field = FIRST_DRAWN_FIELD + i;
        const std::string_view text = fields[field - 1];
        const int value = drawn_number(text);
        if (value == 0) {
            out.problems.push_back(field_problem(RowRule::number_range, field, text));
            continue;
        }
        if (seen_in[value] != 0) {
            RowProblem p = field_problem(RowRule::repeated_number, field, text);
            p.other_field = seen_in[value];
            out.problems.push_back(std::move(p));
            continue;
        }
        seen_in[value] = field;
        out.numbers[i] = static_cast<std::uint8_t>(value);
    }
}

RowCheck check_row(std::string_view line) {
    RowChecker checker;
    RowCheck out;
    checker.check(line, out);
    return out;
}

}  // namespace kl8
