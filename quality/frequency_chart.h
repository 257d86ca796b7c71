#pragma once
// How often each number 1 to 80 was drawn, and the SVG bar chart that shows it.
//
// Decisions:
// - Only lines that keep every row rule (quality/row_rules.h) and are not cut are counted; the
//   twenty numbers of fields 4 to 23 are counted, field 3 is not.
// - A draw number on more than one line is counted once, from its first line.
// - The range is by field 2's date, both ends included; a missing end is open.
// - Expected count of each number: draws * 20 / 80.
// - Most and least frequent: every number with the highest (lowest) count; none are marked
//   when all counts are equal.
// - The y axis starts at 0 unless the lowest bar stands above half of the highest; then it
//   starts at a round value below the lowest bar, and the chart says so in its subtitle.
//
// Memory: 24 bytes per counted line until result() is called.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "quality/record_reader.h"
#include "quality/row_rules.h"

namespace kl8 {

struct NumberFrequency {
    std::array<std::int64_t, HIGHEST_NUMBER + 1> counts{};  // counts[n] for n = 1 to 80
    std::int64_t draws = 0;
    std::int64_t duplicate_lines = 0;  // lines skipped as a draw number already counted
    std::optional<int> first_day;      // of the counted draws
    std::optional<int> last_day;

    double expected() const;
    std::vector<int> most_frequent() const;
    std::vector<int> least_frequent() const;
};

class FrequencyCounter {
   public:
    // Days as in quality/row_rules.h.
    FrequencyCounter(std::optional<int> from_day, std::optional<int> to_day)
        : from_day_(from_day), to_day_(to_day) {}
    void add_line(const RecordLine& line);
    NumberFrequency result();

   private:
    struct Drawn {
        std::int64_t number;
        std::uint64_t low;   // bit n - 1 for numbers 1 to 64
        std::uint16_t high;  // bit n - 65 for numbers 65 to 80
        std::int32_t day;
    };
    std::optional<int> from_day_;
    std::optional<int> to_day_;
    RowChecker rows_;
    RowCheck row_;
    std::vector<Drawn> drawn_;
};

struct ChartLabels {
    std::string range;  // such as "2024-01-01 to 2024-06-30"
};

// A complete SVG document (UTF-8).
std::string render_frequency_svg(const NumberFrequency& frequency, const ChartLabels& labels);

}  // namespace kl8
