#include "quality/check_command.h"

#include <cmath>
#include <fstream>
#include <optional>

#include "foundation/codepage.h"
#include "foundation/datetime.h"
#include "quality/check_report.h"
#include "quality/frequency_chart.h"
#include "quality/record_check.h"
#include "quality/report_text.h"

namespace kl8 {
namespace {

constexpr int EXIT_CLEAN = 0;
constexpr int EXIT_PROBLEMS = 1;
constexpr int EXIT_FAILED = 2;

constexpr const char* CHECK_USAGE = "usage: kl8-export check [FILE] [--json]\n";
constexpr const char* CHART_USAGE =
    "usage: kl8-export chart [FILE] --out FILE.svg [--from DAY] [--to DAY]\n";

bool is_option(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

std::string read_failure(const std::filesystem::path& file, const ReadResult& read) {
    return "cannot read " + valid_utf8(file.string()) + ": " + read.message + "\n";
}

std::optional<int> parse_day(const std::string& utf8) {
    const DateTime dt = parse_datetime(utf8_to_text(utf8));
    if (dt == DATETIME_MIN) return std::nullopt;
    return static_cast<int>(std::floor(dt.value));
}

}  // namespace

int run_check_command(const std::vector<std::string>& args,
                      const std::filesystem::path& default_file, std::ostream& out,
                      std::ostream& err) {
    bool json = false;
    std::optional<std::filesystem::path> file;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            json = true;
        } else if (arg == "--help" || arg == "-h") {
            out << CHECK_USAGE;
            return EXIT_CLEAN;
        } else if (is_option(arg)) {
            err << "kl8-export check: unknown option " << valid_utf8(arg) << "\n" << CHECK_USAGE;
            return EXIT_FAILED;
        } else if (file) {
            err << "kl8-export check: more than one file given\n" << CHECK_USAGE;
            return EXIT_FAILED;
        } else {
            file = arg;
        }
    }
    const std::filesystem::path path = file.value_or(default_file);
    const CheckResult result = check_record_file(path);
    if (result.read.outcome != ReadOutcome::ok) {
        err << "kl8-export check: " << read_failure(path, result.read);
        return EXIT_FAILED;
    }
    const std::string label = path.string();
    out << (json ? format_check_json(result.report, label)
                 : format_check_text(result.report, label));
    return result.report.problem_count() == 0 ? EXIT_CLEAN : EXIT_PROBLEMS;
}

int run_chart_command(const std::vector<std::string>& args,
                      const std::filesystem::path& default_file, std::ostream& out,
                      std::ostream& err) {
    std::optional<std::filesystem::path> file;
    std::optional<std::string> out_file;
    std::optional<std::string> from_text;
    std::optional<std::string> to_text;
    auto fail = [&](const std::string& why) {
        err << "kl8-export chart: " << valid_utf8(why) << "\n" << CHART_USAGE;
        return EXIT_FAILED;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out << CHART_USAGE;
            return EXIT_CLEAN;
        }
        std::optional<std::string>* target = nullptr;
        std::string name = arg;
        std::optional<std::string> value;
        if (const std::size_t eq = arg.find('='); is_option(arg) && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        if (name == "--out") {
            target = &out_file;
        } else if (name == "--from") {
            target = &from_text;
        } else if (name == "--to") {
            target = &to_text;
        } else if (is_option(arg)) {
            return fail("unknown option " + arg);
        } else if (file) {
            return fail("more than one file given");
        } else {
            file = arg;
            continue;
        }
        if (!value) {
            if (i + 1 >= args.size()) return fail(name + " needs a value");
            value = args[++i];
        }
        if (target->has_value()) return fail(name + " given twice");
        *target = *value;
    }
    if (!out_file || out_file->empty()) return fail("--out FILE.svg is missing");
    std::optional<int> from_day;
    std::optional<int> to_day;
    if (from_text && !(from_day = parse_day(*from_text))) {
        return fail("--from " + *from_text + " is not a day");
    }
    if (to_text && !(to_day = parse_day(*to_text))) {
        return fail("--to " + *to_text + " is not a day");
    }
    if (from_day && to_day && *from_day > *to_day) return fail("--from is after --to");

    const std::filesystem::path path = file.value_or(default_file);
    FrequencyCounter counter(from_day, to_day);
    const ReadResult read =
        read_record_lines(path, [&](const RecordLine& line) { counter.add_line(line); });
    if (read.outcome != ReadOutcome::ok) {
        err << "kl8-export chart: " << read_failure(path, read);
        return EXIT_FAILED;
    }
    const NumberFrequency frequency = counter.result();

    const std::optional<int> first = from_day ? from_day : frequency.first_day;
    const std::optional<int> last = to_day ? to_day : frequency.last_day;
    ChartLabels labels;
    if (first && last) {
        labels.range = iso_day(*first) + " to " + iso_day(*last);
    } else if (first) {
        labels.range = "from " + iso_day(*first);
    } else if (last) {
        labels.range = "up to " + iso_day(*last);
    }
    const std::string svg = render_frequency_svg(frequency, labels);

    {
        std::ofstream chart(std::filesystem::path(*out_file), std::ios::binary | std::ios::trunc);
        chart.write(svg.data(), static_cast<std::streamsize>(svg.size()));
        chart.close();
        if (!chart) {
            err << "kl8-export chart: cannot write " << valid_utf8(*out_file) << "\n";
            return EXIT_FAILED;
        }
    }

    out << "Chart of " << frequency.draws << (frequency.draws == 1 ? " draw" : " draws");
    if (!labels.range.empty()) out << ", " << labels.range;
    out << ", written to " << valid_utf8(*out_file) << "\n";
    if (frequency.duplicate_lines > 0) {
        out << frequency.duplicate_lines
            << " lines with a draw number already counted were left out\n";
    }
    const std::vector<int> most = frequency.most_frequent();
    const std::vector<int> least = frequency.least_frequent();
    auto list = [&](const std::vector<int>& numbers) {
        std::string s;
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            s += (i ? ", " : "") + std::to_string(numbers[i]);
        }
        return s;
    };
    if (!most.empty()) {
        out << "Most frequent: " << list(most) << " (" << frequency.counts[most.front()]
            << " times); least: " << list(least) << " (" << frequency.counts[least.front()]
            << " times); expected " << frequency.expected() << "\n";
    }
    return EXIT_CLEAN;
}

}  // namespace kl8
