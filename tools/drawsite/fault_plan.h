#pragma once
// Which days the local draw-list site answers badly, and how: read from a JSON object that maps
// day texts to a fault, e.g.
//   {"2024/1/5": {"mode": "status", "status": 500},
//    "2024-01-06": {"mode": "fail_first", "count": 2, "status": 503, "retry_after": 1}}
// Keys are day texts in any form parse_day_text accepts; they are normalised to the date.
// tools/drawsite/README.md lists the modes and their fields.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/datetime.h"

namespace kl8 {

enum class FaultMode {
    status,         // answer `status` (default 500) with an error page; 503 adds Retry-After
    fail_first,     // the first `count` requests for the day answer like `status`, later ones OK
    empty,          // 200 with an empty body
    close,          // close the connection without any answer
    delay,          // wait `ms` milliseconds, then answer normally
    crlf,           // the page with CR LF line ends
    extra_space,    // row `row` (default 1) with one space more
    zero_byte,      // a zero byte after row `row` (default 3)
    upper_case,     // the rows' tags and class names in capitals
    comma,          // field 2 of every row written with a comma
    redirect,       // `status` (default 302) to `location`, default the same query on
                    // REDIRECTED_PREFIX + the draw-list path, which serves the normal page
    redirect_loop,  // `status` (default 302) to the request's own target, every time
    set_cookie,     // the normal page with Set-Cookie lines `cookies`
    big_headers,    // the normal page after a header block of over `bytes` (default 6500) bytes
    big_cookie,     // the normal page with one Set-Cookie of `bytes` (default 102400) bytes
    stall,          // a 200 header block, then nothing until the client goes away
    dribble,        // the normal page, `bytes` (default 1) bytes every `ms` (default 20) ms
    truncated,      // Content-Length of the full page, only `bytes` (default half) sent, close
    huge_page,      // the normal page padded with comments to `mb` (default 16) MiB
    malformed_status,  // the normal page after the status line `line` (default "HTTP/1.1 OK")
    spans_line,     // before the rows, a broken row whose first ball_1 cell holds one line of
                    // `mb` (default 16) MiB of "</span>" and "<span class="ball_1">" pieces
};

struct Fault {
    FaultMode mode = FaultMode::status;
    int status = 0;        // 0: the mode's default
    int retry_after = -1;  // seconds; -1: none, except 1 for a 503
    int count = 1;
    int ms = 0;
    int row = 0;           // 0: the mode's default
    long long bytes = -1;  // -1: the mode's default
    int mb = 16;
    std::string location;
    std::string line;  // malformed_status: the status line, without its CR LF
    std::vector<std::string> cookies;
};

// Day texts of the site's query: year, month and day as decimal digits (leading zeros allowed)
// separated by "/" or "-", nothing before or after; a valid date of years 100 to 9999.
// "2024/1/5", "2024/01/05", "2024-1-5" and "2024-01-05" are the same day.
std::optional<DateTime> parse_day_text(std::string_view text);

struct FaultPlan {
    std::map<int, Fault> by_day;  // key: the day's serial (whole days since 1899-12-30)
    const Fault* find(DateTime day) const;
};

struct FaultPlanResult {
    std::optional<FaultPlan> plan;
    std::string error;  // why the text is not a fault plan, when plan is empty
};

// An unknown mode, a key that is not a day, a field of the wrong type: an error naming it.
[[nodiscard]] FaultPlanResult parse_fault_plan(std::string_view json_text);

}  // namespace kl8
