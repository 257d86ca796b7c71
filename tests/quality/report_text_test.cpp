#include "quality/report_text.h"

#include <gtest/gtest.h>

#include <cmath>

#include "foundation/datetime.h"

namespace kl8 {
namespace {

TEST(ReportTextTest, DisplayBytes) {
    struct Case {
        std::string raw;
        std::string expected;
        const char* why;
    };
    const Case cases[] = {
        {"2024-01-05 09:05", "2024-01-05 09:05", "ASCII unchanged"},
        {"", "", "empty"},
        {"\xB1\xB1\xBE\xA9", "北京", "code page 936 to UTF-8"},
        {"a\x1B[2Jb", "a\\x1B[2Jb", "an escape sequence cannot reach the terminal"},
        {std::string("a\0b", 3), "a\\x00b", "a zero byte"},
        {"a\r\n\t\x7F", "a\\x0D\\x0A\\x09\\x7F", "line breaks, tab and DEL"},
        {"\x81\x1B", "?\\x1B", "a lead byte before a control byte is not its pair"},
        {"x\xB1", "x?", "a lead byte that ends the text"},
        {"\xB1\xB1\x01\xBE\xA9", "北\\x01京", "a control byte between characters"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(display_bytes(c.raw), c.expected);
    }
}

TEST(ReportTextTest, ValidUtf8) {
    struct Case {
        std::string in;
        std::string expected;
        const char* why;
    };
    const Case cases[] = {
        {"/tmp/彩票信息.txt", "/tmp/彩票信息.txt", "valid UTF-8 unchanged"},
        {"/tmp/\xB1\xB1\xBE\xA9.txt", "/tmp/????.txt", "code page 936 bytes are not UTF-8"},
        {"\xC6\xB1", "\xC6\xB1", "some code page 936 pairs happen to be UTF-8"},
        {"\xC0\xAF", "??", "an overlong slash"},
        {"\xED\xA0\x80", "???", "a surrogate"},
        {"\xF4\x90\x80\x80", "????", "past U+10FFFF"},
        {"\xE4\xB8", "??", "a sequence cut at the end"},
        {"😀", "😀", "four bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(valid_utf8(c.in), c.expected);
    }
}

TEST(ReportTextTest, IsoDayOfEveryDayMatchesTheCalendar) {
    // Every day from 1900 to 2100 against make_datetime.
    char expected[32];
    for (int y = 1900; y <= 2100; ++y) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= 31; ++d) {
                const DateTime dt = make_datetime(y, m, d);
                if (day_of(dt) != d) continue;  // not a day of this month
                std::snprintf(expected, sizeof expected, "%04d-%02d-%02d", y, m, d);
                ASSERT_EQ(iso_day(static_cast<int>(std::floor(dt.value))), expected);
            }
        }
    }
}

TEST(ReportTextTest, JsonString) {
    struct Case {
        std::string in;
        std::string expected;
        const char* why;
    };
    const Case cases[] = {
        {"plain", "\"plain\"", "plain"},
        {"a\"b\\c", "\"a\\\"b\\\\c\"", "quote and backslash"},
        {"\r\n\t", "\"\\r\\n\\t\"", "short escapes"},
        {std::string("\x01\x1F\x7F", 3), "\"\\u0001\\u001F\\u007F\"", "other control bytes"},
        {"北京", "\"北京\"", "UTF-8 kept"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(json_string(c.in), c.expected);
    }
}

}  // namespace
}  // namespace kl8
