#include "quality/check_report.h"

#include <sstream>

#include "quality/report_text.h"

namespace kl8 {
namespace {

bool has_value(const RowProblem& p) {
    return p.rule == RowRule::draw_number || p.rule == RowRule::draw_time ||
           p.rule == RowRule::number_range || p.rule == RowRule::repeated_number;
}

std::string plural(std::int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string number_range_text(std::int64_t first, std::int64_t last) {
    if (first == last) return "draw " + std::to_string(first);
    return "draws " + std::to_string(first) + " to " + std::to_string(last);
}

std::string day_range_text(int first, int last) {
    if (first == last) return iso_day(first);
    return iso_day(first) + " to " + iso_day(last);
}

std::string optional_day_text(const std::optional<int>& day) {
    return day ? iso_day(*day) : std::string("an unknown day");
}

std::string json_day(const std::optional<int>& day) {
    return day ? json_string(iso_day(*day)) : std::string("null");
}

void more_line(std::ostringstream& out, std::int64_t total, std::size_t listed) {
    if (total > static_cast<std::int64_t>(listed)) {
        out << "  ... and " << total - static_cast<std::int64_t>(listed) << " more\n";
    }
}

std::string draw_point_json(const std::optional<DrawPoint>& p) {
    if (!p) return "null";
    return "{\"number\": " + std::to_string(p->number) +
           ", \"time\": " + json_string(display_bytes(p->time)) +
           ", \"line\": " + std::to_string(p->line) + "}";
}

}  // namespace

std::string rule_break_message(const RowProblem& p) {
    const std::string field = "field " + std::to_string(p.field);
    switch (p.rule) {
        case RowRule::field_count:
            return "has " + plural(p.field_count, "field", "fields") + ", not " +
                   std::to_string(RECORD_FIELDS);
        case RowRule::draw_number:
            return field + " is not a draw number (1 to " + std::to_string(MAX_DRAW_NUMBER_DIGITS) +
                   " digits)";
        case RowRule::draw_time:
            return field + " is not a draw time";
        case RowRule::number_range:
            return field + " is not a number from " + std::to_string(LOWEST_NUMBER) + " to " +
                   std::to_string(HIGHEST_NUMBER);
        case RowRule::repeated_number:
            return field + " repeats the number of field " + std::to_string(p.other_field);
        case RowRule::line_end:
            return "does not end in CR LF";
        case RowRule::line_length:
            return "is longer than " + std::to_string(MAX_LINE_BYTES) + " bytes";
    }
    return "breaks a rule";
}

std::string format_check_text(const CheckReport& r, const std::string& file_label) {
    std::ostringstream out;
    out << "Record file: " << valid_utf8(file_label) << "\n";
    out << "Lines: " << r.lines << " (" << r.good_rows << " keep every rule)\n";
    if (r.first_day && r.last_day) {
        out << "Days: " << day_range_text(*r.first_day, *r.last_day) << ", "
            << plural(*r.last_day - *r.first_day + 1, "day", "days") << ", " << r.days_with_draws
            << " with draws\n";
    } else {
        out << "Days: none\n";
    }
    auto draw_line = [&](const char* label, const std::optional<DrawPoint>& p) {
        out << label;
        if (p) {
            out << p->number << ", " << display_bytes(p->time) << " (line " << p->line << ")\n";
        } else {
            out << "none\n";
        }
    };
    draw_line("First draw: ", r.first_draw);
    draw_line("Last draw: ", r.last_draw);
    if (r.no_draws()) out << "The file holds no draws.\n";

    out << "\nRule breaks: ";
    if (r.rule_break_count == 0) {
        out << "none\n";
    } else {
        out << r.rule_break_count << " on " << plural(r.rule_break_lines, "line", "lines") << "\n";
        for (const RuleBreak& b : r.rule_breaks) {
            out << "  line " << b.line << ": " << rule_break_message(b.problem);
            if (has_value(b.problem)) out << ": \"" << display_bytes(b.problem.value) << "\"";
            out << "\n";
        }
        more_line(out, r.rule_break_count, r.rule_breaks.size());
    }

    out << "Duplicate draw numbers: ";
    if (r.duplicate_numbers == 0) {
        out << "none\n";
    } else {
        out << plural(r.duplicate_numbers, "number", "numbers") << ", "
            << plural(r.duplicate_lines, "extra line", "extra lines") << "\n";
        for (const DuplicateRange& d : r.duplicates) {
            out << "  " << number_range_text(d.first, d.last) << ": " << d.times << " times"
                << (d.first == d.last ? "" : " each") << " (";
            if (d.first != d.last) out << "draw " << d.first << " ";
            out << "on lines ";
            for (std::size_t i = 0; i < d.lines.size(); ++i) {
                out << (i ? ", " : "") << d.lines[i];
            }
            if (static_cast<std::size_t>(d.times) > d.lines.size()) out << ", ...";
            out << ")\n";
        }
        more_line(out, r.duplicate_range_count, r.duplicates.size());
    }

    out << "Gaps in draw numbers: ";
    if (r.gap_count == 0) {
        out << "none\n";
    } else {
        out << r.gap_count << ", " << plural(r.missing_numbers, "number", "numbers")
            << " missing\n";
        for (const NumberGap& g : r.gaps) {
            out << "  " << number_range_text(g.first, g.last) << " missing ("
                << g.last - g.first + 1 << "), ";
            if (g.day_before && g.day_before == g.day_after) {
                out << "on " << iso_day(*g.day_before) << "\n";
            } else {
                out << "between " << optional_day_text(g.day_before) << " and "
                    << optional_day_text(g.day_after) << "\n";
            }
        }
        more_line(out, r.gap_count, r.gaps.size());
    }

    out << "Days without draws: ";
    if (r.missing_days == 0) {
        out << "none\n";
    } else {
        out << plural(r.missing_days, "day", "days") << " in "
            << plural(r.missing_day_range_count, "range", "ranges") << "\n";
        for (const DayRange& d : r.missing_day_ranges) {
            out << "  " << day_range_text(d.first, d.last) << " ("
                << plural(d.last - d.first + 1, "day", "days") << ")\n";
        }
        more_line(out, r.missing_day_range_count, r.missing_day_ranges.size());
    }

    out << "Short days: ";
    if (r.short_day_count == 0) {
        out << "none\n";
    } else {
        out << r.short_day_count << "\n";
        for (const ShortDay& d : r.short_days) {
            out << "  " << iso_day(d.day) << ": " << plural(d.draws, "draw", "draws")
                << ", its neighbours usually " << d.usual << "\n";
        }
        more_line(out, r.short_day_count, r.short_days.size());
    }

    const std::int64_t problems = r.problem_count();
    out << "\nResult: "
        << (problems == 0 ? std::string("no problems") : plural(problems, "problem", "problems"))
        << "\n";
    return out.str();
}

std::string format_check_json(const CheckReport& r, const std::string& file_label) {
    std::ostringstream out;
    out << "{\n";
    out << "  \"file\": " << json_string(valid_utf8(file_label)) << ",\n";
    out << "  \"lines\": " << r.lines << ",\n";
    out << "  \"good_rows\": " << r.good_rows << ",\n";
    out << "  \"days\": ";
    if (r.first_day && r.last_day) {
        out << "{\"first\": " << json_day(r.first_day) << ", \"last\": " << json_day(r.last_day)
            << ", \"covered\": " << *r.last_day - *r.first_day + 1
            << ", \"with_draws\": " << r.days_with_draws << "}";
    } else {
        out << "null";
    }
    out << ",\n";
    out << "  \"first_draw\": " << draw_point_json(r.first_draw) << ",\n";
    out << "  \"last_draw\": " << draw_point_json(r.last_draw) << ",\n";

    out << "  \"rule_breaks\": {\"count\": " << r.rule_break_count
        << ", \"lines\": " << r.rule_break_lines << ", \"listed\": [";
    for (std::size_t i = 0; i < r.rule_breaks.size(); ++i) {
        const RuleBreak& b = r.rule_breaks[i];
        out << (i ? ",\n" : "\n") << "    {\"line\": " << b.line
            << ", \"rule\": " << json_string(row_rule_name(b.problem.rule))
            << ", \"message\": " << json_string(rule_break_message(b.problem));
        if (b.problem.field > 0) out << ", \"field\": " << b.problem.field;
        if (b.problem.rule == RowRule::repeated_number) {
            out << ", \"other_field\": " << b.problem.other_field;
        }
        if (b.problem.rule == RowRule::field_count) {
            out << ", \"field_count\": " << b.problem.field_count;
        }
        if (has_value(b.problem))
            out << ", \"value\": " << json_string(display_bytes(b.problem.value));
        out << "}";
    }
    out << (r.rule_breaks.empty() ? "" : "\n  ") << "]},\n";

    out << "  \"duplicates\": {\"numbers\": " << r.duplicate_numbers
        << ", \"extra_lines\": " << r.duplicate_lines << ", \"ranges\": " << r.duplicate_range_count
        << ", \"listed\": [";
    for (std::size_t i = 0; i < r.duplicates.size(); ++i) {
        const DuplicateRange& d = r.duplicates[i];
        out << (i ? ",\n" : "\n") << "    {\"first\": " << d.first << ", \"last\": " << d.last
            << ", \"times\": " << d.times << ", \"lines\": [";
        for (std::size_t k = 0; k < d.lines.size(); ++k) out << (k ? ", " : "") << d.lines[k];
        out << "]}";
    }
    out << (r.duplicates.empty() ? "" : "\n  ") << "]},\n";

    out << "  \"gaps\": {\"count\": " << r.gap_count
        << ", \"missing_numbers\": " << r.missing_numbers << ", \"listed\": [";
    for (std::size_t i = 0; i < r.gaps.size(); ++i) {
        const NumberGap& g = r.gaps[i];
        out << (i ? ",\n" : "\n") << "    {\"first\": " << g.first << ", \"last\": " << g.last
            << ", \"missing\": " << g.last - g.first + 1
            << ", \"day_before\": " << json_day(g.day_before)
            << ", \"day_after\": " << json_day(g.day_after) << "}";
    }
    out << (r.gaps.empty() ? "" : "\n  ") << "]},\n";

    out << "  \"missing_days\": {\"ranges\": " << r.missing_day_range_count
        << ", \"days\": " << r.missing_days << ", \"listed\": [";
    for (std::size_t i = 0; i < r.missing_day_ranges.size(); ++i) {
        const DayRange& d = r.missing_day_ranges[i];
        out << (i ? ",\n" : "\n") << "    {\"first\": " << json_day(d.first)
            << ", \"last\": " << json_day(d.last) << ", \"days\": " << d.last - d.first + 1 << "}";
    }
    out << (r.missing_day_ranges.empty() ? "" : "\n  ") << "]},\n";

    out << "  \"short_days\": {\"count\": " << r.short_day_count << ", \"listed\": [";
    for (std::size_t i = 0; i < r.short_days.size(); ++i) {
        const ShortDay& d = r.short_days[i];
        out << (i ? ",\n" : "\n") << "    {\"day\": " << json_day(d.day)
            << ", \"draws\": " << d.draws << ", \"usual\": " << d.usual << "}";
    }
    out << (r.short_days.empty() ? "" : "\n  ") << "]},\n";

    out << "  \"no_draws\": " << (r.no_draws() ? "true" : "false") << ",\n";
    out << "  \"problems\": " << r.problem_count() << ",\n";
    out << "  \"ok\": " << (r.problem_count() == 0 ? "true" : "false") << "\n";
    out << "}\n";
    return out.str();
}

}  // namespace kl8
