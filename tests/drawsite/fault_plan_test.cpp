#include "tools/drawsite/fault_plan.h"

#include <gtest/gtest.h>

namespace kl8 {
namespace {

TEST(ParseDayText, AcceptsTheSitesDayForms) {
    struct Case {
        const char* text;
        std::optional<DateTime> expected;
        const char* why;
    };
    const DateTime jan5 = make_datetime(2024, 1, 5);
    const Case cases[] = {
        {"2024/1/5", jan5, "format_ymd's form"},
        {"2024/01/05", jan5, "leading zeros"},
        {"2024-1-5", jan5, "dashes"},
        {"2024-01-05", jan5, "ISO form"},
        {"2024/1-5", jan5, "mixed separators"},
        {"2024/0001/005", jan5, "many leading zeros"},
        {"2024/2/29", make_datetime(2024, 2, 29), "a leap day"},
        {"2023/2/29", std::nullopt, "no leap day in 2023"},
        {"1900/2/29", std::nullopt, "1900 is not a leap year"},
        {"2024/13/1", std::nullopt, "month 13"},
        {"2024/0/1", std::nullopt, "month 0"},
        {"2024/1/0", std::nullopt, "day 0"},
        {"2024/4/31", std::nullopt, "April has 30 days"},
        {"99/1/1", std::nullopt, "year below 100"},
        {"10000/1/1", std::nullopt, "year above 9999"},
        {"", std::nullopt, "empty"},
        {"2024/1", std::nullopt, "no day"},
        {"2024/1/5/", std::nullopt, "a trailing separator"},
        {" 2024/1/5", std::nullopt, "a leading space"},
        {"2024/1/5 10:00", std::nullopt, "a time after it"},
        {"2024.1.5", std::nullopt, "dots"},
        {"2024//1/5", std::nullopt, "two separators"},
        {"+2024/1/5", std::nullopt, "a sign"},
        {"2024/1/5000000000", std::nullopt, "too many digits"},
        {"abc", std::nullopt, "not a day"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(parse_day_text(c.text), c.expected) << c.text;
    }
}

TEST(ParseFaultPlan, ReadsModesAndFields) {
    const auto result = parse_fault_plan(R"({
        "2024/1/5": {"mode": "status", "status": 500},
        "2024-01-06": {"mode": "fail_first", "count": 2, "status": 503, "retry_after": 1},
        "2024/1/7": {"mode": "delay", "ms": 3000},
        "2024/1/8": {"mode": "set_cookie", "cookies": ["a=1; Path=/", "b=2"]},
        "2024/1/9": {"mode": "redirect", "location": "/elsewhere", "status": 301},
        "2024/1/10": {"mode": "huge_page", "mb": 3},
        "2024/1/11": {"mode": "truncated", "bytes": 100},
        "2024/1/12": {"mode": "malformed_status", "line": "HTTP/1.1 2x0 Odd"},
        "2024/1/13": {"mode": "spans_line", "mb": 10}
    })");
    ASSERT_TRUE(result.plan) << result.error;
    const FaultPlan& plan = *result.plan;
    EXPECT_EQ(plan.by_day.size(), 9u);

    const Fault* f = plan.find(make_datetime(2024, 1, 6, 12, 0));
    ASSERT_NE(f, nullptr) << "a dashed key and a time of day find the same day";
    EXPECT_EQ(f->mode, FaultMode::fail_first);
    EXPECT_EQ(f->count, 2);
    EXPECT_EQ(f->status, 503);
    EXPECT_EQ(f->retry_after, 1);

    EXPECT_EQ(plan.find(make_datetime(2024, 1, 5))->status, 500);
    EXPECT_EQ(plan.find(make_datetime(2024, 1, 7))->ms, 3000);
    EXPECT_EQ(plan.find(make_datetime(2024, 1, 8))->cookies,
              (std::vector<std::string>{"a=1; Path=/", "b=2"}));
    EXPECT_EQ(plan.find(make_datetime(2024, 1, 9))->location, "/elsewhere");
    EXPECT_EQ(plan.find(make_datetime(2024, 1, 10))->mb, 3);
    EXPECT_EQ(plan.find(make_datetime(2024, 1, 11))->bytes, 100);
    EXPECT_EQ(plan.find(make_datetime(2024, 1, 12))->mode, FaultMode::malformed_status);
    EXPECT_EQ(plan.find(make_datetime(2024, 1, 12))->line, "HTTP/1.1 2x0 Odd");
    EXPECT_EQ(plan.find(make_datetime(2024, 1, 13))->mode, FaultMode::spans_line);
    EXPECT_EQ(plan.find(make_datetime(2024, 1, 13))->mb, 10);
    EXPECT_EQ(plan.find(make_datetime(2024, 1, 14)), nullptr);
}

TEST(ParseFaultPlan, KnowsEveryMode) {
    const char* modes[] = {"status",   "fail_first",    "empty",      "close",       "delay",
                           "crlf",     "extra_space",   "zero_byte",  "upper_case",  "comma",
                           "redirect", "redirect_loop", "set_cookie", "big_headers", "big_cookie",
                           "stall",    "dribble",       "truncated",  "huge_page",   "malformed_status",
                           "spans_line"};
    for (const char* mode : modes) {
        SCOPED_TRACE(mode);
        const auto result =
            parse_fault_plan(std::string(R"({"2020/1/1": {"mode": ")") + mode + "\"}}");
        EXPECT_TRUE(result.plan) << result.error;
    }
    EXPECT_TRUE(parse_fault_plan("{}").plan) << "an empty plan";
}

TEST(ParseFaultPlan, RejectsWhatIsNotAPlan) {
    struct Case {
        const char* json;
        const char* error_part;
        const char* why;
    };
    const Case cases[] = {
        {"{", "JSON", "broken JSON"},
        {"[]", "object", "a list"},
        {R"({"2024/2/30": {"mode": "empty"}})", "not a day", "a key that is not a day"},
        {R"({"2024/1/5": "empty"})", "object", "a fault that is not an object"},
        {R"({"2024/1/5": {}})", "mode", "no mode"},
        {R"({"2024/1/5": {"mode": "explode"}})", "unknown mode", "an unknown mode"},
        {R"({"2024/1/5": {"mode": "status", "status": "500"}})", "integer", "a status text"},
        {R"({"2024/1/5": {"mode": "status", "status": 42}})", "status", "not an HTTP status"},
        {R"({"2024/1/5": {"mode": "delay", "ms": -1}})", "negative", "a negative delay"},
        {R"({"2024/1/5": {"mode": "set_cookie", "cookies": ["a=1\r\nX: y"]}})", "line break",
         "a cookie that would forge a header line"},
        {R"({"2024/1/5": {"mode": "redirect", "location": "/a\nb"}})", "line break",
         "a location with a line feed"},
        {R"({"2024/1/5": {"mode": "malformed_status", "line": "HTTP/1.1 200 OK\r\nX: y"}})",
         "line break", "a status line that would forge a header line"},
        {R"({"2024/1/5": {"mode": "malformed_status", "line": 200}})", "text",
         "a status line that is not a text"},
        {R"({"2024/1/5": {"mode": "empty"}, "2024-01-05": {"mode": "close"}})", "same day",
         "two keys for one day"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const auto result = parse_fault_plan(c.json);
        EXPECT_FALSE(result.plan);
        EXPECT_NE(result.error.find(c.error_part), std::string::npos) << result.error;
    }
}

}  // namespace
}  // namespace kl8
