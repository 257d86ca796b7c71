#include "app/cli.h"

#include <malloc.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>

#include "foundation/codepage.h"
#include "harvest/harvest_runner.h"
#include "harvest/harvest_state.h"
#include "harvest/record_file.h"
#include "quality/check_command.h"
#include "web/draw_site.h"
#include "web/fetch.h"

namespace kl8 {
namespace {

using Clock = std::chrono::steady_clock;

const char USAGE[] =
    "usage: kl8-export                      open the window\n"
    "       kl8-export --from DAY [--to DAY] [--site HOST[:PORT]] [--out FILE]\n"
    "       kl8-export check [FILE] [--json]\n"
    "       kl8-export chart [FILE] --out FILE.svg [--from DAY] [--to DAY]\n";

std::string duration_text(double seconds) {
    long s = seconds < 0 ? 0 : static_cast<long>(seconds + 0.5);
    char out[32];
    if (s >= 3600) {
        std::snprintf(out, sizeof out, "%ldh%02ldm", s / 3600, s / 60 % 60);
    } else if (s >= 60) {
        std::snprintf(out, sizeof out, "%ldm%02lds", s / 60, s % 60);
    } else {
        std::snprintf(out, sizeof out, "%lds", s);
    }
    return out;
}

// Progress on standard error: a bar redrawn in place on a terminal, otherwise at most one
// line a second. Called on the worker threads, one at a time.
class ProgressReporter {
  public:
    ProgressReporter() : terminal_(::isatty(STDERR_FILENO) == 1), start_(Clock::now()) {}

    void day_done(const DayReport& day, const HarvestSummary& so_far) {
        const int planned = so_far.days_planned;
        Clock::time_point now = Clock::now();
        if (day.failed) {
            finish_line();
            std::fprintf(stderr, "day %s failed after %d tries: %s\n",
                         text_to_utf8(day.day_text).c_str(), day.tries, day.failure.c_str());
        }
        bool last = so_far.days_done >= planned;
        if (!last && now - last_print_ < (terminal_ ? std::chrono::milliseconds(100)
                                                    : std::chrono::milliseconds(1000)))
            return;
        last_print_ = now;
        double elapsed = std::chrono::duration<double>(now - start_).count();
        double rate = elapsed > 0 ? so_far.days_done / elapsed : 0;
        double left = rate > 0 ? (planned - so_far.days_done) / rate : 0;
        char line[256];
        std::snprintf(line, sizeof line,
                      "%d/%d days  %s  lines %lld  failed %zu  %.1f days/s  left %s",
                      so_far.days_done, planned, text_to_utf8(day.day_text).c_str(),
                      static_cast<long long>(so_far.lines_written), so_far.failed_days.size(),
                      rate, duration_text(left).c_str());
        if (terminal_) {
            const int width = 24;
            int filled = planned > 0 ? width * so_far.days_done / planned : width;
            std::string bar(static_cast<std::size_t>(filled), '#');
            bar.resize(width, '.');
            std::fprintf(stderr, "\r[%s] %s\033[K", bar.c_str(), line);
            open_line_ = true;
        } else {
            std::fprintf(stderr, "%s\n", line);
        }
        std::fflush(stderr);
    }

    void finish_line() {
        if (open_line_) std::fputc('\n', stderr);
        open_line_ = false;
    }

  private:
    bool terminal_;
    bool open_line_ = false;
    Clock::time_point start_;
    Clock::time_point last_print_{};
};

std::string day_list(const std::vector<Text>& days, std::size_t most = 20) {
    std::string out;
    for (std::size_t i = 0; i < days.size() && i < most; ++i) {
        if (i) out += ' ';
        out += text_to_utf8(days[i]);
    }
    if (days.size() > most) out += " ...";
    return out;
}

void keep_freed_pages() {
    // Each day's page, its UTF-16 copy and the body buffer are ~0.5-1 MiB apiece and short
    // lived. Above glibc's mmap threshold every one of them is a fresh mapping, paid for in
    // page faults and zero-filling each day; below it the same heap pages are reused.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
}

}  // namespace

int run_export_command(const ExportOptions& options) {
    keep_freed_pages();
    if (options.site) set_site_host(Text(*options.site));
    std::filesystem::path path = options.out.value_or(default_record_path());
    std::shared_ptr<RecordFile> file = RecordFile::open(path);
    if (!file->is_open()) {
        std::fprintf(stderr, "kl8-export: %s\n", file->error().c_str());
        return 2;
    }
    if (file->bytes_cut_at_open() > 0) {
        std::fprintf(stderr, "kl8-export: cut a partial last line of %lld bytes from %s\n",
                     static_cast<long long>(file->bytes_cut_at_open()), path.c_str());
    }
    harvest_state().record_file = file;

    // Signals are taken by this thread alone, with sigtimedwait below: the workers inherit the
    // blocked mask, so Ctrl-C never lands in the middle of a write.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    // SIGUSR1 is how the finished chain wakes this thread, instead of it noticing at the next
    // tick.
    sigaddset(&stop_signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    std::mutex done_mutex;
    std::optional<HarvestSummary> done;
    HarvestSettings settings;
    settings.start_day = options.from;
    settings.end_day = options.to;
    settings.first_retry_delay = options.retry_delay;
    settings.connect_timeout = options.timeout;
    settings.idle_timeout = options.timeout;
    // The plan counts its days; the progress reporter reads them from the summary.
    auto progress = std::make_shared<ProgressReporter>();

    HarvestFrontEnd front_end;
    front_end.day_done = [progress](const DayReport& day, const HarvestSummary& so_far) {
        progress->day_done(day, so_far);
    };
    front_end.finished = [&](const HarvestSummary& summary) {
        std::lock_guard lock(done_mutex);
        done = summary;
        kill(getpid(), SIGUSR1);
    };
    StartResult started = start_harvest(settings, front_end);
    if (started != StartResult::started) {
        std::fprintf(stderr, "kl8-export: %s\n",
                     started == StartResult::start_after_end ? "the start day is after the end day"
                                                             : "a harvest is already running");
        return 2;
    }

    bool interrupted = false;
    for (;;) {
        timespec tick{0, 200 * 1000 * 1000};
        int sig = sigtimedwait(&stop_signals, nullptr, &tick);
        if (sig == SIGINT || sig == SIGTERM) {
            interrupted = true;
            progress->finish_line();
            std::fprintf(stderr, "kl8-export: stopping...\n");
            stop_harvest();
            break;
        }
        bool finished = false;
        {
            std::lock_guard lock(done_mutex);
            finished = done.has_value();
        }
        if (finished || !harvest_running()) break;
    }
    stop_harvest();  // returns at once when the chain has ended; makes sure it has
    progress->finish_line();

    HarvestSummary summary;
    {
        std::lock_guard lock(done_mutex);
        if (done) summary = *done;
    }
    std::printf("days %d, lines written %lld, lines skipped as already present %lld, days failed %zu\n",
                summary.days_done, static_cast<long long>(summary.lines_written),
                static_cast<long long>(summary.lines_present), summary.failed_days.size());
    std::fflush(stdout);
    if (!summary.failed_days.empty()) {
        std::fprintf(stderr, "kl8-export: %zu days failed: %s\n", summary.failed_days.size(),
                     day_list(summary.failed_days).c_str());
    }
    if (!summary.empty_days.empty()) {
        std::fprintf(stderr, "kl8-export: %zu past days gave a page without draw rows: %s\n",
                     summary.empty_days.size(), day_list(summary.empty_days).c_str());
    }
    if (summary.lines_failed > 0) {
        std::fprintf(stderr, "kl8-export: %lld lines could not be written: %s\n",
                     static_cast<long long>(summary.lines_failed), file->error().c_str());
    }
    if (summary.worker_failed) std::fprintf(stderr, "kl8-export: could not start a worker thread\n");
    if (summary.retries > 0) std::fprintf(stderr, "kl8-export: %d retries\n", summary.retries);
    if (std::getenv("KL8_STATS") != nullptr) {
        std::fprintf(stderr,
                     "kl8-export: waiting for pages %.3f s, matching %.3f s CPU, reading captures "
                     "and writing %.3f s CPU\n",
                     summary.fetch_wait_seconds, summary.match_cpu_seconds,
                     summary.write_cpu_seconds);
    }
    harvest_state().release_texts();
    if (interrupted) return 130;
    if (!summary.failed_days.empty() || summary.lines_failed > 0 || summary.worker_failed) return 3;
    return 0;
}

std::optional<int> run_command_line(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return std::nullopt;
    if (args[0] == "--help" || args[0] == "-h") {
        std::fputs(USAGE, stdout);
        return 0;
    }
    if (args[0] == "check" || args[0] == "chart") {
        std::vector<std::string> rest(args.begin() + 1, args.end());
        return args[0] == "check"
                   ? run_check_command(rest, default_record_path(), std::cout, std::cerr)
                   : run_chart_command(rest, default_record_path(), std::cout, std::cerr);
    }
    ParsedExport parsed = parse_export_args(args, now_datetime());
    if (!parsed.options) {
        std::fprintf(stderr, "kl8-export: %s\n%s", parsed.error.c_str(), USAGE);
        return 2;
    }
    web_global_init();
    return run_export_command(*parsed.options);
}

}  // namespace kl8
