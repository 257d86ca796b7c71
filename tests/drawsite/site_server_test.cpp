// kl8-drawsite as a process on a loopback port, fetched with libcurl.

#include <arpa/inet.h>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "tests/drawsite/row_reference.h"
#include "tests/support/site_process.h"
#include "tools/drawsite/draw_data.h"
#include "tools/drawsite/fault_plan.h"

namespace kl8 {
namespace {

using test::DrawSiteProcess;
using test::Fields;

struct Reply {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string body;
    std::string headers;  // every header block received, as sent
    long new_connections = 0;
    std::string effective_url;
};

struct FetchSettings {
    long timeout_ms = 60000;
    bool follow = false;
    long max_redirects = 5;
};

struct EasyCleanup {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};

// One easy handle: its requests reuse one connection while the server keeps it alive.
class Client {
   public:
    Client() : curl_(curl_easy_init()) {}

    Reply get(const std::string& url, const FetchSettings& settings = {}) {
        Reply reply;
        CURL* c = curl_.get();
        curl_easy_setopt(c, CURLOPT_URL, url.c_str());
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &append);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &reply.body);
        curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &append);
        curl_easy_setopt(c, CURLOPT_HEADERDATA, &reply.headers);
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, settings.timeout_ms);
        curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, settings.follow ? 1L : 0L);
        curl_easy_setopt(c, CURLOPT_MAXREDIRS, settings.max_redirects);
        curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
        reply.code = curl_easy_perform(c);
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &reply.status);
        curl_easy_getinfo(c, CURLINFO_NUM_CONNECTS, &reply.new_connections);
        char* effective = nullptr;
        curl_easy_getinfo(c, CURLINFO_EFFECTIVE_URL, &effective);
        if (effective != nullptr) reply.effective_url = effective;
        return reply;
    }

   private:
    static size_t append(char* data, size_t size, size_t count, void* out) {
        static_cast<std::string*>(out)->append(data, size * count);
        return size * count;
    }
    std::unique_ptr<CURL, EasyCleanup> curl_;
};

Reply fetch(const std::string& url, const FetchSettings& settings = {}) {
    return Client().get(url, settings);
}

int count_of(const std::string& text, std::string_view sought) {
    int n = 0;
    for (std::size_t at = text.find(sought); at != std::string::npos;
         at = text.find(sought, at + 1))
        ++n;
    return n;
}

std::vector<Fields> fields_of(const std::vector<DrawRow>& rows) {
    std::vector<Fields> out;
    for (const DrawRow& r : rows) out.push_back(r.fields);
    return out;
}

const DateTime TODAY = make_datetime(2024, 1, 10);

// One site for the suite, every fault on a day of its own.
class DrawSiteTest : public ::testing::Test {
   protected:
    static void SetUpTestSuite() {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        dir_ = new test::TempDir("kl8-drawsite");
        ASSERT_TRUE(test::write_file(dir_->path() / "faults.json", R"({
            "2024/1/1": {"mode": "status", "status": 500},
            "2024/1/2": {"mode": "status", "status": 503, "retry_after": 7},
            "2024/1/3": {"mode": "fail_first", "count": 2, "status": 503, "retry_after": 1},
            "2024/1/4": {"mode": "empty"},
            "2024/1/5": {"mode": "close"},
            "2024/1/6": {"mode": "delay", "ms": 5000},
            "2024/1/7": {"mode": "delay", "ms": 200},
            "2024/1/8": {"mode": "crlf"},
            "2024/1/9": {"mode": "extra_space"},
            "2023/12/1": {"mode": "zero_byte"},
            "2023/12/2": {"mode": "upper_case"},
            "2023/12/3": {"mode": "comma"},
            "2023/12/4": {"mode": "redirect"},
            "2023/12/5": {"mode": "redirect", "status": 301, "location": "/elsewhere?x=1"},
            "2023/12/6": {"mode": "redirect_loop"},
            "2023/12/7": {"mode": "set_cookie"},
            "2023/12/8": {"mode": "set_cookie", "cookies": ["a=1; path=/", "b=2"]},
            "2023/12/9": {"mode": "big_headers"},
            "2023/12/10": {"mode": "big_cookie", "bytes": 50000},
            "2023/12/11": {"mode": "stall"},
            "2023/12/12": {"mode": "dribble", "bytes": 8192, "ms": 1},
            "2023/12/13": {"mode": "dribble", "bytes": 1, "ms": 50},
            "2023/12/14": {"mode": "truncated", "bytes": 1000},
            "2023/12/15": {"mode": "huge_page", "mb": 2},
            "2023/12/16": {"mode": "status", "status": 404},
            "2023/11/20": {"mode": "malformed_status"},
            "2023/11/21": {"mode": "malformed_status", "line": "HTTP/1.1 200 Fine"},
            "2023/11/22": {"mode": "spans_line", "mb": 1}
        })"));
        site_ = new DrawSiteProcess({"--today", "2024-01-10", "--faults",
                                     (dir_->path() / "faults.json").string(), "--log",
                                     (dir_->path() / "requests.log").string()});
        ASSERT_TRUE(site_->ok()) << site_->error();
    }
    static void TearDownTestSuite() {
        delete site_;
        delete dir_;
        site_ = nullptr;
        dir_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(site_ != nullptr && site_->ok()); }

    static std::string url(std::string_view day) { return site_->day_url(day); }
    static std::string normal_page(DateTime day) {
        return render_page(day, served_draws(day, TODAY, DEFAULT_ROWS_PER_DAY));
    }

    static test::TempDir* dir_;
    static DrawSiteProcess* site_;
};

test::TempDir* DrawSiteTest::dir_ = nullptr;
DrawSiteProcess* DrawSiteTest::site_ = nullptr;

TEST_F(DrawSiteTest, PageIsTheGeneratedDayByteForByte) {
    const Reply r = fetch(url("2020/2/29"));
    ASSERT_EQ(r.code, CURLE_OK);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, normal_page(make_datetime(2020, 2, 29)));
    EXPECT_NE(r.headers.find("Content-Type: text/html; charset=GBK"), std::string::npos);
    // Each of the 179 rows in the pattern's exact markup, in order.
    const auto rows = draws_of_day(make_datetime(2020, 2, 29), 179);
    std::size_t at = 0;
    for (const DrawRow& row : rows) {
        const std::size_t found = r.body.find(test::row_from_table(row.fields), at);
        ASSERT_NE(found, std::string::npos) << row.fields[0];
        at = found + 1;
    }
    EXPECT_EQ(test::RowMatcher().match_all(r.body), fields_of(rows));
}

TEST_F(DrawSiteTest, TwoServersServeTheSameBytes) {
    DrawSiteProcess other({"--today", "2024-01-10"});
    ASSERT_TRUE(other.ok()) << other.error();
    for (const char* day : {"2010/9/3", "2016/6/6", "2024/1/10"}) {
        SCOPED_TRACE(day);
        const Reply a = fetch(url(day));
        const Reply b = fetch(other.day_url(day));
        ASSERT_EQ(a.code, CURLE_OK);
        ASSERT_EQ(b.code, CURLE_OK);
        EXPECT_EQ(a.body, b.body);
        EXPECT_EQ(test::RowMatcher().match_all(a.body).size(), 179u);
    }
    EXPECT_EQ(other.stop(), 0);
}

TEST_F(DrawSiteTest, DayTextsAndRowlessDays) {
    const std::string jan5_2019 = fetch(url("2019/1/5")).body;
    struct Case {
        std::string query;  // after "?"
        long status;
        std::size_t rows;
        const char* why;
    };
    const Case cases[] = {
        {"d=2019/1/5", 200, 179, "format_ymd's form"},
        {"d=2019/01/05", 200, 179, "leading zeros"},
        {"d=2019-01-05", 200, 179, "dashes"},
        {"d=2019%2F1%2F5", 200, 179, "percent-encoded slashes"},
        {"d=2010/9/3", 200, 179, "the first day"},
        {"d=2010/9/2", 200, 0, "before the first day"},
        {"d=1990/1/1", 200, 0, "long before"},
        {"d=2024/1/10", 200, 179, "--today itself is full"},
        {"d=2024/1/11", 200, 0, "after --today"},
        {"d=2099/1/1", 200, 0, "far after"},
        {"d=2019/2/30", 400, 0, "not a date"},
        {"d=abc", 400, 0, "not a day"},
        {"d=", 400, 0, "empty"},
        {"x=2019/1/5", 400, 0, "no d"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Reply r = fetch("http://" + site_->host_port() + "/lottery/draw/list/543?" + c.query);
        ASSERT_EQ(r.code, CURLE_OK);
        EXPECT_EQ(r.status, c.status);
        EXPECT_FALSE(r.body.empty());
        EXPECT_EQ(test::RowMatcher().match_all(r.body).size(), c.rows);
        if (c.rows == 179 && c.query.find("2019") != std::string::npos) {
            EXPECT_EQ(r.body, jan5_2019);
        }
    }
    const Reply other = fetch("http://" + site_->host_port() + "/lottery/draw/list/544?d=2019/1/5");
    EXPECT_EQ(other.status, 404);
    EXPECT_TRUE(test::RowMatcher().match_all(other.body).empty());
}

TEST_F(DrawSiteTest, KeepAliveServesManyRequestsOnOneConnection) {
    Client client;
    long connections = 0;
    for (int i = 0; i < 30; ++i) {
        const Reply r = client.get(url("2018/3/" + std::to_string(1 + i % 28)));
        ASSERT_EQ(r.code, CURLE_OK);
        ASSERT_EQ(r.status, 200);
        connections += r.new_connections;
    }
    EXPECT_EQ(connections, 1);
}

TEST_F(DrawSiteTest, StatusFaults) {
    struct Case {
        const char* day;
        long status;
        const char* retry_after;
        const char* why;
    };
    const Case cases[] = {
        {"2024/1/1", 500, nullptr, "500"},
        {"2024/1/2", 503, "Retry-After: 7", "503 with the given Retry-After"},
        {"2023/12/16", 404, nullptr, "any status"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Reply r = fetch(url(c.day));
        ASSERT_EQ(r.code, CURLE_OK);
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(test::RowMatcher().match_all(r.body).empty());
        EXPECT_EQ(r.headers.find("Retry-After") != std::string::npos, c.retry_after != nullptr);
        if (c.retry_after) {
            EXPECT_NE(r.headers.find(c.retry_after), std::string::npos);
        }
    }
}

TEST_F(DrawSiteTest, FailFirstFailsOnlyTheFirstRequests) {
    Client client;
    for (int i = 1; i <= 2; ++i) {
        SCOPED_TRACE(i);
        const Reply r = client.get(url("2024/1/3"));
        EXPECT_EQ(r.status, 503);
        EXPECT_NE(r.headers.find("Retry-After: 1\r\n"), std::string::npos);
    }
    const Reply ok = client.get(url("2024-01-03"));
    EXPECT_EQ(ok.status, 200);
    EXPECT_EQ(ok.body, normal_page(make_datetime(2024, 1, 3)));
}

TEST_F(DrawSiteTest, EmptyBody) {
    const Reply r = fetch(url("2024/1/4"));
    ASSERT_EQ(r.code, CURLE_OK);
    EXPECT_EQ(r.status, 200);
    EXPECT_TRUE(r.body.empty());
    EXPECT_NE(r.headers.find("Content-Length: 0\r\n"), std::string::npos);
}

TEST_F(DrawSiteTest, CloseWithoutAnswer) {
    const Reply r = fetch(url("2024/1/5"));
    EXPECT_EQ(r.code, CURLE_GOT_NOTHING);
    EXPECT_TRUE(r.headers.empty());
    EXPECT_EQ(fetch(url("2024/1/6"), {.timeout_ms = 1}).code, CURLE_OPERATION_TIMEDOUT)
        << "the site still answers others";
}

TEST_F(DrawSiteTest, DelayHoldsTheAnswerBack) {
    // The site waits 5 s before this answer: a client that gives up after 200 ms gets none.
    const Reply early = fetch(url("2024/1/6"), {.timeout_ms = 200});
    EXPECT_EQ(early.code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_TRUE(early.headers.empty());
    const Reply late = fetch(url("2024/1/7"));
    ASSERT_EQ(late.code, CURLE_OK);
    EXPECT_EQ(late.body, normal_page(make_datetime(2024, 1, 7)));
}

TEST_F(DrawSiteTest, PageVariants) {
    const test::RowMatcher matcher;
    {
        SCOPED_TRACE("CR LF");
        const Reply r = fetch(url("2024/1/8"));
        EXPECT_EQ(r.status, 200);
        EXPECT_EQ(count_of(r.body, "\r\n"), count_of(r.body, "\n"));
        EXPECT_TRUE(matcher.match_all(r.body).empty());
    }
    {
        SCOPED_TRACE("one extra space in row 1");
        const Reply r = fetch(url("2024/1/9"));
        const auto all = fields_of(draws_of_day(make_datetime(2024, 1, 9), 179));
        EXPECT_EQ(matcher.match_all(r.body), std::vector<Fields>(all.begin() + 1, all.end()));
    }
    {
        SCOPED_TRACE("a zero byte after row 3");
        const Reply r = fetch(url("2023/12/1"));
        const std::size_t zero = r.body.find('\0');
        ASSERT_NE(zero, std::string::npos);
        EXPECT_EQ(matcher.match_all(r.body.substr(0, zero)).size(), 3u);
        EXPECT_EQ(matcher.match_all(r.body).size(), 179u);
    }
    {
        SCOPED_TRACE("upper-case tags");
        const Reply r = fetch(url("2023/12/2"));
        EXPECT_NE(r.body.find("<SPAN CLASS=\"BALL_1\">"), std::string::npos);
        EXPECT_EQ(matcher.match_all(r.body),
                  fields_of(draws_of_day(make_datetime(2023, 12, 2), 179)));
    }
    {
        SCOPED_TRACE("a comma in field 2");
        const auto found = matcher.match_all(fetch(url("2023/12/3")).body);
        ASSERT_EQ(found.size(), 179u);
        EXPECT_EQ(found[178][1], "2023-12-03,23:55");
    }
}

TEST_F(DrawSiteTest, Redirects) {
    {
        SCOPED_TRACE("to another path that serves the day");
        const Reply hop = fetch(url("2023/12/4"));
        EXPECT_EQ(hop.status, 302);
        EXPECT_NE(hop.headers.find("Location: /redirected/lottery/draw/list/543?d=2023/12/4\r\n"),
                  std::string::npos);
        const Reply r = fetch(url("2023/12/4"), {.follow = true});
        ASSERT_EQ(r.code, CURLE_OK);
        EXPECT_EQ(r.status, 200);
        EXPECT_EQ(r.body, normal_page(make_datetime(2023, 12, 4)));
        EXPECT_NE(r.effective_url.find("/redirected/"), std::string::npos);
    }
    {
        SCOPED_TRACE("to a given location and status");
        const Reply r = fetch(url("2023/12/5"));
        EXPECT_EQ(r.status, 301);
        EXPECT_NE(r.headers.find("Location: /elsewhere?x=1\r\n"), std::string::npos);
    }
    {
        SCOPED_TRACE("a loop");
        const Reply r = fetch(url("2023/12/6"), {.follow = true, .max_redirects = 5});
        EXPECT_EQ(r.code, CURLE_TOO_MANY_REDIRECTS);
        EXPECT_EQ(count_of(r.headers, "HTTP/1.1 302"), 6);
    }
}

TEST_F(DrawSiteTest, HeaderFaults) {
    {
        SCOPED_TRACE("default cookies");
        const Reply r = fetch(url("2023/12/7"));
        EXPECT_EQ(count_of(r.headers, "Set-Cookie: "), 2);
        EXPECT_EQ(r.body, normal_page(make_datetime(2023, 12, 7)));
    }
    {
        SCOPED_TRACE("given cookies, as given");
        const Reply r = fetch(url("2023/12/8"));
        EXPECT_NE(r.headers.find("Set-Cookie: a=1; path=/\r\n"), std::string::npos);
        EXPECT_NE(r.headers.find("Set-Cookie: b=2\r\n"), std::string::npos);
    }
    {
        SCOPED_TRACE("a header block over 6000 bytes");
        const Reply r = fetch(url("2023/12/9"));
        ASSERT_EQ(r.code, CURLE_OK);
        EXPECT_GT(r.headers.size(), 6000u);
        EXPECT_EQ(r.body, normal_page(make_datetime(2023, 12, 9)));
    }
    {
        SCOPED_TRACE("a big cookie");
        const Reply r = fetch(url("2023/12/10"));
        ASSERT_EQ(r.code, CURLE_OK);
        EXPECT_NE(r.headers.find("Set-Cookie: big=" + std::string(50000, 'x') + "\r\n"),
                  std::string::npos);
        EXPECT_EQ(r.body, normal_page(make_datetime(2023, 12, 10)));
    }
}

TEST_F(DrawSiteTest, StallSendsHeadersThenNothing) {
    // Long enough for the headers to arrive under a sanitizer, short enough to keep the test quick.
    const Reply r = fetch(url("2023/12/11"), {.timeout_ms = 1500});
    EXPECT_EQ(r.code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_EQ(r.status, 200);
    EXPECT_NE(r.headers.find("Content-Length: " +
                             std::to_string(normal_page(make_datetime(2023, 12, 11)).size())),
              std::string::npos);
    EXPECT_TRUE(r.body.empty());
}

TEST_F(DrawSiteTest, DribbleSendsThePageSlowly) {
    const Reply whole = fetch(url("2023/12/12"));
    ASSERT_EQ(whole.code, CURLE_OK);
    EXPECT_EQ(whole.body, normal_page(make_datetime(2023, 12, 12)));
    // One byte every 50 ms: far from the whole page when the client gives up.
    const Reply cut = fetch(url("2023/12/13"), {.timeout_ms = 500});
    EXPECT_EQ(cut.code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_EQ(cut.status, 200);
    EXPECT_LT(cut.body.size(), 1000u);
}

TEST_F(DrawSiteTest, TruncatedBodyIsShorterThanItsLength) {
    const Reply r = fetch(url("2023/12/14"));
    EXPECT_EQ(r.code, CURLE_PARTIAL_FILE);
    EXPECT_EQ(r.body, normal_page(make_datetime(2023, 12, 14)).substr(0, 1000));
}

TEST_F(DrawSiteTest, HugePageStillHoldsTheRows) {
    const Reply r = fetch(url("2023/12/15"));
    ASSERT_EQ(r.code, CURLE_OK);
    EXPECT_LE(r.body.size(), 2u << 20);
    EXPECT_GT(r.body.size(), (2u << 20) - 1024);
    EXPECT_EQ(test::RowMatcher().match_all(r.body),
              fields_of(draws_of_day(make_datetime(2023, 12, 15), 179)));
}

// Sends a GET for target over a plain socket and reads until the server closes.
std::string raw_get(int port, const std::string& target) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return {};
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        const std::string request = "GET " + target + " HTTP/1.1\r\nHost: x\r\n\r\n";
        if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
            char buf[16384];
            for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) answer.append(buf, n);
        }
    }
    ::close(fd);
    return answer;
}

TEST_F(DrawSiteTest, MalformedStatusLineThenTheAnswer) {
    struct Case {
        const char* day;
        std::string status_line;
        const char* why;
    };
    const Case cases[] = {
        {"2023/11/20", "HTTP/1.1 OK", "the default line, without a status code"},
        {"2023/11/21", "HTTP/1.1 200 Fine", "the line given"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const std::optional<DateTime> day = parse_day_text(c.day);
        ASSERT_TRUE(day);
        const std::string page = normal_page(*day);
        EXPECT_EQ(raw_get(site_->port(), std::string("/lottery/draw/list/543?d=") + c.day),
                  c.status_line +
                      "\r\nContent-Type: text/html; charset=GBK\r\nContent-Length: " +
                      std::to_string(page.size()) + "\r\nConnection: close\r\n\r\n" + page);
    }
    EXPECT_NE(fetch(url("2023/11/20")).code, CURLE_OK) << "libcurl takes it for no HTTP answer";
}

TEST_F(DrawSiteTest, SpansLineBreaksOffARowBeforeTheRows) {
    const DateTime day = make_datetime(2023, 11, 22);
    const Reply r = fetch(url("2023/11/22"));
    ASSERT_EQ(r.code, CURLE_OK);
    const std::vector<DrawRow> rows = served_draws(day, TODAY, DEFAULT_ROWS_PER_DAY);
    EXPECT_EQ(test::RowMatcher().match_all(r.body), fields_of(rows));

    // The normal page around the insert, the insert right before the first row.
    const std::string normal = normal_page(day);
    const std::string first_row = render_row(rows.front());
    const std::size_t at = normal.find(first_row);
    ASSERT_NE(at, std::string::npos);
    ASSERT_GT(r.body.size(), normal.size());
    const std::size_t inserted = r.body.size() - normal.size();
    EXPECT_EQ(r.body.substr(0, at), normal.substr(0, at));
    EXPECT_EQ(r.body.substr(at + inserted), normal.substr(at));

    // The insert: the first row's markup up to its first ball_1 span, then the pieces.
    const std::string open_span = "<span class=\"ball_1\">";
    const std::string insert = r.body.substr(at, inserted);
    const std::size_t cell = first_row.find(open_span) + open_span.size();
    EXPECT_EQ(insert.substr(0, cell), first_row.substr(0, cell));
    const std::string line = insert.substr(cell);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_GE(line.size() + open_span.size(), 1u << 20);
    EXPECT_LT(line.size(), (1u << 20) + 64);
    const std::string piece = "</span>" + open_span;
    ASSERT_EQ(line.size() % piece.size(), 0u);
    for (std::size_t i = 0; i < line.size(); i += piece.size()) {
        ASSERT_EQ(line.compare(i, piece.size(), piece), 0) << "at " << i;
    }
}

TEST_F(DrawSiteTest, LogHoldsEachRequestAsReceived) {
    Client client;
    ASSERT_EQ(client.get(url("2017/7/7")).code, CURLE_OK);
    CURL* raw = curl_easy_init();
    struct curl_slist* headers = curl_slist_append(nullptr, "Accept-Language: zh-cn");
    headers = curl_slist_append(headers, "X-Odd: a\\b");
    curl_easy_setopt(raw, CURLOPT_URL, url("2017/7/8").c_str());
    curl_easy_setopt(raw, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(raw, CURLOPT_USERAGENT, "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
    curl_easy_setopt(
        raw, CURLOPT_WRITEFUNCTION, +[](char*, size_t s, size_t n, void*) { return s * n; });
    ASSERT_EQ(curl_easy_perform(raw), CURLE_OK);
    curl_slist_free_all(headers);
    curl_easy_cleanup(raw);

    const auto log = test::read_request_log(dir_->path() / "requests.log");
    const std::string host = "Host: " + site_->host_port() + "\r\n";
    const std::string first =
        "GET /lottery/draw/list/543?d=2017/7/7 HTTP/1.1\r\n" + host + "Accept: */*\r\n\r\n";
    const std::string second = "GET /lottery/draw/list/543?d=2017/7/8 HTTP/1.1\r\n" + host +
                               "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n"
                               "Accept: */*\r\nAccept-Language: zh-cn\r\nX-Odd: a\\b\r\n\r\n";
    EXPECT_NE(std::find(log.begin(), log.end(), first), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), second), log.end());
    const std::string text = test::read_file(dir_->path() / "requests.log");
    EXPECT_NE(text.find("X-Odd: a\\\\b\\r\\n"), std::string::npos) << "one line per request";
}

TEST(DrawSiteProcess, TodayWithoutTodayIsPartialByTheClock) {
    DrawSiteProcess site({"--rows-per-day", "179"});
    ASSERT_TRUE(site.ok()) << site.error();
    const DateTime before = now_datetime();
    const Reply r = fetch(site.day_url(format_ymd(before).str()));
    const DateTime after = now_datetime();
    ASSERT_EQ(r.code, CURLE_OK);
    const auto rows = test::RowMatcher().match_all(r.body);
    const auto limit = [](DateTime t) { return hour_of(t) * 60 + minute_of(t); };
    if (format_ymd(before) == format_ymd(after)) {
        EXPECT_GE(rows.size(), draws_of_day(before, 179, limit(before)).size());
        EXPECT_LE(rows.size(), draws_of_day(after, 179, limit(after)).size());
    }
    // The draws that have taken place are the day's first ones, numbered as in a full day.
    const auto full = draws_of_day(before, 179);
    ASSERT_LE(rows.size(), full.size());
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], full[i].fields);
    const Reply tomorrow = fetch(site.day_url(format_ymd(add_days(after, 1)).str()));
    EXPECT_TRUE(test::RowMatcher().match_all(tomorrow.body).empty());
    const Reply yesterday = fetch(site.day_url(format_ymd(add_days(before, -1)).str()));
    EXPECT_EQ(test::RowMatcher().match_all(yesterday.body).size(), 179u);
    EXPECT_EQ(site.stop(), 0);
}

TEST(DrawSiteProcess, RowsPerDayAndGlobalFaults) {
    DrawSiteProcess site({"--today", "2024-01-10", "--rows-per-day", "3", "--fail-every", "3"});
    ASSERT_TRUE(site.ok()) << site.error();
    Client client;
    std::vector<long> statuses;
    for (int i = 0; i < 6; ++i) {
        const Reply r = client.get(site.day_url("2011/1/1"));
        statuses.push_back(r.status);
        if (r.status == 200) {
            EXPECT_EQ(r.body, render_page(make_datetime(2011, 1, 1),
                                          draws_of_day(make_datetime(2011, 1, 1), 3)));
        }
    }
    EXPECT_EQ(statuses, (std::vector<long>{200, 200, 500, 200, 200, 500}));
}

TEST(DrawSiteProcess, StallEvery) {
    DrawSiteProcess site({"--today", "2024-01-10", "--stall-every", "2"});
    ASSERT_TRUE(site.ok()) << site.error();
    EXPECT_EQ(fetch(site.day_url("2012/1/1")).code, CURLE_OK);
    const Reply stalled = fetch(site.day_url("2012/1/1"), {.timeout_ms = 300});
    EXPECT_EQ(stalled.code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_TRUE(stalled.body.empty());
    EXPECT_EQ(fetch(site.day_url("2012/1/1")).code, CURLE_OK);
    EXPECT_EQ(site.stop(), 0);
}

TEST(DrawSiteProcess, ExitsZeroOnSigintAndSigterm) {
    for (int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        // At once after start-up, and after a request.
        DrawSiteProcess fresh;
        ASSERT_TRUE(fresh.ok()) << fresh.error();
        EXPECT_EQ(fresh.stop(sig), 0);
        DrawSiteProcess used;
        ASSERT_TRUE(used.ok()) << used.error();
        EXPECT_EQ(fetch(used.day_url("2015/5/5")).status, 200);
        EXPECT_EQ(used.stop(sig), 0);
    }
}

TEST(DrawSiteProcess, StopsPromptlyWithAStalledClient) {
    DrawSiteProcess site({"--stall-every", "1"});
    ASSERT_TRUE(site.ok()) << site.error();
    // A raw client that sends a request and never reads nor closes.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(site.port()));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const std::string request = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
    ASSERT_EQ(::send(fd, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
    char buf[64];
    ASSERT_GT(::recv(fd, buf, sizeof buf, 0), 0) << "the stall's header block";
    EXPECT_EQ(site.stop(), 0);
    ::close(fd);
}

int run_site(std::vector<std::string> args) {
    args.insert(args.begin(), KL8_DRAWSITE_PATH);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Keep the test's output clean; the usage text is not checked here.
        std::freopen("/dev/null", "w", stderr);
        std::freopen("/dev/null", "w", stdout);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DrawSiteProcess, BadArgumentsExitTwo) {
    test::TempDir dir;
    ASSERT_TRUE(test::write_file(dir / "bad.json", R"({"2024/1/5": {"mode": "nope"}})"));
    struct Case {
        std::vector<std::string> args;
        const char* why;
    };
    const Case cases[] = {
        {{"--port", "70000"}, "port out of range"},
        {{"--port"}, "a missing value"},
        {{"--today", "2024/2/30"}, "not a day"},
        {{"--rows-per-day", "180"}, "more rows than fit into a day"},
        {{"--rows-per-day", "-1"}, "negative rows"},
        {{"--faults", (dir / "missing.json").string()}, "a missing fault file"},
        {{"--faults", (dir / "bad.json").string()}, "a bad fault file"},
        {{"--bogus", "1"}, "an unknown argument"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(run_site(c.args), 2);
    }
}

TEST(DrawSiteProcess, APortInUseExitsOne) {
    DrawSiteProcess first;
    ASSERT_TRUE(first.ok()) << first.error();
    EXPECT_EQ(run_site({"--port", std::to_string(first.port())}), 1);
    EXPECT_EQ(fetch(first.day_url("2015/5/5")).status, 200) << "the first one still serves";
}

TEST(DrawSiteProcess, ServesOnIpv6Loopback) {
    DrawSiteProcess site({"--host", "::1"});
    if (!site.ok()) GTEST_SKIP() << "no IPv6 loopback here: " << site.error();
    EXPECT_EQ(site.host_port().rfind("[::1]:", 0), 0u);
    const Reply r = fetch(site.day_url("2015/5/5"));
    EXPECT_EQ(r.code, CURLE_OK);
    EXPECT_EQ(r.status, 200);
}

}  // namespace
}  // namespace kl8
