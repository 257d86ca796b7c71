#include <gtest/gtest.h>

#include "web/fetch.h"

namespace kl8 {
namespace {

TEST(FetchPieces, UserAgentOfTheHeaderLines) {
    struct Case {
        Text request_headers, agent;
        const char* why;
    };
    const Case cases[] = {
        {"", DEFAULT_USER_AGENT, "no extra lines"},
        {"Accept: text/html", DEFAULT_USER_AGENT, "no User-Agent line"},
        {"User-Agent:  Foo 1.0 \r\nX: y", "Foo 1.0", "the line's value, spaces trimmed"},
        {"user-agent: X", "X", "other case: value after the first colon"},
        {"Accept: a\r\nuser-agent: X", "a\r\nuser-agent: X",
         "other case: after the first colon of the whole block"},
        {"User-Agent: Last", "Last", "a last line without CR LF falls back to the colon"},
        {"X-Note: User-Agent: z\r\nX-B: 1", "z", "found anywhere in a line"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(request_agent(c.request_headers), c.agent);
    }
    EXPECT_EQ(value_after_colon("user-agent: X"), "X");
    EXPECT_EQ(value_after_colon("no colon"), "");
    EXPECT_EQ(value_after_colon("a:"), "");
}

TEST(FetchPieces, HeaderBlock) {
    const Text url = "http://example.com/lottery/draw/list/543?d=2014/9/9";
    const Text tail =
        "\r\nReferer: http://example.com/lottery/draw/list/543?d=2014/9/9"
        "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded";
    struct Case {
        Text request_headers, cookies, block;
        const char* why;
    };
    const Case cases[] = {
        {"", "", "Accept: */*" + tail, "the program's own request"},
        {"accept: text/html", "", "accept: text/html\r\nAccept: */*" + tail,
         "a lower-case accept does not count"},
        {"X-A: 1\r\n", "", "X-A: 1\r\n\r\nAccept: */*" + tail,
         "a trailing CR LF leaves an empty line"},
        {"", "a=1; b=2", "Accept: */*" + tail + "\r\nCookie: a=1; b=2", "cookies appended"},
        {"Accept: x\r\nReferer: r\r\nAccept-Language: en\r\nContent-Type: t", "",
         "Accept: x\r\nReferer: r\r\nAccept-Language: en\r\nContent-Type: t",
         "nothing appended when every default is present"},
        {"X-Referer: r", "",
         "X-Referer: r\r\nAccept: */*\r\nAccept-Language: zh-cn"
         "\r\nContent-Type: application/x-www-form-urlencoded",
         "presence is a substring test"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(request_header_block(c.request_headers, url, c.cookies), c.block);
    }
    EXPECT_EQ(text_length(request_header_block("", url, "")), 146);
}

TEST(FetchPieces, ProxySetting) {
    EXPECT_EQ(proxy_setting("127.0.0.1:8080", false), "http=127.0.0.1:8080");
    EXPECT_EQ(proxy_setting("127.0.0.1:8080", true), "127.0.0.1:8080");
    EXPECT_EQ(proxy_setting("", false), "");
}

TEST(FetchPieces, ReceivedCookies) {
    struct Case {
        Text headers, cookies;
        const char* why;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n", "a=1; b=2",
         "value up to the first semicolon, or the whole rest"},
        {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie2: x=1; path=/\r\n"
         "Set-Cookie: b=2\r\n\r\n",
         "a=1; ; b=2", "Set-Cookie2 gives an empty value"},
        {"HTTP/1.1 200 OK\r\nX: 1\r\n\r\n", "", "no cookies"},
        {"", "", "empty block"},
        {"HTTP/1.1 200 OK\r\nSet-Cookie:   \r\n\r\n", "", "one empty value: an empty list"},
        {"HTTP/1.1 200 OK\r\nSet-Cookie: s=1 ;x\r\nset-cookie: t=2\r\n\r\n", "s=1",
         "the name is matched in exact case"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(received_cookies(c.headers), c.cookies);
    }
}

TEST(FetchPieces, OutcomeNames) {
    EXPECT_STREQ(fetch_outcome_name(FetchOutcome::ok), "ok");
    EXPECT_STREQ(fetch_outcome_name(FetchOutcome::body_too_large), "body_too_large");
}

}  // namespace
}  // namespace kl8
