#include "quality/frequency_chart.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/quality/quality_fixtures.h"

namespace kl8 {
namespace {

const std::string TIME_1 = "2024-01-05 09:05";

int day_number(int y, int m, int d) {
    return static_cast<int>(std::floor(make_datetime(y, m, d).value));
}

NumberFrequency count_file(const std::string& text, std::optional<int> from = {},
                           std::optional<int> to = {}) {
    test::TempDir dir;
    FrequencyCounter counter(from, to);
    const ReadResult read = read_record_lines(test::write_file(dir / "record.txt", text),
                                              [&](const RecordLine& l) { counter.add_line(l); });
    EXPECT_EQ(read.outcome, ReadOutcome::ok);
    return counter.result();
}

// A hand-made file: three draws whose numbers are easy to count by eye.
//   draw 1 (2024-01-05): 1 to 20
//   draw 2 (2024-01-05): 1 to 10 and 71 to 80
//   draw 3 (2024-01-06): 1 to 10 and 61 to 70
// So 1 to 10 were drawn 3 times, 11 to 20 once, 61 to 70 once, 71 to 80 once, the rest never.
const std::string HAND_MADE =
    "1,2024-01-05 09:05,33,01,02,03,04,05,06,07,08,09,10,11,12,13,14,15,16,17,18,19,20\r\n"
    "2,2024-01-05 09:10,44,01,02,03,04,05,06,07,08,09,10,71,72,73,74,75,76,77,78,79,80\r\n"
    "3,2024-01-06 09:05,55,1,2,3,4,5,6,7,8,9,10,61,62,63,64,65,66,67,68,69,70\r\n";

std::array<std::int64_t, 81> hand_made_counts() {
    std::array<std::int64_t, 81> c{};
    for (int n = 1; n <= 10; ++n) c[n] = 3;
    for (int n = 11; n <= 20; ++n) c[n] = 1;
    for (int n = 61; n <= 80; ++n) c[n] = 1;
    return c;
}

TEST(FrequencyChartTest, CountsOfAHandMadeFile) {
    const NumberFrequency f = count_file(HAND_MADE);
    EXPECT_EQ(f.counts, hand_made_counts());
    EXPECT_EQ(f.draws, 3);
    EXPECT_DOUBLE_EQ(f.expected(), 0.75);
    EXPECT_EQ(f.most_frequent(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    std::vector<int> never;
    for (int n = 21; n <= 60; ++n) never.push_back(n);
    EXPECT_EQ(f.least_frequent(), never);
    EXPECT_EQ(f.first_day, day_number(2024, 1, 5));
    EXPECT_EQ(f.last_day, day_number(2024, 1, 6));
}

TEST(FrequencyChartTest, WhatIsCounted) {
    struct Case {
        std::string text;
        std::optional<int> from;
        std::optional<int> to;
        std::int64_t draws;
        std::int64_t count_of_1;
        std::int64_t count_of_80;
        const char* why;
    };
    const int jan5 = day_number(2024, 1, 5);
    const int jan6 = day_number(2024, 1, 6);
    const std::string broken =
        "4,2024-01-05 09:15,55,01,02,03,04,05,06,07,08,09,10,71,72,73,74,75,76,77,78,79,81\r\n";
    const Case cases[] = {
        {HAND_MADE, {}, {}, 3, 3, 1, "all"},
        {HAND_MADE, jan6, {}, 1, 1, 0, "from a day on"},
        {HAND_MADE, {}, jan5, 2, 2, 1, "up to a day, inclusive"},
        {HAND_MADE, jan5, jan5, 2, 2, 1, "one day"},
        {HAND_MADE, day_number(2024, 1, 7), {}, 0, 0, 0, "after the last day"},
        {HAND_MADE + broken, {}, {}, 3, 3, 1, "a line breaking a rule is not counted"},
        {HAND_MADE + HAND_MADE.substr(0, HAND_MADE.find('\n') + 1),
         {},
         {},
         3,
         3,
         1,
         "a draw number seen again is counted once"},
        {"", {}, {}, 0, 0, 0, "an empty file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const NumberFrequency f = count_file(c.text, c.from, c.to);
        EXPECT_EQ(f.draws, c.draws);
        EXPECT_EQ(f.counts[1], c.count_of_1);
        EXPECT_EQ(f.counts[80], c.count_of_80);
    }
}

TEST(FrequencyChartTest, ADuplicateKeepsItsFirstLine) {
    // Draw 1 written twice with different numbers: the first line counts.
    const std::string second =
        "1,2024-01-05 09:05,33,61,62,63,64,65,66,67,68,69,70,71,72,73,74,75,76,77,78,79,80\r\n";
    const NumberFrequency f = count_file(HAND_MADE.substr(0, HAND_MADE.find('\n') + 1) + second);
    EXPECT_EQ(f.draws, 1);
    EXPECT_EQ(f.duplicate_lines, 1);
    EXPECT_EQ(f.counts[1], 1);
    EXPECT_EQ(f.counts[61], 0);
}

TEST(FrequencyChartTest, TheSvgShowsEveryCountAndMarksTheExtremes) {
    const NumberFrequency f = count_file(HAND_MADE);
    const std::string svg = render_frequency_svg(f, {"2024-01-05 to 2024-01-06"});
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("</svg>"), std::string::npos);
    const auto counts = hand_made_counts();
    for (int n = 1; n <= 80; ++n) {
        const std::string title =
            "<title>" + std::to_string(n) + ": " + std::to_string(counts[n]) + "</title>";
        EXPECT_NE(svg.find(title), std::string::npos) << title;
    }
    EXPECT_NE(svg.find("2024-01-05 to 2024-01-06: 3 draws, each number expected 0.8 times"),
              std::string::npos);
    EXPECT_NE(svg.find("Most frequent: 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 (3 times)"),
              std::string::npos);
    EXPECT_NE(svg.find("stroke-dasharray"), std::string::npos);  // the expected line
    // Ten bars in the colour of the most frequent, forty in that of the least.
    auto occurrences = [&](const std::string& s) {
        int n = 0;
        for (std::size_t at = svg.find(s); at != std::string::npos; at = svg.find(s, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(occurrences("fill=\"#d62728\"><title>"), 10);
    EXPECT_EQ(occurrences("fill=\"#2ca02c\"><title>"), 40);
}

TEST(FrequencyChartTest, AxisStartsAtZeroUnlessTheBarsAllStandHigh) {
    struct Case {
        std::int64_t low;
        std::int64_t high;
        bool from_zero;
        const char* why;
    };
    const Case cases[] = {
        {0, 3, true, "some number never drawn"},
        {240, 260, false, "a long history: the bars differ by a few percent"},
        {100, 100, false, "all equal"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        NumberFrequency f;
        for (int n = 1; n <= 80; ++n) f.counts[n] = n % 2 ? c.low : c.high;
        f.draws = (c.low + c.high) * 2;
        const std::string svg = render_frequency_svg(f, {});
        EXPECT_EQ(svg.find("the y axis starts at") == std::string::npos, c.from_zero);
        // No bar may reach below the axis or above the plot.
        EXPECT_EQ(svg.find("height=\"-"), std::string::npos);
    }
}

TEST(FrequencyChartTest, NoDrawsStillMakesAChart) {
    const std::string svg = render_frequency_svg(NumberFrequency{}, {"from 2030-01-01"});
    EXPECT_NE(svg.find("No draws in this range."), std::string::npos);
    EXPECT_NE(svg.find("</svg>"), std::string::npos);
}

}  // namespace
}  // namespace kl8
