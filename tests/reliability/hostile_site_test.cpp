// kl8-export against a site that misbehaves: oversized pages, a pathological line for the row
// pattern, stalls, slow bodies, redirect loops and dead ends, broken status lines, short
// bodies and oversized headers. Whatever the site does, the run must end, name the day that
// failed, and keep every line of the other days.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <sstream>

#include "record_checks.h"
#include "reliability_run.h"

namespace kl8 {
namespace {

const DateTime SITE_TODAY = make_datetime(2014, 1, 10);

// A loopback TCP port that is bound but never listened on: a connection to it is refused, and
// no other program can take it while this object lives.
class DeadPort {
   public:
    DeadPort() : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
            port_ = ntohs(addr.sin_port);
        }
    }
    ~DeadPort() {
        if (fd_ >= 0) ::close(fd_);
    }
    DeadPort(const DeadPort&) = delete;
    DeadPort& operator=(const DeadPort&) = delete;
    int port() const { return port_; }

   private:
    int fd_;
    int port_ = 0;
};

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

TEST(HostileSite, EveryFaultEndsTheRunNamesTheDayAndKeepsTheOtherDays) {
    struct Case {
        std::string fault;  // the fault of 2014/1/3; "{dead}" stands for a refusing port
        int exit_code;
        bool day_fails;  // 2014/1/3 named as failed, none of its lines written
        int rows;        // rows per day
        int timeout_ms;  // --timeout
        const char* why;
    };
    const Case cases[] = {
        {R"({"mode": "huge_page", "mb": 50})", 0, false, 5, 5000,
         "a 50 MiB page is under the 64 MiB cap: its rows are taken"},
        {R"({"mode": "huge_page", "mb": 65})", 3, true, 5, 5000,
         "a page over the 64 MiB cap is refused, not held in memory"},
        {R"({"mode": "stall"})", 3, true, 5, 1000,
         "headers, then nothing: the idle time-out trips"},
        {R"({"mode": "dribble", "bytes": 1, "ms": 1500})", 3, true, 5, 1000,
         "a byte every 1.5 s against a 1 s idle time-out"},
        {R"({"mode": "dribble", "bytes": 256, "ms": 5})", 0, false, 5, 1000,
         "slow but steady within the idle time-out: the page comes whole"},
        {R"({"mode": "redirect_loop"})", 3, true, 5, 5000, "a redirect to itself, for ever"},
        {R"({"mode": "redirect", "location": "http://127.0.0.1:{dead}/lottery/draw/list/543?d=2014/1/3"})",
         3, true, 5, 5000, "a redirect to a port where nothing listens"},
        {R"({"mode": "malformed_status"})", 3, true, 5, 5000, "a status line without a code"},
        {R"({"mode": "malformed_status", "line": "HTTP/1.1 99999 Big"})", 3, true, 5, 5000,
         "a five-digit status code"},
        {R"({"mode": "malformed_status", "line": "HTTP/1.1 -200 Minus"})", 3, true, 5, 5000,
         "a negative status code"},
        {R"({"mode": "malformed_status", "line": "ICY 200 OK"})", 3, true, 5, 5000,
         "not HTTP: taken for an HTTP/0.9 answer, which is refused"},
        {R"({"mode": "malformed_status", "line": "<html>no status line</html>"})", 3, true, 5, 5000,
         "a body where the status line should be"},
        {R"({"mode": "malformed_status", "line": "HTTP/1.1 200"})", 0, false, 5, 5000,
         "a status line without a reason phrase is still HTTP"},
        {R"({"mode": "truncated"})", 3, true, 5, 5000,
         "the body ends early against its Content-Length: the partial page is not used"},
        {R"({"mode": "close"})", 3, true, 5, 5000, "the connection closed without an answer"},
        {R"({"mode": "big_cookie", "bytes": 90000})", 0, false, 5, 5000,
         "a 90 KB Set-Cookie: the page is taken"},
        {R"({"mode": "big_cookie"})", 3, true, 5, 5000,
         "a 100 KB Set-Cookie is over libcurl's 100 KiB cap on one header line"},
        {R"({"mode": "big_headers", "bytes": 400000})", 3, true, 5, 5000,
         "400 KB of header lines are over libcurl's 300 KiB cap on a header block"},
    };
    DeadPort dead;
    ASSERT_GT(dead.port(), 0);
    std::ostringstream table;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        test::TempDir dir("hostile");
        const std::string fault = replace_all(c.fault, "{dead}", std::to_string(dead.port()));
        ASSERT_TRUE(test::write_file(dir / "faults.json", "{\"2014/1/3\": " + fault + "}"));
        test::DrawSiteProcess site({"--today", "2014-01-10", "--rows-per-day",
                                    std::to_string(c.rows), "--faults",
                                    (dir / "faults.json").string()});
        ASSERT_TRUE(site.ok()) << site.error();
        const std::filesystem::path out = dir / "record.txt";
        const test::RunResult run = test::run_export(
            test::export_args("2014-01-02", "2014-01-04", site, out, c.timeout_ms), dir.path());

        EXPECT_EQ(run.exit_code, c.exit_code) << run.err;
        const std::string day3 =
            c.day_fails
                ? ""
                : test::lines_of(served_draws(make_datetime(2014, 1, 3), SITE_TODAY, c.rows));
        const std::string expected =
            test::lines_of(served_draws(make_datetime(2014, 1, 2), SITE_TODAY, c.rows)) + day3 +
            test::lines_of(served_draws(make_datetime(2014, 1, 4), SITE_TODAY, c.rows));
        const std::string record = test::read_file(out);
        EXPECT_TRUE(test::same_bytes(record, expected));
        if (c.day_fails) {
            EXPECT_NE(run.err.find("kl8-export: 1 days failed: 2014/1/3\n"), std::string::npos)
                << run.err;
        } else {
            EXPECT_EQ(run.err.find("days failed"), std::string::npos) << run.err;
            EXPECT_EQ(run.err.find("without draw rows"), std::string::npos) << run.err;
        }

        // For the record of what each fault did.
        char line[512];
        std::snprintf(line, sizeof line, "%-56.56s exit %2d  %s  %6.2f s  lines %d of %d\n", c.why,
                      run.exit_code,
                      run.err.find("days failed: 2014/1/3") != std::string::npos ? "2014/1/3 named"
                                                                                 : "none named    ",
                      run.seconds, test::count_lines(record),
                      test::count_lines(expected) + (c.day_fails ? c.rows : 0));
        table << line;
    }
    std::cout << table.str();
    testing::Test::RecordProperty("faults", table.str());
}

// The row pattern's groups are "(.*)" up to "</span>" and a line end: on a 10 MiB line of
// "</span>" and "<span class="ball_1">" pieces that never ends in "</span>", every position of
// the line is tried in turn. The search must end, and the broken row must cost no more than
// itself: the day's real rows after it are still found.
TEST(HostileSite, PathologicalLineBeforeTheRowsLosesNoRows) {
    const int rows = 5;
    test::TempDir dir("spans");
    ASSERT_TRUE(
        test::write_file(dir / "faults.json", R"({"2014/1/3": {"mode": "spans_line", "mb": 10}})"));
    test::DrawSiteProcess site({"--today", "2014-01-10", "--rows-per-day", std::to_string(rows),
                                "--faults", (dir / "faults.json").string()});
    ASSERT_TRUE(site.ok()) << site.error();
    const std::filesystem::path out = dir / "record.txt";
    const test::RunResult run = test::run_export(
        test::export_args("2014-01-02", "2014-01-04", site, out, 5000), dir.path());
    std::cout << "a 10 MiB line of span pieces: exit " << run.exit_code << " after " << run.seconds
              << " s\n";
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_TRUE(test::same_bytes(
        test::read_file(out),
        record_text(make_datetime(2014, 1, 2), make_datetime(2014, 1, 4), SITE_TODAY, rows)));
    EXPECT_EQ(run.err.find("without draw rows"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace kl8
