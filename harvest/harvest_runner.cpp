#include "harvest/harvest_runner.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "foundation/codepage.h"
#include "foundation/gbk_literals.h"
#include "harvest/draw_extraction.h"
#include "harvest/harvest_state.h"
#include "harvest/record_file.h"
#include "web/cancel.h"
#include "web/draw_site.h"
#include "web/fetch.h"
#include "web/url.h"

namespace kl8 {
namespace {

// The next day's page, fetched while the current day is being extracted and written. Only
// one request runs at a time: the fetch for day k + 1 starts once day k's page is in.
struct Prefetch {
    Text url;
    DayReport report;  // tries, failed, failure
    Bytes body;
    std::thread thread;  // joined by the worker that takes the page, or by end_chain
};

// What one chain carries from day to day besides HarvestState. Owned by the chain's running
// worker (the prefetch thread writes only its own Prefetch); the UI thread only raises the
// cancel token.
struct Chain {
    HarvestSettings settings;
    HarvestFrontEnd front_end;
    HarvestSummary summary;
    CancelToken cancel;
    DateTime today;  // the start's today, at midnight
    std::unique_ptr<Prefetch> next;
};

// Never destroyed: the last worker may still be leaving end_chain while the main thread,
// woken by it, returns from main and runs the static destructors.
std::mutex& chain_mutex = *new std::mutex;
std::condition_variable& chain_idle = *new std::condition_variable;
bool chain_running = false;
// Set while a chain runs; reached by stop_harvest for its cancel token.
Chain* running_chain = nullptr;

// Delta-seconds of a Retry-After header line, or -1 when there is none (an HTTP date is not
// honoured: the usual delay applies).
int retry_after_seconds(const Text& response_headers) {
    Text value = trim_spaces(text_between(response_headers, "Retry-After:", "\r\n", 0, true));
    if (value.empty()) return -1;
    for (char c : value.str()) {
        if (c < '0' || c > '9') return -1;
    }
    return value.length() > 6 ? 1000000 : text_to_int(value);
}

std::string describe_failure(const FetchOptions& options, bool empty_body) {
    if (options.outcome == FetchOutcome::ok && empty_body) return "empty body";
    std::string why = fetch_outcome_name(options.outcome);
    if (options.http_status != 0) why += " (HTTP " + std::to_string(options.http_status) + ")";
    if (!options.error_message.empty()) why += ": " + options.error_message;
    return why;
}

// Fetches the day's page with retries. An empty body on failure.
Bytes fetch_with_retries(Chain& chain, const Text& url, DayReport& report) {
    const HarvestSettings& s = chain.settings;
    std::chrono::milliseconds delay = s.first_retry_delay;
    for (int attempt = 1; attempt <= std::max(1, s.max_tries); ++attempt) {
        report.tries = attempt;
        FetchOptions options;
        options.method = 0;
        options.cancel = &chain.cancel;
        options.connect_timeout = s.connect_timeout;
        options.idle_timeout = s.idle_timeout;
        Bytes body = fetch_page(url, options);
        if (options.outcome == FetchOutcome::ok && !body.empty()) {
            report.failed = false;
            return body;
        }
        report.failed = true;
        report.failure = describe_failure(options, body.empty());
        if (chain.cancel.is_cancelled() || attempt >= s.max_tries) break;
        std::chrono::milliseconds wait = delay;
        if (int asked = retry_after_seconds(options.response_headers); asked >= 0) {
            wait = std::min<std::chrono::milliseconds>(std::chrono::seconds(asked),
                                                       s.max_retry_after);
        }
        delay *= 2;
        if (chain.cancel.wait_for(wait)) break;
    }
    return {};
}

void join_prefetch(Chain* chain) {
    if (chain->next && chain->next->thread.joinable()) chain->next->thread.join();
}

void end_chain(Chain* chain) {
    join_prefetch(chain);
    if (chain->front_end.finished) chain->front_end.finished(chain->summary);
    std::unique_ptr<Chain> owned(chain);
    // Signalled under the lock: a waiter can only go on once this thread has let go of the
    // mutex, and nobody reaches the chain once running_chain is cleared. The lock is released
    // before the chain is deleted.
    std::lock_guard lock(chain_mutex);
    chain_running = false;
    running_chain = nullptr;
    chain_idle.notify_all();
}

void harvest_step(Chain* chain);

// Starts fetching day's page on a thread of its own; when that thread cannot be started, the
// next worker fetches the page itself.
void start_prefetch(Chain* chain, DateTime day) {
    auto next = std::make_unique<Prefetch>();
    next->url = concat_text(draw_list_url_prefix(), format_ymd(day));
    Prefetch* p = next.get();
    try {
        p->thread = std::thread([chain, p] { p->body = fetch_with_retries(*chain, p->url, p->report); });
    } catch (const std::system_error&) {
        return;
    }
    chain->next = std::move(next);
}

// Starts the worker for the next day, detached: nobody joins it; the chain's end is signalled
// through chain_idle instead.
bool start_worker(Chain* chain) {
    try {
        std::thread(harvest_step, chain).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

void harvest_step(Chain* chain) {
    HarvestState& state = harvest_state();
    HarvestSummary& summary = chain->summary;
    if (chain->cancel.is_cancelled()) {
        summary.stopped = true;
        end_chain(chain);
        return;
    }
    DayReport report;
    report.day_text = state.advance_day();
    state.set_day_url(report.day_text);

    Bytes body;
    const auto wait_started = std::chrono::steady_clock::now();
    join_prefetch(chain);
    std::unique_ptr<Prefetch> prefetched = std::move(chain->next);
    if (prefetched && prefetched->url == state.day_url) {
        body = std::move(prefetched->body);
        report.tries = prefetched->report.tries;
        report.failed = prefetched->report.failed;
        report.failure = std::move(prefetched->report.failure);
    } else {
        body = fetch_with_retries(*chain, state.day_url, report);
    }
    summary.fetch_wait_seconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wait_started).count();
    summary.retries += std::max(0, report.tries - 1);
    bool cancelled = chain->cancel.is_cancelled();
    if (!cancelled && !state.is_finished()) start_prefetch(chain, add_days(state.current_date, 1));
    state.set_page_text(bytes_to_text(body));
    body = Bytes();

    ExtractResult extracted = extract_draws(state.page_text, state.record_file.get());
    report.rows = extracted.rows;
    report.lines_written = extracted.lines_written;
    report.lines_present = extracted.lines_present;
    report.lines_failed = extracted.lines_failed;
    summary.lines_written += extracted.lines_written;
    summary.lines_present += extracted.lines_present;
    summary.lines_failed += extracted.lines_failed;
    summary.match_cpu_seconds += extracted.match_cpu_seconds;
    summary.write_cpu_seconds += extracted.write_cpu_seconds;

    if (cancelled && report.failed) {
        // The stop cut the day short: it is neither done nor failed.
        summary.stopped = true;
        end_chain(chain);
        return;
    }
    ++summary.days_done;
    if (report.failed) {
        summary.failed_days.push_back(report.day_text);
    } else if (report.rows == 0 && days_from_to(state.current_date, chain->today) > 0) {
        summary.empty_days.push_back(report.day_text);
    }
    if (chain->front_end.day_done) chain->front_end.day_done(report, summary);

    if (state.is_finished()) {
        end_chain(chain);
        return;
    }
    if (chain->cancel.is_cancelled()) {
        summary.stopped = true;
        end_chain(chain);
        return;
    }
    if (chain->front_end.show_progress) chain->front_end.show_progress(state.progress_text());
    if (!start_worker(chain)) {
        summary.worker_failed = true;
        end_chain(chain);
    }
    // Nothing touches the chain or the state after the next worker has been started.
}

}  // namespace

StartResult start_harvest(const HarvestSettings& settings, HarvestFrontEnd front_end) {
    std::unique_lock lock(chain_mutex);
    if (chain_running) return StartResult::already_running;

    HarvestState& state = harvest_state();
    DateTime now = settings.now.value_or(now_datetime());
    int planned = planned_day_count(settings.start_day, now);
    if (settings.end_day) {
        int days = days_from_to(settings.start_day, *settings.end_day) + 1;
        if (days < 1) return StartResult::start_after_end;
        planned = days;
        // The end day replaces tomorrow as the day that finishes the plan.
        state.end_text = format_ymd(*settings.end_day);
        state.current_date = add_days(settings.start_day, -1);
    } else if (state.begin_plan(settings.start_day, now) != PlanResult::ok) {
        return StartResult::start_after_end;
    }

    auto chain = std::make_unique<Chain>();
    chain->settings = settings;
    chain->front_end = std::move(front_end);
    chain->summary.days_planned = planned;
    chain->today = date_only(now);
    if (!state.record_file || !state.record_file->is_open()) {
        chain->summary.record_file_error =
            state.record_file ? state.record_file->error() : "no record file was opened";
    }
    chain_running = true;
    running_chain = chain.get();
    Chain* raw = chain.release();
    lock.unlock();
    if (!start_worker(raw)) {
        raw->summary.worker_failed = true;
        end_chain(raw);
    }
    return StartResult::started;
}

void stop_harvest() {
    std::unique_lock lock(chain_mutex);
    if (running_chain) running_chain->cancel.cancel();
    chain_idle.wait(lock, [] { return !chain_running; });
}

bool harvest_running() {
    std::lock_guard lock(chain_mutex);
    return chain_running;
}

bool wait_harvest_idle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(chain_mutex);
    return chain_idle.wait_for(lock, timeout, [] { return !chain_running; });
}

Text finish_notice_text(const HarvestSummary& summary, int days_listed) {
    auto day_list = [days_listed](const std::vector<Text>& days) {
        Text line;
        int shown = 0;
        for (const Text& day : days) {
            if (shown == days_listed) {
                line += Text(" ...");
                break;
            }
            line += Text(shown == 0 ? "" : " ") + day;
            ++shown;
        }
        return line;
    };
    Text notice(gbk::FINISH_NOTICE);
    if (!summary.failed_days.empty()) {
        notice = concat_text(notice, Text("\r\n"), Text(gbk::FAILED_DAYS_LABEL),
                             int_text(static_cast<int>(summary.failed_days.size())), Text("\r\n"),
                             day_list(summary.failed_days));
    }
    if (!summary.empty_days.empty()) {
        notice = concat_text(notice, Text("\r\n"), Text(gbk::EMPTY_DAYS_LABEL),
                             int_text(static_cast<int>(summary.empty_days.size())), Text("\r\n"),
                             day_list(summary.empty_days));
    }
    if (summary.stopped) notice = concat_text(notice, Text("\r\n"), Text(gbk::STOPPED_NOTE));
    if (summary.worker_failed) {
        notice = concat_text(notice, Text("\r\n"), Text(gbk::WORKER_FAILED_NOTE));
    }
    if (!summary.record_file_error.empty()) {
        notice = concat_text(notice, Text("\r\n"), Text(gbk::NO_RECORD_FILE_NOTE),
                             utf8_to_text(summary.record_file_error));
    }
    return notice;
}

}  // namespace kl8
