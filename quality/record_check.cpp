#include "quality/record_check.h"

#include <algorithm>

namespace kl8 {

void RecordChecker::add_problem(std::int64_t line, RowProblem problem) {
    ++report_.rule_break_count;
    if (report_.rule_breaks.size() < MAX_LISTED) {
        report_.rule_breaks.push_back({line, std::move(problem)});
    }
}

void RecordChecker::count_day(int day) {
    // Lines of one day come together, so the last day's entry is nearly always the one.
    if (last_day_ == day_counts_.end() || last_day_->first != day) {
        last_day_ = day_counts_.try_emplace(day, 0).first;
    }
    ++last_day_->second;
}

void RecordChecker::add_line(const RecordLine& line) {
    ++report_.lines;
    rows_.check(line.content, row_);

    const std::int64_t breaks_before = report_.rule_break_count;
    if (line.cut) {
        add_problem(line.number, row_problem(RowRule::line_length));
    }
    for (RowProblem& p : row_.problems) add_problem(line.number, std::move(p));
    if (line.end != LineEnd::crlf) add_problem(line.number, row_problem(RowRule::line_end));
    if (report_.rule_break_count != breaks_before) {
        ++report_.rule_break_lines;
    } else {
        ++report_.good_rows;
    }

    if (row_.day) count_day(*row_.day);
    if (row_.draw_number) {
        const std::int64_t number = *row_.draw_number;
        ++report_.numbered_lines;
        draws_.push_back({number, static_cast<std::uint32_t>(line.number),
                          row_.day ? static_cast<std::int32_t>(*row_.day) : NO_DAY});
        auto point = [&] {
            return DrawPoint{number, std::string(row_.draw_time.substr(0, MAX_VALUE_BYTES)),
                             line.number};
        };
        if (!report_.first_draw || number < report_.first_draw->number) {
            report_.first_draw = point();
        }
        if (!report_.last_draw || number > report_.last_draw->number) report_.last_draw = point();
    }
}

void RecordChecker::find_duplicates_and_gaps() {
    std::sort(draws_.begin(), draws_.end(), [](const DrawEntry& a, const DrawEntry& b) {
        return a.number != b.number ? a.number < b.number : a.line < b.line;
    });
    auto day_of = [](const DrawEntry& e) -> std::optional<int> {
        if (e.day == NO_DAY) return std::nullopt;
        return e.day;
    };
    // The last duplicate range found, which the next number may extend.
    std::optional<std::int64_t> range_last;
    int range_times = 0;
    bool range_listed = false;
    for (std::size_t i = 0; i < draws_.size();) {
        std::size_t j = i + 1;
        while (j < draws_.size() && draws_[j].number == draws_[i].number) ++j;
        const std::int64_t number = draws_[i].number;
        const int times = static_cast<int>(j - i);

        if (times > 1) {
            ++report_.duplicate_numbers;
            report_.duplicate_lines += times - 1;
            // A day holds draws, not lines: the lines after the first of a number do not
            // count for their day, so a day written twice does not make its neighbours short.
            for (std::size_t k = i + 1; k < j; ++k) {
                if (draws_[k].day == NO_DAY) continue;
                const auto day = day_counts_.find(draws_[k].day);
                if (day != day_counts_.end() && --day->second == 0) day_counts_.erase(day);
            }
            if (range_last && *range_last + 1 == number && range_times == times) {
                range_last = number;
                if (range_listed) report_.duplicates.back().last = number;
            } else {
                ++report_.duplicate_range_count;
                range_last = number;
                range_times = times;
                range_listed = report_.duplicates.size() < MAX_LISTED;
                if (range_listed) {
                    DuplicateRange range{number, number, times, {}};
                    for (std::size_t k = i; k < j && range.lines.size() < MAX_LISTED_LINES; ++k) {
                        range.lines.push_back(draws_[k].line);
                    }
                    report_.duplicates.push_back(std::move(range));
                }
            }
        }

        if (j < draws_.size() && draws_[j].number > number + 1) {
            ++report_.gap_count;
            report_.missing_numbers += draws_[j].number - number - 1;
            if (report_.gaps.size() < MAX_LISTED) {
                report_.gaps.push_back(
                    {number + 1, draws_[j].number - 1, day_of(draws_[i]), day_of(draws_[j])});
            }
        }
        i = j;
    }
    draws_.clear();
    draws_.shrink_to_fit();
}

void RecordChecker::find_missing_and_short_days() {
    if (day_counts_.empty()) return;
    report_.first_day = day_counts_.begin()->first;
    report_.last_day = day_counts_.rbegin()->first;
    report_.days_with_draws = static_cast<std::int64_t>(day_counts_.size());

    std::vector<std::pair<int, int>> days(day_counts_.begin(), day_counts_.end());
    for (std::size_t i = 1; i < days.size(); ++i) {
        const int before = days[i - 1].first;
        const int after = days[i].first;
        if (after > before + 1) {
            ++report_.missing_day_range_count;
            report_.missing_days += after - before - 1;
            if (report_.missing_day_ranges.size() < MAX_LISTED) {
                report_.missing_day_ranges.push_back({before + 1, after - 1});
            }
        }
    }

    std::vector<int> neighbours;
    for (std::size_t i = 0; i < days.size(); ++i) {
        neighbours.clear();
        const std::size_t k = SHORT_DAY_NEIGHBOURS;
        for (std::size_t n = i >= k ? i - k : 0; n < std::min(days.size(), i + k + 1); ++n) {
            if (n != i) neighbours.push_back(days[n].second);
        }
        if (neighbours.empty()) continue;
        const auto median = neighbours.begin() + (neighbours.size() - 1) / 2;
        std::nth_element(neighbours.begin(), median, neighbours.end());
        if (days[i].second < *median) {
            ++report_.short_day_count;
            if (report_.short_days.size() < MAX_LISTED) {
                report_.short_days.push_back({days[i].first, days[i].second, *median});
            }
        }
    }
}

CheckReport RecordChecker::finish() {
    find_duplicates_and_gaps();
    find_missing_and_short_days();
    CheckReport out = std::move(report_);
    report_ = {};
    day_counts_.clear();
    last_day_ = day_counts_.end();
    return out;
}

CheckResult check_record_file(const std::filesystem::path& path) {
    RecordChecker checker;
    CheckResult result;
    result.read = read_record_lines(path, [&](const RecordLine& line) { checker.add_line(line); });
    result.report = checker.finish();
    return result;
}

}  // namespace kl8
