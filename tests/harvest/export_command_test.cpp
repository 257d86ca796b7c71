// The export end to end: build/kl8-export against build/kl8-drawsite on a free loopback port.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <thread>

#include "app/cli_options.h"
#include "child_process.h"
#include "record_checks.h"
#include "tests/support/site_process.h"
#include "tools/drawsite/draw_data.h"

namespace kl8 {
namespace {

using namespace std::chrono_literals;
using test::count_lines;
using test::expect_whole_lines_of;
using test::same_bytes;

const DateTime SITE_TODAY = make_datetime(2014, 1, 10);

std::string expected_file(DateTime first, DateTime last, int rows) {
    return record_text(first, last, SITE_TODAY, rows);
}

class ExportTest : public testing::Test {
  protected:
    // Starts the site with the given extra arguments and a request log.
    void start_site(std::vector<std::string> extra = {}) {
        extra.insert(extra.end(), {"--today", "2014-01-10", "--log", (dir_ / "requests.log").string()});
        site_ = std::make_unique<test::DrawSiteProcess>(extra);
        ASSERT_TRUE(site_->ok()) << site_->error();
    }
    void set_faults(const std::string& json) {
        ASSERT_TRUE(test::write_file(dir_ / "faults.json", json));
    }
    std::vector<std::string> args(const std::string& from, const std::string& to) {
        return {"--from", from, "--to", to, "--site", site_->host_port(), "--out", out_.string(),
                "--retry-delay", "20", "--timeout", "5000"};
    }
    test::ChildProcess run(const std::vector<std::string>& a) {
        return test::ChildProcess(KL8_EXPORT_PATH, a, dir_.path());
    }
    std::string record() { return test::read_file(out_); }
    std::vector<std::string> requests() { return test::read_request_log(dir_ / "requests.log"); }

    test::TempDir dir_{"export"};
    std::filesystem::path out_ = dir_ / "record.txt";
    std::unique_ptr<test::DrawSiteProcess> site_;
};

TEST_F(ExportTest, RangeAcrossMonthAndYearEndGivesTheServedRows) {
    start_site();
    test::ChildProcess p = run(args("2013-12-30", "2014/1/2"));
    ASSERT_EQ(p.wait(), 0) << p.err();
    EXPECT_TRUE(same_bytes(record(), expected_file(make_datetime(2013, 12, 30), make_datetime(2014, 1, 2), 179)));
    EXPECT_EQ(p.out(), "days 4, lines written 716, lines skipped as already present 0, days failed 0\n");

    std::vector<std::string> log = requests();
    ASSERT_EQ(log.size(), 4u);
    const char* days[] = {"2013/12/30", "2013/12/31", "2014/1/1", "2014/1/2"};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(days[i]);
        std::string url = site_->day_url(days[i]);
        const std::string& request = log[i];
        EXPECT_EQ(request.rfind("GET /lottery/draw/list/543?d=" + std::string(days[i]) + " HTTP/1.1\r\n", 0), 0u)
            << request;
        EXPECT_NE(request.find("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"),
                  std::string::npos);
        EXPECT_NE(request.find("\r\nAccept: */*\r\nReferer: " + url +
                               "\r\nAccept-Language: zh-cn\r\nContent-Type: "
                               "application/x-www-form-urlencoded\r\n"),
                  std::string::npos)
            << request;
    }
}

TEST_F(ExportTest, FaultsAreRetriedNamedOrRecorded) {
    const int rows = 6;
    struct Case {
        std::string fault;
        int exit_code;
        std::string expected_day3;  // the record lines of 2014/1/3 after the run
        std::string stderr_has;
        const char* why;
    };
    const DateTime d3 = make_datetime(2014, 1, 3);
    std::vector<DrawRow> rows3 = served_draws(d3, SITE_TODAY, rows);
    auto lines = [](const std::vector<DrawRow>& r) {
        std::string out;
        for (const DrawRow& row : r) out += record_line(row).str() + "\r\n";
        return out;
    };
    std::vector<DrawRow> without_second = rows3;
    without_second.erase(without_second.begin() + 1);
    std::vector<DrawRow> first_three(rows3.begin(), rows3.begin() + 3);
    std::vector<DrawRow> with_comma = rows3;
    for (DrawRow& r : with_comma) r.fields[1][10] = ',';
    const Case cases[] = {
        {R"({"mode": "fail_first", "count": 2, "status": 503, "retry_after": 0})", 0, lines(rows3), "2 retries",
         "fails twice, then succeeds"},
        {R"({"mode": "status", "status": 500})", 3, "", "1 days failed: 2014/1/3", "always fails"},
        {R"({"mode": "empty"})", 3, "", "empty body", "an empty body is a failure"},
        {R"({"mode": "close"})", 3, "", "days failed: 2014/1/3", "closed without an answer"},
        {R"({"mode": "crlf"})", 0, "", "past days gave a page without draw rows: 2014/1/3",
         "CR LF page: no rows, and said so"},
        {R"({"mode": "extra_space", "row": 2})", 0, lines(without_second), "", "one row with a space more"},
        {R"({"mode": "zero_byte", "row": 3})", 0, lines(first_three), "", "a zero byte after row 3"},
        {R"({"mode": "upper_case"})", 0, lines(rows3), "", "tags in capitals"},
        {R"({"mode": "comma"})", 0, lines(with_comma), "", "a comma inside field 2"},
        {R"({"mode": "redirect"})", 0, lines(rows3), "", "a redirect is followed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        test::TempDir dir("export-fault");
        ASSERT_TRUE(test::write_file(dir / "faults.json", "{\"2014/1/3\": " + c.fault + "}"));
        test::DrawSiteProcess site({"--today", "2014-01-10", "--rows-per-day", std::to_string(rows),
                                    "--faults", (dir / "faults.json").string()});
        ASSERT_TRUE(site.ok()) << site.error();
        std::filesystem::path out = dir / "record.txt";
        test::ChildProcess p(KL8_EXPORT_PATH,
                             {"--from", "2014-01-02", "--to", "2014-01-04", "--site", site.host_port(),
                              "--out", out.string(), "--retry-delay", "20", "--timeout", "5000"},
                             dir.path());
        EXPECT_EQ(p.wait(), c.exit_code) << p.err();
        std::string expected = lines(served_draws(make_datetime(2014, 1, 2), SITE_TODAY, rows)) +
                               c.expected_day3 +
                               lines(served_draws(make_datetime(2014, 1, 4), SITE_TODAY, rows));
        EXPECT_TRUE(same_bytes(test::read_file(out), expected));
        EXPECT_NE(p.err().find(c.stderr_has), std::string::npos) << p.err();
    }
}

TEST_F(ExportTest, RerunOverOverlappingDaysAddsOnlyNewLines) {
    start_site({"--rows-per-day", "20"});
    test::ChildProcess first = run(args("2014-01-01", "2014-01-03"));
    ASSERT_EQ(first.wait(), 0) << first.err();
    test::ChildProcess second = run(args("2014-01-02", "2014-01-05"));
    ASSERT_EQ(second.wait(), 0) << second.err();
    EXPECT_TRUE(same_bytes(record(), expected_file(make_datetime(2014, 1, 1), make_datetime(2014, 1, 5), 20)));
    EXPECT_EQ(second.out(), "days 4, lines written 40, lines skipped as already present 40, days failed 0\n");
}

TEST_F(ExportTest, RecordFileThatCannotBeOpenedStopsBeforeAnyRequest) {
    start_site();
    std::filesystem::create_directory(out_);
    test::ChildProcess p = run(args("2014-01-01", "2014-01-02"));
    EXPECT_EQ(p.wait(), 2);
    EXPECT_NE(p.err().find("record.txt"), std::string::npos) << p.err();
    EXPECT_EQ(count_lines(p.err()), 1) << p.err();
    EXPECT_TRUE(requests().empty());
    if (geteuid() != 0) {
        std::filesystem::remove(out_);
        ASSERT_TRUE(test::write_file(out_, ""));
        chmod(out_.c_str(), 0444);
        test::ChildProcess ro = run(args("2014-01-01", "2014-01-02"));
        EXPECT_EQ(ro.wait(), 2);
    }
}

TEST_F(ExportTest, BadArgumentsAreRefusedWithOneLine) {
    const std::vector<std::string> bad[] = {
        {"--from", "2014-02-30"},
        {"--from", "2014-01-05", "--to", "2014-01-04"},
        {"--from", "2010-09-03", "--bogus", "1"},
        {"--to", "2014-01-04"},
        {"--from"},
        {"--from", "9999-01-01"},
    };
    for (const auto& a : bad) {
        SCOPED_TRACE(a[0] + " " + (a.size() > 1 ? a[1] : ""));
        ParsedExport parsed = parse_export_args(a, make_datetime(2014, 1, 9));
        EXPECT_FALSE(parsed.options);
        EXPECT_FALSE(parsed.error.empty());
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
    }
    test::ChildProcess p(KL8_EXPORT_PATH, {"--from", "2014-13-01"}, dir_.path());
    EXPECT_EQ(p.wait(), 2);
    EXPECT_EQ(p.err().rfind("kl8-export: bad date for --from: '2014-13-01' is not a valid day\n", 0), 0u)
        << p.err();

    // Full-width digits and Chinese marks read like the date box's days.
    ParsedExport wide = parse_export_args({"--from", "２０１４年１月２日", "--to", "2014/1/3"},
                                          make_datetime(2014, 1, 9));
    ASSERT_TRUE(wide.options) << wide.error;
    EXPECT_EQ(wide.options->from, make_datetime(2014, 1, 2));
}

// Waits until the record file holds at least n lines.
bool wait_for_lines(const std::filesystem::path& file, int n, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (count_lines(test::read_file(file)) >= n) return true;
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

TEST_F(ExportTest, InterruptLeavesWholeLinesAndExits130) {
    set_faults(R"({"2014/1/4": {"mode": "delay", "ms": 20000}})");
    start_site({"--rows-per-day", "50", "--faults", (dir_ / "faults.json").string()});
    test::ChildProcess p = run(args("2014-01-01", "2014-01-08"));
    ASSERT_TRUE(wait_for_lines(out_, 150, 30s));
    std::this_thread::sleep_for(100ms);  // the request for 2014/1/4 is in flight now
    auto sent = std::chrono::steady_clock::now();
    p.signal(SIGINT);
    EXPECT_EQ(p.wait(), 130) << p.err();
    EXPECT_LT(std::chrono::steady_clock::now() - sent, 5s) << "the request in flight was cancelled";
    std::string expected = expected_file(make_datetime(2014, 1, 1), make_datetime(2014, 1, 8), 50);
    EXPECT_TRUE(same_bytes(record(), expected.substr(0, record().size())));
    EXPECT_EQ(count_lines(record()), 150);
}

TEST_F(ExportTest, KilledRunIsCompletedByARerunWithoutDuplicates) {
    start_site({"--rows-per-day", "179"});
    std::string expected = expected_file(make_datetime(2014, 1, 1), make_datetime(2014, 1, 9), 179);
    test::ChildProcess p = run(args("2014-01-01", "2014-01-09"));
    wait_for_lines(out_, 400, 30s);
    p.signal(SIGKILL);
    p.wait();
    expect_whole_lines_of(record(), expected);
    test::ChildProcess again = run(args("2014-01-01", "2014-01-09"));
    ASSERT_EQ(again.wait(), 0) << again.err();
    EXPECT_TRUE(same_bytes(record(), expected));
}

}  // namespace
}  // namespace kl8
