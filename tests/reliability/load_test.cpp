// The whole history (2010-09-03 to 2026-12-11, 5944 days of 179 rows, about 90 MB) against a
// site that answers every tenth request with 500 and lets every 49th stall after its headers,
// with a short time-out: the retries must complete the record file.
//
// The stall period is 49, not 50: the site checks --fail-every first, so with a period of 50
// every stalled request would be a multiple of 10 and answer 500 instead. A retry is a new
// request; with these periods no day needs more than 3 tries (a failure at 10k may be followed
// by a stall at 10k + 1, and 10k + 2 is neither), which is what kl8-export allows.

#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>
#include <regex>

#include "record_checks.h"
#include "reliability_run.h"

namespace kl8 {
namespace {

constexpr int FAIL_EVERY = 10;
constexpr int STALL_EVERY = 49;

// The retries a harvest of `days` days needs when nothing but the site's periodic faults goes
// wrong: request n fails when n is a multiple of either period.
int expected_retries(int days) {
    long long n = 0;
    int retries = 0;
    for (int day = 0; day < days; ++day) {
        int tries = 0;
        do {
            ++n;
            ++tries;
        } while (n % FAIL_EVERY == 0 || n % STALL_EVERY == 0);
        retries += tries - 1;
    }
    return retries;
}

TEST(Load, FullHistoryWithFaultsIsCompleteAfterRetries) {
    const DateTime first = make_datetime(2010, 9, 3);
    const DateTime last = make_datetime(2026, 12, 11);
    const int days = 5944;
    test::TempDir dir("load");
    test::DrawSiteProcess site({"--today", "2026-12-11", "--fail-every", std::to_string(FAIL_EVERY),
                                "--stall-every", std::to_string(STALL_EVERY), "--log",
                                (dir / "requests.log").string()});
    ASSERT_TRUE(site.ok()) << site.error();
    const std::filesystem::path out = dir / "record.txt";
    const test::RunResult run =
        test::run_export(test::export_args("2010-09-03", "2026-12-11", site, out, 300, 10),
                         dir.path(), std::chrono::minutes(14));
    ASSERT_EQ(run.exit_code, 0) << run.err.substr(0, 4000);

    const std::string expected =
        record_text(first, last, make_datetime(2026, 12, 11), DEFAULT_ROWS_PER_DAY);
    const std::string record = test::read_file(out);
    EXPECT_EQ(record.size(), expected.size());
    EXPECT_TRUE(test::same_bytes(record, expected));

    std::smatch m;
    const std::regex retries_line("kl8-export: (\\d+) retries\n");
    ASSERT_TRUE(std::regex_search(run.err, m, retries_line)) << run.err.substr(0, 4000);
    const int retries = std::stoi(m[1]);
    const std::size_t requests = test::read_request_log(dir / "requests.log").size();
    // Every request the site saw was a day's first try or one of the retries counted.
    EXPECT_EQ(requests, static_cast<std::size_t>(days + retries));

    char figures[256];
    std::snprintf(
        figures, sizeof figures,
        "%d days, %zu requests, %d retries (%d without any other fault), %zu bytes, %.1f s", days,
        requests, retries, expected_retries(days), record.size(), run.seconds);
    std::cout << figures << "\n" << run.out;
    testing::Test::RecordProperty("figures", figures);
}

}  // namespace
}  // namespace kl8
