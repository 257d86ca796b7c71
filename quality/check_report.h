#pragma once
// The check report in two forms: UTF-8 text for people and one JSON object for machines. Both
// carry the same facts; texts from the file pass through display_bytes (quality/report_text.h).
//
// JSON object (days as "YYYY-MM-DD", null where there is nothing to say):
//   file, lines, good_rows,
//   days {first, last, covered, with_draws} | null,
//   first_draw, last_draw {number, time, line} | null,
//   rule_breaks {count, lines, listed: [{line, rule, message, field?, other_field?,
//                                        field_count?, value?}]},
//   duplicates {numbers, extra_lines, ranges, listed: [{first, last, times, lines: [...]}]},
//   gaps {count, missing_numbers, listed: [{first, last, missing, day_before, day_after}]},
//   missing_days {ranges, days, listed: [{first, last, days}]},
//   short_days {count, listed: [{day, draws, usual}]},
//   no_draws, problems, ok.
// "listed" arrays hold at most MAX_LISTED entries; the counts beside them cover all.

#include <string>

#include "quality/record_check.h"

namespace kl8 {

// What the problem says about its line, such as "field 7 is not a number from 1 to 80".
std::string rule_break_message(const RowProblem& problem);

// file_label: the file's name as given, in UTF-8.
std::string format_check_text(const CheckReport& report, const std::string& file_label);
std::string format_check_json(const CheckReport& report, const std::string& file_label);

}  // namespace kl8
