#include "tools/drawsite/fault_plan.h"

#include <array>
#include <cmath>
#include <nlohmann/json.hpp>
#include <utility>

namespace kl8 {
namespace {

constexpr std::pair<std::string_view, FaultMode> MODE_NAMES[] = {
    {"status", FaultMode::status},
    {"fail_first", FaultMode::fail_first},
    {"empty", FaultMode::empty},
    {"close", FaultMode::close},
    {"delay", FaultMode::delay},
    {"crlf", FaultMode::crlf},
    {"extra_space", FaultMode::extra_space},
    {"zero_byte", FaultMode::zero_byte},
    {"upper_case", FaultMode::upper_case},
    {"comma", FaultMode::comma},
    {"redirect", FaultMode::redirect},
    {"redirect_loop", FaultMode::redirect_loop},
    {"set_cookie", FaultMode::set_cookie},
    {"big_headers", FaultMode::big_headers},
    {"big_cookie", FaultMode::big_cookie},
    {"stall", FaultMode::stall},
    {"dribble", FaultMode::dribble},
    {"truncated", FaultMode::truncated},
    {"huge_page", FaultMode::huge_page},
    {"malformed_status", FaultMode::malformed_status},
    {"spans_line", FaultMode::spans_line},
};

bool is_leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(int y, int m) {
    constexpr std::array<int, 12> DAYS = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && is_leap(y) ? 29 : DAYS[m - 1];
}

// Reads 1 to 9 digits at `at`; the value, or -1 when there is no digit or too many.
long read_number(std::string_view text, std::size_t& at) {
    long value = 0;
    std::size_t digits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (++digits > 9) return -1;
        value = value * 10 + (text[at] - '0');
        ++at;
    }
    return digits == 0 ? -1 : value;
}

// Reads an integer field when present; false (with error set) when it is not an integer.
bool read_int(const nlohmann::json& obj, const char* name, int& out, std::string& error) {
    auto it = obj.find(name);
    if (it == obj.end()) return true;
    if (!it->is_number_integer()) {
        error = std::string("\"") + name + "\" must be an integer";
        return false;
    }
    out = it->get<int>();
    return true;
}

}  // namespace

std::optional<DateTime> parse_day_text(std::string_view text) {
    std::size_t at = 0;
    long parts[3];
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (at >= text.size() || (text[at] != '/' && text[at] != '-')) return std::nullopt;
            ++at;
        }
        parts[i] = read_number(text, at);
        if (parts[i] < 0) return std::nullopt;
    }
    if (at != text.size()) return std::nullopt;
    const long y = parts[0], m = parts[1], d = parts[2];
    if (y < 100 || y > 9999 || m < 1 || m > 12) return std::nullopt;
    if (d < 1 || d > days_in_month(static_cast<int>(y), static_cast<int>(m))) return std::nullopt;
    return make_datetime(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d));
}

const Fault* FaultPlan::find(DateTime day) const {
    auto it = by_day.find(static_cast<int>(std::trunc(day.value)));
    return it == by_day.end() ? nullptr : &it->second;
}

FaultPlanResult parse_fault_plan(std::string_view json_text) {
    FaultPlanResult result;
    const nlohmann::json doc = nlohmann::json::parse(json_text, nullptr, false);
    if (doc.is_discarded()) {
        result.error = "not valid JSON";
        return result;
    }
    if (!doc.is_object()) {
        result.error = "the fault plan must be a JSON object of day texts";
        return result;
    }
    FaultPlan plan;
    for (const auto& [key, value] : doc.items()) {
        const auto fail = [&](const std::string& why) {
            result.error = "\"" + key + "\": " + why;
            return result;
        };
        const std::optional<DateTime> day = parse_day_text(key);
        if (!day) return fail("not a day text");
        const int serial = static_cast<int>(std::trunc(day->value));
        if (plan.by_day.count(serial) != 0) return fail("the same day as another key");
        if (!value.is_object()) return fail("must be an object with a \"mode\"");
        auto mode_it = value.find("mode");
        if (mode_it == value.end() || !mode_it->is_string()) return fail("needs a \"mode\" text");
        const std::string mode_name = mode_it->get<std::string>();
        Fault fault;
        bool known = false;
        for (const auto& [name, mode] : MODE_NAMES) {
            if (name == mode_name) {
                fault.mode = mode;
                known = true;
            }
        }
        if (!known) return fail("unknown mode \"" + mode_name + "\"");
        std::string error;
        int bytes = -1;
        if (!read_int(value, "status", fault.status, error) ||
            !read_int(value, "retry_after", fault.retry_after, error) ||
            !read_int(value, "count", fault.count, error) ||
            !read_int(value, "ms", fault.ms, error) || !read_int(value, "row", fault.row, error) ||
            !read_int(value, "mb", fault.mb, error) || !read_int(value, "bytes", bytes, error)) {
            return fail(error);
        }
        fault.bytes = bytes;
        if (fault.status != 0 && (fault.status < 100 || fault.status > 999)) {
            return fail("\"status\" must be from 100 to 999");
        }
        if (fault.count < 0 || fault.ms < 0 || fault.row < 0 || fault.mb < 0) {
            return fail("numbers must not be negative");
        }
        if (auto it = value.find("location"); it != value.end()) {
            if (!it->is_string()) return fail("\"location\" must be a text");
            fault.location = it->get<std::string>();
        }
        if (auto it = value.find("line"); it != value.end()) {
            if (!it->is_string()) return fail("\"line\" must be a text");
            fault.line = it->get<std::string>();
        }
        if (auto it = value.find("cookies"); it != value.end()) {
            if (!it->is_array()) return fail("\"cookies\" must be a list of texts");
            for (const auto& cookie : *it) {
                if (!cookie.is_string()) return fail("\"cookies\" must be a list of texts");
                fault.cookies.push_back(cookie.get<std::string>());
            }
        }
        // Header values go out as they are: a line break in one would forge further lines.
        for (const std::string& text : fault.cookies) {
            if (text.find_first_of("\r\n") != std::string::npos) {
                return fail("a cookie holds a line break");
            }
        }
        if (fault.location.find_first_of("\r\n") != std::string::npos) {
            return fail("\"location\" holds a line break");
        }
        if (fault.line.find_first_of("\r\n") != std::string::npos) {
            return fail("\"line\" holds a line break");
        }
        plan.by_day[serial] = std::move(fault);
    }
    result.plan = std::move(plan);
    return result;
}

}  // namespace kl8
