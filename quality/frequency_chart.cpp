#include "quality/frequency_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "quality/report_text.h"

namespace kl8 {
namespace {

constexpr int WIDTH = 1280;
constexpr int HEIGHT = 600;
constexpr double LEFT = 80;
constexpr double RIGHT = 30;
constexpr double TOP = 110;
constexpr double BOTTOM = 60;
constexpr const char* BAR_COLOUR = "#8fb3d9";
constexpr const char* MOST_COLOUR = "#d62728";
constexpr const char* LEAST_COLOUR = "#2ca02c";
constexpr const char* EXPECTED_COLOUR = "#222222";

// 1, 2 or 5 times a power of ten, at least raw.
double round_step(double raw) {
    if (!(raw > 0)) return 1;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 5.0, 10.0}) {
        if (f * power >= raw) return std::max(1.0, f * power);
    }
    return std::max(1.0, 10 * power);
}

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    std::string s = buf;
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
    return s;
}

std::string xml_escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string number_list(const std::vector<int>& numbers) {
    std::string out;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        out += (i ? ", " : "") + std::to_string(numbers[i]);
    }
    return out;
}

}  // namespace

double NumberFrequency::expected() const {
    return static_cast<double>(draws) * DRAWN_NUMBERS / HIGHEST_NUMBER;
}

std::vector<int> NumberFrequency::most_frequent() const {
    const auto top = *std::max_element(counts.begin() + 1, counts.end());
    const auto low = *std::min_element(counts.begin() + 1, counts.end());
    std::vector<int> out;
    if (top == low) return out;
    for (int n = LOWEST_NUMBER; n <= HIGHEST_NUMBER; ++n) {
        if (counts[n] == top) out.push_back(n);
    }
    return out;
}

std::vector<int> NumberFrequency::least_frequent() const {
    const auto top = *std::max_element(counts.begin() + 1, counts.end());
    const auto low = *std::min_element(counts.begin() + 1, counts.end());
    std::vector<int> out;
    if (top == low) return out;
    for (int n = LOWEST_NUMBER; n <= HIGHEST_NUMBER; ++n) {
        if (counts[n] == low) out.push_back(n);
    }
    return out;
}

void FrequencyCounter::add_line(const RecordLine& line) {
    rows_.check(line.content, row_);
    if (!row_.ok() || line.cut) return;
    const int day = *row_.day;
    if ((from_day_ && day < *from_day_) || (to_day_ && day > *to_day_)) return;
    Drawn d{*row_.draw_number, 0, 0, day};
    for (std::uint8_t n : row_.numbers) {
        if (n <= 64) {
            d.low |= std::uint64_t{1} << (n - 1);
        } else {
            d.high = static_cast<std::uint16_t>(d.high | (1u << (n - 65)));
        }
    }
    drawn_.push_back(d);
}

NumberFrequency FrequencyCounter::result() {
    // Stable, so that of the lines with one draw number the first in the file is kept.
    std::stable_sort(drawn_.begin(), drawn_.end(),
                     [](const Drawn& a, const Drawn& b) { return a.number < b.number; });
    NumberFrequency f;
    for (std::size_t i = 0; i < drawn_.size(); ++i) {
        const Drawn& d = drawn_[i];
        if (i > 0 && drawn_[i - 1].number == d.number) {
            ++f.duplicate_lines;
            continue;
        }
        ++f.draws;
        for (int n = 1; n <= 64; ++n) f.counts[n] += (d.low >> (n - 1)) & 1;
        for (int n = 65; n <= HIGHEST_NUMBER; ++n) f.counts[n] += (d.high >> (n - 65)) & 1;
        if (!f.first_day || d.day < *f.first_day) f.first_day = d.day;
        if (!f.last_day || d.day > *f.last_day) f.last_day = d.day;
    }
    drawn_.clear();
    drawn_.shrink_to_fit();
    return f;
}

std::string render_frequency_svg(const NumberFrequency& f, const ChartLabels& labels) {
    const auto& c = f.counts;
    const double top = static_cast<double>(*std::max_element(c.begin() + 1, c.end()));
    const double low = static_cast<double>(*std::min_element(c.begin() + 1, c.end()));
    const double expected = f.expected();

    // The axis: from 0, or from a round value below the lowest bar when the bars all stand
    // high, so that their differences show.
    const double data_high = std::max({top, expected, 1.0});
    const double data_low = std::min(low, expected);
    double axis_low = 0;
    if (data_low > data_high / 2) {
        axis_low = std::max(0.0, data_low - (data_high - data_low) * 0.5);
    }
    double step = round_step((data_high - axis_low) / 6);
    axis_low = std::floor(axis_low / step) * step;
    step = round_step((data_high - axis_low) / 6);
    axis_low = std::floor(axis_low / step) * step;
    double axis_high = axis_low + step * std::ceil((data_high - axis_low) * 1.06 / step);
    if (axis_high <= axis_low) axis_high = axis_low + step;

    const double plot_w = WIDTH - LEFT - RIGHT;
    const double plot_h = HEIGHT - TOP - BOTTOM;
    const double base_y = TOP + plot_h;
    auto y_of = [&](double v) {
        return base_y -
               (std::clamp(v, axis_low, axis_high) - axis_low) / (axis_high - axis_low) * plot_h;
    };
    const double slot = plot_w / HIGHEST_NUMBER;
    const double bar_w = slot * 0.72;

    const std::vector<int> most = f.most_frequent();
    const std::vector<int> least = f.least_frequent();
    auto is_in = [](const std::vector<int>& v, int n) {
        return std::find(v.begin(), v.end(), n) != v.end();
    };

    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << WIDTH << "\" height=\"" << HEIGHT
        << "\" viewBox=\"0 0 " << WIDTH << " " << HEIGHT
        << "\" font-family=\"DejaVu Sans, Arial, sans-serif\">\n"
        << "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";

    svg << "<text x=\"" << LEFT << "\" y=\"32\" font-size=\"20\" font-weight=\"bold\">"
        << "How often each number 1 to 80 was drawn</text>\n";
    std::string subtitle = labels.range.empty() ? std::string() : labels.range + ": ";
    subtitle += std::to_string(f.draws) + (f.draws == 1 ? " draw" : " draws") +
                ", each number expected " + num(expected) + " times";
    if (axis_low > 0) subtitle += "; the y axis starts at " + num(axis_low);
    svg << "<text x=\"" << LEFT << "\" y=\"56\" font-size=\"13\" fill=\"#444\">"
        << xml_escape(subtitle) << "</text>\n";
    std::string marks;
    if (f.draws == 0) {
        marks = "No draws in this range.";
    } else if (most.empty()) {
        marks = "Every number was drawn " + std::to_string(c[1]) + " times.";
    } else {
        marks = "Most frequent: " + number_list(most) + " (" + num(top) +
                " times); least: " + number_list(least) + " (" + num(low) + " times)";
    }
    svg << "<text x=\"" << LEFT << "\" y=\"78\" font-size=\"13\" fill=\"#444\">"
        << xml_escape(marks) << "</text>\n";

    // Legend, top right.
    const double lx = WIDTH - RIGHT - 360;
    svg << "<g font-size=\"12\">\n"
        << "<rect x=\"" << lx << "\" y=\"86\" width=\"12\" height=\"12\" fill=\"" << MOST_COLOUR
        << "\"/><text x=\"" << lx + 16 << "\" y=\"97\">most frequent</text>\n"
        << "<rect x=\"" << lx + 115 << "\" y=\"86\" width=\"12\" height=\"12\" fill=\""
        << LEAST_COLOUR << "\"/><text x=\"" << lx + 131 << "\" y=\"97\">least frequent</text>\n"
        << "<line x1=\"" << lx + 235 << "\" y1=\"92\" x2=\"" << lx + 265 << "\" y2=\"92\" stroke=\""
        << EXPECTED_COLOUR << "\" stroke-width=\"2\" stroke-dasharray=\"6 4\"/><text x=\""
        << lx + 270 << "\" y=\"97\">expected</text>\n"
        << "</g>\n";

    // Grid and y labels.
    svg << "<g font-size=\"11\" fill=\"#555\" text-anchor=\"end\">\n";
    for (double v = axis_low; v <= axis_high + step / 2; v += step) {
        const double y = y_of(v);
        svg << "<line x1=\"" << LEFT << "\" y1=\"" << num(y) << "\" x2=\"" << WIDTH - RIGHT
            << "\" y2=\"" << num(y) << "\" stroke=\"#e3e3e3\"/>"
            << "<text x=\"" << LEFT - 6 << "\" y=\"" << num(y + 4) << "\">" << num(v)
            << "</text>\n";
    }
    svg << "</g>\n";

    // Bars, then the counts over the marked ones, so that no bar covers a count.
    svg << "<g>\n";
    for (int n = LOWEST_NUMBER; n <= HIGHEST_NUMBER; ++n) {
        const double x = LEFT + (n - 1) * slot + (slot - bar_w) / 2;
        const double y = y_of(static_cast<double>(c[n]));
        const char* colour = is_in(most, n)    ? MOST_COLOUR
                             : is_in(least, n) ? LEAST_COLOUR
                                               : BAR_COLOUR;
        svg << "<rect x=\"" << num(x) << "\" y=\"" << num(y) << "\" width=\"" << num(bar_w)
            << "\" height=\"" << num(base_y - y) << "\" fill=\"" << colour << "\"><title>" << n
            << ": " << c[n] << "</title></rect>\n";
    }
    svg << "</g>\n";
    svg << "<g font-size=\"10\" text-anchor=\"middle\" stroke=\"#ffffff\" stroke-width=\"3\" "
        << "paint-order=\"stroke\">\n";
    for (int n = LOWEST_NUMBER; n <= HIGHEST_NUMBER; ++n) {
        const bool is_most = is_in(most, n);
        if (!is_most && !is_in(least, n)) continue;
        const double x = LEFT + (n - 1) * slot + slot / 2;
        const double y = y_of(static_cast<double>(c[n]));
        svg << "<text x=\"" << num(x) << "\" y=\"" << num(y - 4) << "\" fill=\""
            << (is_most ? MOST_COLOUR : LEAST_COLOUR) << "\">" << c[n] << "</text>\n";
    }
    svg << "</g>\n";

    // Expected line.
    if (f.draws > 0) {
        const double y = y_of(expected);
        svg << "<line x1=\"" << LEFT << "\" y1=\"" << num(y) << "\" x2=\"" << WIDTH - RIGHT
            << "\" y2=\"" << num(y) << "\" stroke=\"" << EXPECTED_COLOUR
            << "\" stroke-width=\"1.5\" stroke-dasharray=\"6 4\"/>\n";
    }

    // Axes and number labels.
    svg << "<line x1=\"" << LEFT << "\" y1=\"" << num(base_y) << "\" x2=\"" << WIDTH - RIGHT
        << "\" y2=\"" << num(base_y) << "\" stroke=\"#333\"/>\n"
        << "<line x1=\"" << LEFT << "\" y1=\"" << TOP << "\" x2=\"" << LEFT << "\" y2=\""
        << num(base_y) << "\" stroke=\"#333\"/>\n";
    svg << "<g font-size=\"9\" fill=\"#333\" text-anchor=\"middle\">\n";
    for (int n = LOWEST_NUMBER; n <= HIGHEST_NUMBER; ++n) {
        const double x = LEFT + (n - 1) * slot + slot / 2;
        svg << "<text x=\"" << num(x) << "\" y=\"" << num(base_y + 14) << "\">" << n << "</text>\n";
    }
    svg << "</g>\n";
    svg << "<text x=\"" << LEFT + plot_w / 2 << "\" y=\"" << HEIGHT - 18
        << "\" font-size=\"12\" text-anchor=\"middle\" fill=\"#333\">number</text>\n"
        << "<text x=\"18\" y=\"" << TOP + plot_h / 2 << "\" font-size=\"12\" fill=\"#333\" "
        << "text-anchor=\"middle\" transform=\"rotate(-90 18 " << TOP + plot_h / 2
        << ")\">times drawn</text>\n";
    svg << "</svg>\n";
    return svg.str();
}

}  // namespace kl8
