#pragma once
// Runs a harvest as a chain of worker threads, one per day, strictly one after another: each
// worker fetches its day's page, writes the day's draw rows, reports, and starts the next
// worker as its last act. start_harvest returns at once.
//
// Beyond the bare chain:
// - one harvest at a time: a start while a chain runs is refused;
// - a request that fails (no connection, time-out, status 400 or above, an empty body, a body
//   too large) is tried up to max_tries times in all, waiting first_retry_delay, then twice
//   that, or what a Retry-After header asks (at most max_retry_after); a day that still fails
//   is counted and named in the summary;
// - stop_harvest cancels the request in flight and any wait, lets the running worker finish
//   its day's writes (so every line stays whole), and returns once no worker touches the
//   state any more.
//
// Threads: the front end's callbacks run on the worker threads and must not block for long;
// the window hands them on to its UI thread, the command line to its main thread.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "foundation/datetime.h"
#include "foundation/text.h"

namespace kl8 {

struct HarvestSettings {
    DateTime start_day;
    // The last day to fetch; tomorrow (as seen at the start) when left out.
    std::optional<DateTime> end_day;
    int max_tries = 3;
    std::chrono::milliseconds first_retry_delay{1000};
    std::chrono::milliseconds max_retry_after{60000};
    std::chrono::milliseconds connect_timeout{60000};
    std::chrono::milliseconds idle_timeout{60000};
    // The clock, for tests; now_datetime() when left out.
    std::optional<DateTime> now;
};

struct DayReport {
    Text day_text;
    int rows = 0;
    int lines_written = 0;
    int lines_present = 0;
    int lines_failed = 0;
    int tries = 0;
    bool failed = false;        // the page could not be fetched after every try
    std::string failure;        // why, for people, when failed
};

struct HarvestSummary {
    int days_planned = 0;
    int days_done = 0;
    std::vector<Text> failed_days;  // in day order
    // Days before today whose page came without any draw row: an error page served with
    // status 200 shows up here instead of passing as a day without draws.
    std::vector<Text> empty_days;
    std::int64_t lines_written = 0;
    std::int64_t lines_present = 0;
    std::int64_t lines_failed = 0;
    int retries = 0;
    // Where the time went: wall time the workers waited for their pages (not hidden behind
    // the previous day's work), and CPU time of the workers matching and writing.
    double fetch_wait_seconds = 0;
    double match_cpu_seconds = 0;
    double write_cpu_seconds = 0;
    bool stopped = false;         // stop_harvest ended the chain early
    bool worker_failed = false;   // the next worker could not be started
    std::string record_file_error;  // the record file is not open: nothing was written
};

struct HarvestFrontEnd {
    // After each day but the last: "当前导出数据：" + the day's long date text.
    std::function<void(const Text& progress)> show_progress;
    // After every day, the last one included.
    std::function<void(const DayReport& day, const HarvestSummary& so_far)> day_done;
    // Once, when the chain ends for any reason.
    std::function<void(const HarvestSummary& summary)> finished;
};

enum class StartResult {
    started,
    already_running,  // a harvest runs: nothing was changed
    start_after_end,  // the start day lies after the end day: nothing was started
};

[[nodiscard]] StartResult start_harvest(const HarvestSettings& settings, HarvestFrontEnd front_end);
// Stops the running chain, if any, and waits until its last worker is done with the state.
void stop_harvest();
bool harvest_running();
// Waits until no chain runs; false when timeout passed first.
bool wait_harvest_idle(std::chrono::milliseconds timeout);

// The finish notice: "获取结束", then, when they apply, a line with the count and the first
// failed days, one with the days without draw rows, and one saying the harvest was stopped or
// the record file could not be opened. Lines separated by "\r\n".
Text finish_notice_text(const HarvestSummary& summary, int days_listed = 10);

}  // namespace kl8
