// The record file under SIGKILL: kl8-export is killed at random moments of a harvest, again
// and again on the same file. After every kill the file must hold whole lines only, each one a
// line the site served, in the order of an uninterrupted run; a last run must complete it to
// exactly the file an uninterrupted run gives.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <random>
#include <thread>

#include "record_checks.h"
#include "reliability_run.h"

namespace kl8 {
namespace {

using namespace std::chrono_literals;

// True once the child has ended, without reaping it (ChildProcess::wait does that).
bool has_ended(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid;
}

std::uintmax_t size_of(const std::filesystem::path& file) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    return ec ? 0 : size;
}

// The seed: KL8_CRASH_SEED when set, else a fresh one; printed either way.
std::uint32_t crash_seed() {
    if (const char* s = std::getenv("KL8_CRASH_SEED"))
        return static_cast<std::uint32_t>(std::strtoul(s, nullptr, 10));
    return std::random_device{}();
}

TEST(CrashSafety, KilledRunsLeaveWholeLinesAndARerunCompletesTheFile) {
    const DateTime today = make_datetime(2014, 2, 10);
    const std::string expected = record_text(make_datetime(2014, 1, 1), make_datetime(2014, 1, 30),
                                             today, DEFAULT_ROWS_PER_DAY);
    test::TempDir dir("crash");
    test::DrawSiteProcess site({"--today", "2014-02-10"});
    ASSERT_TRUE(site.ok()) << site.error();
    const std::filesystem::path out = dir / "record.txt";
    const auto args = test::export_args("2014-01-01", "2014-01-30", site, out, 5000);

    const std::uint32_t seed = crash_seed();
    std::cout << "crash seed " << seed << " (set KL8_CRASH_SEED to repeat)\n";
    testing::Test::RecordProperty("seed", std::to_string(seed));
    std::mt19937 random(seed);
    // Runs take turns: one is killed once the file has grown by a random number of bytes (up
    // to 1/120 of the whole, so that the kills fall all over the harvest), a little later at
    // random; the next one a random 1 to 25 ms after its start, wherever it is then (opening
    // the file, cutting a partial line, fetching, skipping present lines or writing).
    std::uniform_int_distribution<std::uintmax_t> growth(1, expected.size() / 120);
    std::uniform_int_distribution<int> extra_us(0, 150);
    std::uniform_int_distribution<int> after_us(1000, 25000);

    // Where each day's lines end in the file: a kill that leaves the file elsewhere fell in the
    // middle of a day's writes.
    std::vector<std::size_t> day_ends;
    for (DateTime day = make_datetime(2014, 1, 1); day.value <= make_datetime(2014, 1, 30).value;
         day = add_days(day, 1)) {
        day_ends.push_back((day_ends.empty() ? 0 : day_ends.back()) +
                           test::lines_of(served_draws(day, today, DEFAULT_ROWS_PER_DAY)).size());
    }
    ASSERT_EQ(day_ends.back(), expected.size());
    int inside_a_day = 0;

    const int wanted_kills = 40;
    int kills = 0;
    int runs = 0;
    while (kills < wanted_kills && size_of(out) < expected.size()) {
        SCOPED_TRACE("run " + std::to_string(runs + 1));
        const bool by_growth = runs % 2 == 0;
        const std::uintmax_t kill_at = size_of(out) + growth(random);
        const int delay_us = by_growth ? extra_us(random) : after_us(random);
        test::ChildProcess p(KL8_EXPORT_PATH, args, dir.path());
        const auto started = std::chrono::steady_clock::now();
        ++runs;
        bool killed = false;
        while (std::chrono::steady_clock::now() < started + 60s) {
            if (has_ended(p.pid())) break;
            const bool due = by_growth ? size_of(out) >= kill_at
                                       : std::chrono::steady_clock::now() >=
                                             started + std::chrono::microseconds(delay_us);
            if (due) {
                // A busy wait: a day's lines take well under a millisecond to write.
                const auto kill_time =
                    std::chrono::steady_clock::now() + std::chrono::microseconds(delay_us);
                while (by_growth && std::chrono::steady_clock::now() < kill_time) {
                }
                p.signal(SIGKILL);
                killed = true;
                break;
            }
            std::this_thread::sleep_for(20us);
        }
        const int status = p.wait(60s);
        if (killed && status == 128 + SIGKILL) {
            ++kills;
            const std::size_t size = size_of(out);
            inside_a_day +=
                size != 0 && std::find(day_ends.begin(), day_ends.end(), size) == day_ends.end();
        } else {
            ASSERT_EQ(status, 0) << "a run that was not killed must finish: " << p.err();
        }
        // Whole lines only, and those of an uninterrupted run, in its order.
        const std::string record = test::read_file(out);
        ASSERT_TRUE(record.empty() || record.compare(record.size() - 2, 2, "\r\n") == 0)
            << "a partial last line after kill " << kills << ", " << record.size() << " bytes";
        ASSERT_TRUE(test::same_bytes(record, expected.substr(0, record.size())))
            << "after kill " << kills;
    }
    std::cout << kills << " kills in " << runs << " runs, " << inside_a_day
              << " of them in the middle of a day's lines; the file then " << size_of(out) << " of "
              << expected.size() << " bytes\n";
    EXPECT_GE(kills, 30);

    const test::RunResult last = test::run_export(args, dir.path());
    ASSERT_EQ(last.exit_code, 0) << last.err;
    const std::string completed = test::read_file(out);
    EXPECT_TRUE(test::same_bytes(completed, expected));

    // The same run uninterrupted, into a fresh file.
    const std::filesystem::path fresh = dir / "fresh.txt";
    const test::RunResult whole = test::run_export(
        test::export_args("2014-01-01", "2014-01-30", site, fresh, 5000), dir.path());
    ASSERT_EQ(whole.exit_code, 0) << whole.err;
    EXPECT_TRUE(test::same_bytes(completed, test::read_file(fresh)));
}

}  // namespace
}  // namespace kl8
