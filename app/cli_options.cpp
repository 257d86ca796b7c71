#include "app/cli_options.h"

#include <charconv>

#include "foundation/codepage.h"

namespace kl8 {
namespace {

std::optional<DateTime> parse_day(const std::string& utf8) {
    DateTime day = parse_datetime(utf8_to_text(utf8));
    if (day == DATETIME_MIN) return std::nullopt;
    return day;
}

std::optional<long> parse_millis(const std::string& text) {
    long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value > 86400000)
        return std::nullopt;
    return value;
}

}  // namespace

ParsedExport parse_export_args(const std::vector<std::string>& args, DateTime now) {
    ParsedExport result;
    ExportOptions options;
    bool have_from = false;
    auto fail = [&](std::string message) {
        result.error = std::move(message);
        return result;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        bool known = name == "--from" || name == "--to" || name == "--site" || name == "--out" ||
                     name == "--retry-delay" || name == "--timeout";
        if (!known) return fail("unknown option '" + name + "'");
        if (i + 1 >= args.size()) return fail("option " + name + " needs a value");
        const std::string& value = args[++i];
        if (name == "--from" || name == "--to") {
            std::optional<DateTime> day = parse_day(value);
            if (!day) return fail("bad date for " + name + ": '" + value + "' is not a valid day");
            if (name == "--from") {
                options.from = *day;
                have_from = true;
            } else {
                options.to = *day;
            }
        } else if (name == "--site") {
            if (value.empty()) return fail("--site needs a host, such as 127.0.0.1:8543");
            options.site = value;
        } else if (name == "--out") {
            if (value.empty()) return fail("--out needs a file name");
            options.out = value;
        } else {
            std::optional<long> millis = parse_millis(value);
            if (!millis) return fail("bad value for " + name + ": '" + value + "' is not a count of milliseconds");
            (name == "--timeout" ? options.timeout : options.retry_delay) =
                std::chrono::milliseconds(*millis);
        }
    }
    if (!have_from) return fail("--from DAY is required (for example --from 2010-09-03)");
    DateTime last = options.to.value_or(add_days(date_only(now), 1));
    if (days_from_to(options.from, last) < 0) {
        return fail("--from " + text_to_utf8(format_ymd(options.from)) + " is after " +
                    (options.to ? "--to " : "tomorrow, ") + text_to_utf8(format_ymd(last)));
    }
    result.options = options;
    return result;
}

}  // namespace kl8
