#include "web/url.h"

#include <gtest/gtest.h>

#include <optional>

namespace kl8 {
namespace {

TEST(TextBetween, CutsBetweenMarkers) {
    struct Case {
        Text source, start, end;
        int start_position;
        bool ignore_case;
        Text expected;
        const char* why;
    };
    // "#引号" in code page 936.
    const Text quote = "#\xD2\xFD\xBA\xC5";
    const Case cases[] = {
        {"a=1; b=2", "a=", ";", 0, false, "1", "value up to the next marker"},
        {"a=\"1\"", "a=" + quote, quote, 0, false, "1", "#引号 stands for a double quote"},
        {"abc", "a", "z", 0, false, "", "end marker missing"},
        {"abc", "z", "c", 0, false, "", "start marker missing"},
        {"abc", "a", "b", 0, false, "", "end marker right after the start marker"},
        {"x=1;x=2;", "x=", ";", 5, false, "2", "start position skips the first occurrence"},
        {"x=1;x=2;", "x=", ";", -3, false, "1", "a start position below 1 searches from 1"},
        {"Key: v\r\n", "key:", "\r\n", 0, true, " v", "ignore_case folds the start marker"},
        {"Key: v\r\n", "key:", "\r\n", 0, false, "", "exact case misses it"},
        {"a;b;c", "", ";", 0, false, "a", "an empty start marker is found at byte 1"},
        {"a;b;c", ";", ";", 0, false, "b", "the end is searched after the start marker"},
        {"", "a", "b", 0, false, "", "empty source"},
        // 丄 is 81 41: its second byte is "A" but no search starts on it.
        {"\x81"
         "A=1;",
         "A=", ";", 0, false, "", "no match inside a two-byte character"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(text_between(c.source, c.start, c.end, c.start_position, c.ignore_case),
                  c.expected);
    }
}

TEST(UrlHost, WorkedExamplesAndEdges) {
    struct Case {
        Text url;
        bool reduce_to_domain;
        bool keep_port;
        std::optional<int> suffix_dot_count;
        Text expected;
        const char* why;
    };
    const Text example = "http://www.Example.com:8080/a/b?c=1";
    const Case cases[] = {
        {example, false, false, std::nullopt, "www.example.com", "lower-cased, port dropped"},
        {example, false, true, std::nullopt, "www.example.com:8080", "keep_port"},
        {example, true, false, std::nullopt, "example.com", "reduce_to_domain"},
        {example, true, false, 1, "example.com", "reduce with one suffix dot"},
        {example, false, false, 1, "www.example.com", "one suffix dot, two labels"},
        {"http://a.b.example.com/x", false, false, 1, "b.example.com", "suffix plus two labels"},
        {"http://www.shop.co.example/", true, false, std::nullopt, "co.example",
         "plain reduce keeps the last two labels"},
        {"http://www.shop.co.example/", true, false, 2, "shop.co.example", "two suffix dots"},
        {"http://a.b.example.com/x", true, false, 0, "com", "a present 0 is not absent"},
        {"https://Example.org", false, false, std::nullopt, "example.org", "https at the start"},
        {"example.com/path", false, false, std::nullopt, "example.com", "no scheme"},
        {"", false, false, std::nullopt, "", "empty URL"},
        {"http://example.com?x=1", false, false, std::nullopt, "example.com?x=1",
         "a query without a slash stays in the host"},
        {"ftp://example.com/", false, false, std::nullopt, "ftp", "another scheme"},
        {"example.com/?u=http://example.org/", false, false, std::nullopt, "example.org",
         "http:// found inside the query"},
        {"HTTPS://Example.org:8443/", false, false, std::nullopt, "example.org",
         "scheme in capitals"},
        {"http://a.b.c/", false, false, 5, "a.b.c", "fewer dots than asked: whole host"},
        {"http://a.b.c/", true, false, 1, "b.c", "reduce, one suffix dot"},
        {"http://a.b/", true, false, 1, "a.b", "at most n dots: whole host with reduce"},
        {"http://a.b.c/", false, false, 1, "a.b.c", "at most n + 1 dots: whole host"},
        {"http://a.b.c./", true, false, 0, "c.", "a dot in the last byte is not counted"},
        {"http://a.b.com:81/", true, false, -2, "com", "a negative count counts as 0"},
        {"https://x.https://y.com/", false, false, 1, "x.y.com",
         "algorithm B removes every scheme text"},
        {"http://Example.com:8080/", false, true, 0, "example.com:8080",
         "algorithm B with keep_port"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(url_host(c.url, c.reduce_to_domain, c.keep_port, c.suffix_dot_count), c.expected);
    }
}

TEST(UrlPortAndPath, WorkedExamplesAndEdges) {
    struct Case {
        Text url;
        int port;
        Text path;
        const char* why;
    };
    const Case cases[] = {
        {"http://example.com/lottery/draw/list/543?d=2014/9/9", 80,
         "/lottery/draw/list/543?d=2014/9/9", "the draw-list URL"},
        {"https://example.org/x", 443, "/x", "https default port"},
        {"http://example.org:8080", 8080, "/", "explicit port, no path"},
        {"http://Example.com:8080/a/b?c=1", 8080, "/a/b?c=1", "path found after a mixed-case host"},
        {"", 80, "/", "empty URL"},
        {"http://example.com?x=1", 80, "/", "query without a slash"},
        {"HTTPS://Example.org:8443/", 8443, "/", "capital scheme with a port"},
        {"HTTPS://Example.org/", 443, "/", "capital scheme, default port"},
        {"http://example.com:abc/", 0, "/", "a non-numeric port reads as 0"},
        {"http://example.com/A/B?Q=Z#frag", 80, "/A/B?Q=Z#frag", "case and fragment kept"},
        {"example.com:99/p", 99, "/p", "no scheme"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(url_port(c.url), c.port);
        EXPECT_EQ(url_path(c.url), c.path);
    }
}

}  // namespace
}  // namespace kl8
