// fetch_page against RawHttpServer on loopback: what arrives on the wire, and what comes back.

#include "web/fetch.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "tests/web/raw_http_server.h"

namespace kl8 {
namespace {

using std::chrono::milliseconds;
using test::http_reply;
using test::ok_reply;
using test::RawHttpServer;
using test::ReceivedRequest;
using test::Reply;

const std::string DEFAULT_AGENT_LINE =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n";
const std::string DEFAULTS_AFTER_REFERER =
    "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded\r\n";

class FetchPage : public ::testing::Test {
   protected:
    void SetUp() override { clear_cookie_store(); }

    static std::string host_line(const RawHttpServer& server) {
        return "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n";
    }
    static std::string as_string(const Bytes& b) { return b.str(); }
};

TEST_F(FetchPage, ProgramsOwnRequest) {
    RawHttpServer server([](const ReceivedRequest&) { return ok_reply("the page"); });
    const std::string url = server.base_url() + "/lottery/draw/list/543?d=2014/9/9";
    FetchOptions options;

    const Bytes body = fetch_page(Text(url), options);

    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].raw, "GET /lottery/draw/list/543?d=2014/9/9 HTTP/1.1\r\n" +
                                            host_line(server) + DEFAULT_AGENT_LINE +
                                            "Accept: */*\r\nReferer: " + url + "\r\n" +
                                            DEFAULTS_AFTER_REFERER + "\r\n");
    EXPECT_EQ(as_string(body), "the page");
    EXPECT_EQ(options.outcome, FetchOutcome::ok);
    EXPECT_EQ(options.http_status, 200);
    EXPECT_EQ(options.error_message, "");
    EXPECT_EQ(options.request_headers, Text("Accept: */*\r\nReferer: " + url + "\r\n" +
                                            "Accept-Language: zh-cn\r\nContent-Type: "
                                            "application/x-www-form-urlencoded"));
    EXPECT_EQ(options.response_headers, "HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\n");
    EXPECT_EQ(options.cookies_received, "");
}

TEST_F(FetchPage, ThroughAnHttpProxyTheRequestCarriesTheAbsoluteUrl) {
    RawHttpServer proxy([](const ReceivedRequest&) { return ok_reply("via proxy"); });
    const Text url = "http://example.com/lottery/draw/list/543?d=2014/9/9";
    FetchOptions options;
    options.proxy = Text("127.0.0.1:" + std::to_string(proxy.port()));

    const Bytes body = fetch_page(url, options);

    EXPECT_EQ(text_length(options.request_headers), 146) << "the program's own block";
    ASSERT_EQ(proxy.requests().size(), 1u);
    EXPECT_EQ(proxy.requests()[0].raw,
              "GET http://example.com/lottery/draw/list/543?d=2014/9/9 HTTP/1.1\r\n"
              "Host: example.com\r\n" +
                  DEFAULT_AGENT_LINE + "Proxy-Connection: Keep-Alive\r\n" +
                  "Accept: */*\r\nReferer: " + url.str() + "\r\n" + DEFAULTS_AFTER_REFERER +
                  "\r\n");
    EXPECT_EQ(as_string(body), "via proxy");
    EXPECT_EQ(options.outcome, FetchOutcome::ok);
}

TEST_F(FetchPage, ThroughAProxyHttpsGoesThroughATunnel) {
    RawHttpServer proxy([](const ReceivedRequest&) {
        return Reply{http_reply("403 Forbidden", {}, ""), true};
    });
    FetchOptions options;
    options.proxy = Text("127.0.0.1:" + std::to_string(proxy.port()));

    const Bytes body = fetch_page("HTTPS://example.com/x", options);

    ASSERT_EQ(proxy.requests().size(), 1u);
    EXPECT_TRUE(proxy.requests()[0].head.starts_with(
        "CONNECT example.com:443 HTTP/1.1\r\nHost: example.com:443\r\n"));
    EXPECT_NE(options.outcome, FetchOutcome::ok) << "the tunnel was refused";
    EXPECT_TRUE(body.empty());
}

TEST_F(FetchPage, HeaderBlockRulesOnTheWire) {
    struct Case {
        std::string request_headers;
        std::string expected_lines;  // after the Host line, up to the empty line
        const char* why;
    };
    const std::string referer_and_rest = "Referer: {url}\r\n" + DEFAULTS_AFTER_REFERER;
    const Case cases[] = {
        {"accept: text/html",
         DEFAULT_AGENT_LINE + "accept: text/html\r\nAccept: */*\r\n" + referer_and_rest,
         "a lower-case accept line gets the default Accept after it"},
        {"X-A: 1\r\n", DEFAULT_AGENT_LINE + "X-A: 1\r\nAccept: */*\r\n" + referer_and_rest,
         "the empty line of a block ending in CR LF is not sent"},
        {"user-agent: X", "user-agent: X\r\nAccept: */*\r\n" + referer_and_rest,
         "the caller's User-Agent line replaces the default agent"},
        {"Accept: a\r\nuser-agent: X", "Accept: a\r\nuser-agent: X\r\n" + referer_and_rest,
         "the colon fallback never puts a line break into the agent"},
        {"X-Note: User-Agent: z\r\nX-B: 1",
         "User-Agent: z\r\nX-Note: User-Agent: z\r\nX-B: 1\r\nAccept: */*\r\n" + referer_and_rest,
         "an agent found inside another line is sent as the agent"},
        {"X-Empty:", DEFAULT_AGENT_LINE + "X-Empty:\r\nAccept: */*\r\n" + referer_and_rest,
         "a header with an empty value is sent"},
        {"Accept: x\r\nReferer: r\r\nAccept-Language: en\r\nContent-Type: t",
         DEFAULT_AGENT_LINE + "Accept: x\r\nReferer: r\r\nAccept-Language: en\r\n"
                              "Content-Type: t\r\n",
         "no defaults added when the block has them"},
        {"X-A: 1\nX-B: 2\rX-C: 3",
         DEFAULT_AGENT_LINE + "X-A: 1\r\nX-B: 2\r\nX-C: 3\r\nAccept: */*\r\n" + referer_and_rest,
         "a lone LF or CR ends a line instead of going out inside one"},
    };
    RawHttpServer server([](const ReceivedRequest&) { return ok_reply(""); });
    const std::string url = server.base_url() + "/p";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const std::size_t before = server.requests().size();
        FetchOptions options;
        options.request_headers = Text(c.request_headers);
        (void)fetch_page(Text(url), options);
        ASSERT_EQ(server.requests().size(), before + 1);
        std::string expected = c.expected_lines;
        if (const auto at = expected.find("{url}"); at != std::string::npos) {
            expected.replace(at, 5, url);
        }
        EXPECT_EQ(server.requests().back().raw,
                  "GET /p HTTP/1.1\r\n" + host_line(server) + expected + "\r\n");
    }
}

TEST_F(FetchPage, RequestBodies) {
    struct Case {
        int method;
        std::string post_text;
        std::string post_bytes;
        std::string request_line;
        std::string body_lines;  // after the block, up to the empty line
        std::string body;
        const char* why;
    };
    const std::string two_mib(2 << 20, 'z');
    const Case cases[] = {
        {1, "a=1", "", "POST /f HTTP/1.1", "Content-Length: 3\r\n", "a=1", "POST of post_text"},
        {1, "ignored", std::string("a\0b\xff", 4), "POST /f HTTP/1.1", "Content-Length: 4\r\n",
         std::string("a\0b\xff", 4), "post_bytes win, zero bytes included"},
        {2, "q=1", "", "GET /f HTTP/1.1", "Content-Length: 3\r\n", "q=1",
         "method 2 sends GET with a body"},
        {1, "", "", "POST /f HTTP/1.1", "Content-Length: 0\r\n", "", "an empty POST"},
        {2, "", "", "GET /f HTTP/1.1", "", "", "GET without bytes sends no body"},
        {0, "x=1", "", "GET /f HTTP/1.1", "", "", "method 0 ignores post_text"},
        {1, two_mib, "", "POST /f HTTP/1.1", "Content-Length: 2097152\r\n", two_mib,
         "a large body goes without Expect: 100-continue"},
    };
    RawHttpServer server([](const ReceivedRequest&) { return ok_reply("done"); });
    const std::string url = server.base_url() + "/f";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        FetchOptions options;
        options.method = c.method;
        options.post_text = Text(c.post_text);
        options.post_bytes = Bytes(c.post_bytes);
        const Bytes body = fetch_page(Text(url), options);
        EXPECT_EQ(as_string(body), "done");
        const ReceivedRequest got = server.requests().back();
        EXPECT_EQ(got.raw, c.request_line + "\r\n" + host_line(server) + DEFAULT_AGENT_LINE +
                               "Accept: */*\r\nReferer: " + url + "\r\n" + DEFAULTS_AFTER_REFERER +
                               c.body_lines + "\r\n" + c.body);
        if (c.method != 0) {
            EXPECT_EQ(options.post_bytes.str(), c.post_bytes.empty() ? c.post_text : c.post_bytes)
                << "post_bytes holds the body sent";
        }
    }
}

TEST_F(FetchPage, CookiesReceivedWithoutACookieList) {
    RawHttpServer server([](const ReceivedRequest&) {
        return Reply{http_reply(
            "200 OK", {"set-cookie: a=1; path=/", "Set-Cookie2: x=1; path=/", "Set-Cookie: b=2"},
            "")};
    });
    FetchOptions options;

    (void)fetch_page(Text(server.base_url() + "/"), options);

    EXPECT_EQ(options.cookies_received, "a=1; ; b=2");
    EXPECT_EQ(options.response_headers,
              "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie2: x=1; path=/\r\n"
              "Set-Cookie: b=2\r\nContent-Length: 0\r\n\r\n")
        << "every set-cookie spelt Set-Cookie";
    EXPECT_FALSE(options.cookies.has_value());
}

TEST_F(FetchPage, AGivenCookieListIsSentAndMergedAndTheStoreStaysOut) {
    RawHttpServer server([](const ReceivedRequest&) {
        return Reply{http_reply(
            "200 OK", {"set-cookie: a=1; path=/", "Set-Cookie2: x=1; path=/", "Set-Cookie: b=2"},
            "")};
    });
    const Text url(server.base_url() + "/");
    FetchOptions options;
    options.cookies = Text("c=3; a=0");

    (void)fetch_page(url, options);

    EXPECT_NE(server.requests()[0].head.find("\r\nCookie: c=3; a=0\r\n"), std::string::npos);
    EXPECT_EQ(options.cookies, Text("a=1; ; b=2; c=3"));
    EXPECT_EQ(options.cookies_received, "a=1;;b=2") << "spaces removed by the merge";

    FetchOptions given_empty;
    given_empty.cookies = Text();
    (void)fetch_page(url, given_empty);
    EXPECT_EQ(given_empty.cookies, Text("a=1; ; b=2"));

    FetchOptions left_out;
    (void)fetch_page(url, left_out);
    ASSERT_EQ(server.requests().size(), 3u);
    for (const ReceivedRequest& r : server.requests()) {
        EXPECT_EQ(r.head.find("\r\nCookie: a="), std::string::npos)
            << "no cookie was kept from a request that had its own list";
    }
}

TEST_F(FetchPage, TheCookieStoreSendsCookiesBackWhenNoListIsGiven) {
    RawHttpServer server([](const ReceivedRequest& r) {
        if (r.head.starts_with("GET /login ")) {
            return Reply{http_reply("200 OK", {"Set-Cookie: sid=abc; path=/"}, "")};
        }
        return ok_reply("");
    });
    const std::string base = server.base_url();
    FetchOptions login;
    (void)fetch_page(Text(base + "/login"), login);
    EXPECT_EQ(login.cookies_received, "sid=abc");

    FetchOptions next;
    (void)fetch_page(Text(base + "/next"), next);

    FetchOptions own_list;
    own_list.cookies = Text("mine=1");
    (void)fetch_page(Text(base + "/own"), own_list);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_NE(requests[1].head.find("\r\nCookie: sid=abc\r\n"), std::string::npos)
        << "the store sends what it kept";
    EXPECT_EQ(requests[2].head.find("sid=abc"), std::string::npos)
        << "a given list keeps the store out";
    EXPECT_NE(requests[2].head.find("\r\nCookie: mine=1\r\n"), std::string::npos);
}

TEST_F(FetchPage, RedirectsAreFollowedUnlessForbidden) {
    RawHttpServer other([](const ReceivedRequest&) { return ok_reply("other port"); });
    const std::string other_url = other.base_url() + "/there";
    RawHttpServer server([&](const ReceivedRequest& r) {
        if (r.head.starts_with("GET /moved ")) {
            return Reply{http_reply("302 Found", {"Location: /here"}, "moved")};
        }
        if (r.head.starts_with("GET /away ")) {
            return Reply{http_reply("301 Moved Permanently", {"Location: " + other_url}, "")};
        }
        if (r.head.starts_with("GET /loop ")) {
            return Reply{http_reply("302 Found", {"Location: /loop"}, "")};
        }
        return ok_reply("here");
    });
    const std::string base = server.base_url();

    FetchOptions same_host;
    EXPECT_EQ(as_string(fetch_page(Text(base + "/moved"), same_host)), "here");
    EXPECT_EQ(same_host.http_status, 200);
    EXPECT_TRUE(same_host.response_headers.str().starts_with("HTTP/1.1 200 OK\r\n"))
        << "the final response's headers";

    FetchOptions other_port;
    EXPECT_EQ(as_string(fetch_page(Text(base + "/away"), other_port)), "other port");
    ASSERT_EQ(other.requests().size(), 1u);
    EXPECT_TRUE(other.requests()[0].head.starts_with("GET /there HTTP/1.1\r\n"));

    FetchOptions not_followed;
    not_followed.no_redirect = true;
    EXPECT_EQ(as_string(fetch_page(Text(base + "/moved"), not_followed)), "moved");
    EXPECT_EQ(not_followed.http_status, 302);
    EXPECT_EQ(not_followed.outcome, FetchOutcome::ok);

    FetchOptions endless;
    (void)fetch_page(Text(base + "/loop"), endless);
    EXPECT_EQ(endless.outcome, FetchOutcome::failed);

    const auto requests = server.requests();
    const auto count = [&](const std::string& line) {
        return std::count_if(requests.begin(), requests.end(),
                             [&](const ReceivedRequest& r) { return r.head.starts_with(line); });
    };
    EXPECT_EQ(count("GET /here "), 1) << "only the followed redirect reached /here";
    EXPECT_EQ(count("GET /moved "), 2);
    EXPECT_EQ(count("GET /loop "), 21) << "the first request and 20 redirects";
}

TEST_F(FetchPage, ARedirectFromHttpToHttpsIsFollowed) {
    // The plain server below cannot speak TLS; a handshake arriving there shows that the
    // redirect was taken.
    RawHttpServer tls_target([](const ReceivedRequest&) { return ok_reply(""); });
    RawHttpServer server([&](const ReceivedRequest&) {
        return Reply{http_reply(
            "302 Found",
            {"Location: https://127.0.0.1:" + std::to_string(tls_target.port()) + "/secure"}, "")};
    });
    FetchOptions options;

    (void)fetch_page(Text(server.base_url() + "/"), options);

    EXPECT_EQ(tls_target.tls_attempts(), 1);
    EXPECT_EQ(options.outcome, FetchOutcome::failed);
}

TEST_F(FetchPage, ARefusedConnection) {
    FetchOptions options;
    options.cookies = Text("a=1 ; b=2");

    const Bytes body =
        fetch_page(Text("http://127.0.0.1:" + std::to_string(test::closed_port()) + "/"), options);

    EXPECT_TRUE(body.empty());
    EXPECT_EQ(options.outcome, FetchOutcome::could_not_connect);
    EXPECT_EQ(options.http_status, 0);
    EXPECT_NE(options.error_message, "");
    EXPECT_EQ(options.response_headers, blank_text(HEADER_BUFFER_SIZE));
    EXPECT_EQ(options.cookies_received, "");
    EXPECT_EQ(options.cookies, Text("a=1; b=2")) << "merged with nothing";
}

TEST_F(FetchPage, ServerFailures) {
    struct Case {
        Reply reply;
        FetchOutcome outcome;
        std::string body;
        int status;
        const char* why;
    };
    const std::string partial = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc";
    const Case cases[] = {
        {Reply{"", true}, FetchOutcome::failed, "", 0, "closed without answering"},
        {Reply{"", false, true}, FetchOutcome::timed_out, "", 0, "silent after the request"},
        {Reply{partial, false, true}, FetchOutcome::timed_out, "abc", 200,
         "silent in the middle of the body"},
        {Reply{partial, true}, FetchOutcome::failed, "abc", 200,
         "closed in the middle of the body"},
        {Reply{http_reply("500 Internal Server Error", {}, "oops")}, FetchOutcome::http_error,
         "oops", 500, "an error status keeps its body"},
        {Reply{http_reply("404 Not Found", {}, "")}, FetchOutcome::http_error, "", 404,
         "not found"},
        {Reply{http_reply("200 OK", {}, "")}, FetchOutcome::ok, "", 200, "an empty page is ok"},
        {Reply{"garbage\r\n\r\n", true}, FetchOutcome::failed, "", 0, "not HTTP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        RawHttpServer server([&](const ReceivedRequest&) { return c.reply; });
        FetchOptions options;
        options.idle_timeout = milliseconds(200);
        const Bytes body = fetch_page(Text(server.base_url() + "/"), options);
        EXPECT_EQ(options.outcome, c.outcome)
            << fetch_outcome_name(options.outcome) << ": " << options.error_message;
        EXPECT_EQ(as_string(body), c.body);
        EXPECT_EQ(options.http_status, c.status);
    }
}

TEST_F(FetchPage, ABodyOverTheLimitIsAFailureKeepingThePartRead) {
    const std::string big(5000, 'b');
    RawHttpServer server([&](const ReceivedRequest&) { return ok_reply(big); });
    FetchOptions options;
    options.max_body_bytes = 1000;

    const Bytes body = fetch_page(Text(server.base_url() + "/"), options);

    EXPECT_EQ(options.outcome, FetchOutcome::body_too_large);
    EXPECT_EQ(as_string(body), std::string(1000, 'b'));

    FetchOptions exact;
    exact.max_body_bytes = 5000;
    EXPECT_EQ(as_string(fetch_page(Text(server.base_url() + "/"), exact)), big);
    EXPECT_EQ(exact.outcome, FetchOutcome::ok) << "a body of exactly the limit is fine";
}

TEST_F(FetchPage, AHeaderBlockOver5000BytesComesBackWhole) {
    std::vector<std::string> headers;
    for (int i = 0; i < 80; ++i)
        headers.push_back("X-Filler-" + std::to_string(i) + ": " + std::string(90, 'f'));
    headers.push_back("Set-Cookie: late=1; path=/");
    const std::string reply = http_reply("200 OK", headers, "body");
    RawHttpServer server([&](const ReceivedRequest&) { return Reply{reply}; });
    FetchOptions options;

    const Bytes body = fetch_page(Text(server.base_url() + "/"), options);

    EXPECT_EQ(as_string(body), "body");
    EXPECT_EQ(options.response_headers, Text(reply.substr(0, reply.size() - 4)));
    EXPECT_GT(text_length(options.response_headers), HEADER_BUFFER_SIZE);
    EXPECT_EQ(options.cookies_received, "late=1");
}

TEST_F(FetchPage, CancelStopsARequestWaitingOnASilentServer) {
    RawHttpServer server([](const ReceivedRequest&) { return Reply{"", false, true}; });
    CancelToken token;
    FetchOptions options;
    options.cancel = &token;  // the idle time-out stays at 60 s: only the cancel can end it
    std::thread canceller([&] {
        while (server.requests().empty()) std::this_thread::sleep_for(milliseconds(5));
        token.cancel();
    });

    const Bytes body = fetch_page(Text(server.base_url() + "/"), options);
    canceller.join();

    EXPECT_EQ(options.outcome, FetchOutcome::cancelled);
    EXPECT_TRUE(body.empty());
}

TEST_F(FetchPage, AnAlreadyCancelledTokenSendsNothing) {
    RawHttpServer server([](const ReceivedRequest&) { return ok_reply("x"); });
    CancelToken token;
    token.cancel();
    FetchOptions options;
    options.cancel = &token;

    (void)fetch_page(Text(server.base_url() + "/"), options);

    EXPECT_EQ(options.outcome, FetchOutcome::cancelled);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(FetchPage, ConnectionsAreReusedAcrossThreads) {
    RawHttpServer server([](const ReceivedRequest&) { return ok_reply("page"); });
    const Text url(server.base_url() + "/day");
    for (int i = 0; i < 3; ++i) {
        std::thread worker([&] {
            FetchOptions options;
            EXPECT_EQ(fetch_page(url, options).str(), "page");
        });
        worker.join();
    }
    EXPECT_EQ(server.requests().size(), 3u);
    EXPECT_EQ(server.connection_count(), 1);
}

}  // namespace
}  // namespace kl8
