#include "foundation/text.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace kl8 {
namespace {

// Two-byte characters used below, as code page 936 bytes.
const char AH2[] = "\xB0\xA1\xB0\xA1";  // 啊啊
const char SHANG[] = "\x81\x41";        // 丄: second byte is "A"
const char QIA[] = "\x81\x61";          // 乤: second byte is "a"

TEST(TextTest, ConstructionStopsAtTheFirstZeroByte) {
    EXPECT_EQ(Text(std::string_view("ab\0cd", 5)).str(), "ab");
    EXPECT_EQ(Text(std::string("\0ab", 3)).length(), 0);
    EXPECT_EQ(bytes_to_text(Bytes(std::string("a\0b", 3))), Text("a"));
    EXPECT_EQ(bytes_to_text(Bytes(std::string("\0a", 2))), Text(""));
    EXPECT_EQ(bytes_read_text(Bytes(std::string("xy\0z", 4))), Text("xy"));
}

TEST(TextTest, Slicing) {
    struct Case {
        Text got;
        Text expected;
        const char* why;
    };
    const Case cases[] = {
        {text_left("abc", 5), "abc", "left beyond the length clips"},
        {text_left("abc", 0), "", "left 0"},
        {text_left("abc", -1), "", "left negative"},
        {text_right("abc", 2), "bc", "right"},
        {text_right("abc", 9), "abc", "right beyond the length clips"},
        {text_right("abc", -2), "", "right negative"},
        {text_left(AH2, 3), Text("\xB0\xA1\xB0"), "left cuts a two-byte character"},
        {text_mid("abcdef", 3, 2), "cd", "mid"},
        {text_mid("abc", 3, 5), "c", "mid clips its count"},
        {text_mid("abc", 0, 2), "", "mid from 0"},
        {text_mid("abc", 4, 1), "", "mid past the end"},
        {text_mid("abc", 2, 0), "", "mid count 0"},
        {text_mid("abc", -2147483647 - 1, 3), "", "mid from the smallest int"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.got, c.expected);
    }
}

TEST(TextTest, FindText) {
    struct Case {
        Text t, sought;
        int start;
        bool ignore_case;
        int expected;
        const char* why;
    };
    const Case cases[] = {
        {"abcabc", "bc", 1, false, 2, "first match"},
        {"abcabc", "bc", 3, false, 5, "from start 3"},
        {"abcabc", "bc", 0, false, 2, "start 0 counts as 1"},
        {"abcabc", "bc", -5, false, 2, "negative start counts as 1"},
        {"abcabc", "bc", 7, false, -1, "start past the end"},
        {"ABC", "", 3, false, 1, "empty sought is 1 when bytes remain, even from 3"},
        {"ABC", "", 4, false, -1, "empty sought past the end"},
        {"", "", 1, false, -1, "empty in empty"},
        {AH2, "\xA1\xB0", 1, false, -1, "a pair that straddles two characters"},
        {"aXbx", "x", 1, false, 4, "exact case"},
        {"aXbx", "x", 1, true, 2, "folded case"},
        {SHANG, QIA, 1, true, 1, "second bytes fold like ASCII letters"},
        {SHANG, QIA, 1, false, -1, "and do not without folding"},
        {"\xB0\xA1" "A", "\xA1" "A", 2, false, 2,
         "a start on a second byte begins the cursor there"},
        {"ab\xB0", "x", 1, false, -1, "a lone lead byte at the end ends the search"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(find_text(c.t, c.sought, c.start, c.ignore_case), c.expected);
    }
}

TEST(TextTest, FindTextReverse) {
    struct Case {
        Text t, sought;
        std::optional<int> start;
        int expected;
        const char* why;
    };
    const Case cases[] = {
        {"a.b.c", ".", std::nullopt, 4, "last match"},
        {"a.b.c", ".", 4, 2, "must end before start"},
        {"a.b.c", ".", 2, -1, "start 2"},
        {"a.b.c", ".", 1, -1, "start 1"},
        {"a.b.c", ".", 0, -1, "start 0"},
        {"a.b.c", ".", -1, -1, "start negative"},
        {"a.b.c", ".", 99, 4, "start beyond the end"},
        {"aaa", "aa", std::nullopt, 2, "overlapping matches count"},
        {"abc", "", std::nullopt, 1, "empty sought"},
        {"", "", std::nullopt, -1, "empty sought in empty text"},
        {AH2, "\xA1\xB0", std::nullopt, -1, "never inside a character"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(find_text_reverse(c.t, c.sought, c.start), c.expected);
    }
    EXPECT_EQ(find_text_reverse("xAbXab", "XAB", std::nullopt, true), 4);
}

TEST(TextTest, CaseAndSpaces) {
    struct Case {
        Text got;
        Text expected;
        const char* why;
    };
    const Case cases[] = {
        {to_lower(Text("ABC\x81\x41")), Text("abc\x81\x41"), "second byte of a character stays"},
        {to_lower(Text("AB\x81")), Text("ab\x81"), "lone lead byte at the end stays"},
        {trim_spaces("  a b  "), "a b", "ASCII spaces"},
        {trim_spaces("\xA1\xA1" "a\xA1\xA1"), "a", "full-width spaces"},
        {trim_spaces("\ta\t"), "\ta\t", "tabs are not spaces"},
        {trim_spaces("   "), "", "only spaces"},
        {trim_spaces("a \xB0"), "a ", "a lone lead byte is cut; the space before it stays"},
        {trim_spaces("\xB0\xA1  "), "\xB0\xA1", "a two-byte character before the spaces"},
        {remove_spaces(" a b\xA1\xA1" "c "), "abc", "every space goes"},
        {remove_spaces("a\tb"), "a\tb", "a tab stays"},
        {remove_spaces("ab\xB0"), "ab", "a lone lead byte at the end is dropped"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.got, c.expected);
    }
}

TEST(TextTest, ReplaceText) {
    struct Case {
        Text got;
        Text expected;
        const char* why;
    };
    const Case cases[] = {
        {replace_text("aXa", "x", "y", false), "aya", "folded"},
        {replace_text("aXa", "x", "y", true), "aXa", "exact"},
        {replace_text("aaaa", "aa", "b", true), "bb", "non-overlapping"},
        {replace_text("aaaa", "aa", "b", true, 1, 1), "baa", "count 1"},
        {replace_text("aaaa", "aa", "b", true, 2), "aba", "from 2"},
        {replace_text("aaaa", "aa", "b", true, 1, 0), "aaaa", "count 0"},
        {replace_text("aaaa", "aa", "b", true, 1, -3), "bb", "negative count is no limit"},
        {replace_text("abc", "", "x", true), "abc", "empty sought"},
        {replace_text("abc", "b", "", true), "ac", "empty replacement"},
        {replace_text("abc", "b", "x", true, 9), "abc", "start past the end"},
        {replace_text(AH2, "\xA1\xB0", "x", true), AH2, "no match across characters"},
        {replace_text("a\xB0", "z", "y", true), "a", "a lone lead byte at the end is dropped"},
        {replace_text("aa", "a", "aa", true), "aaaa", "the replacement is not searched again"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.got, c.expected);
    }
}

TEST(TextTest, SplitText) {
    using L = std::vector<Text>;
    struct Case {
        TextList got;
        L expected;
        const char* why;
    };
    const Case cases[] = {
        {split_text("a,,b"), L{"a", "", "b"}, "adjacent separators"},
        {split_text("a,b,"), L{"a", "b"}, "a trailing separator adds nothing"},
        {split_text(",a"), L{"", "a"}, "a leading separator"},
        {split_text(","), L{""}, "a lone separator"},
        {split_text(",,"), L{"", ""}, "two separators"},
        {split_text(""), L{}, "empty text"},
        {split_text("abc", ""), L{"abc"}, "empty separator"},
        {split_text("a,b,c", ",", 2), L{"a", "b"}, "max count"},
        {split_text("a,b", ",", -1), L{}, "negative max count counts as 0"},
        {split_text("k=1\r\nm=2", "\r\n"), L{"k=1", "m=2"}, "two-byte separator"},
        {split_text("a,\xB0,b"), L{"a", "\xB0,b"}, "a separator byte inside a character"},
        {split_text("a,\xB0"), L{"a", "\xB0"}, "a lone lead byte stays in the last element"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.got.items(), c.expected);
    }
}

TEST(TextTest, TextListIndexesAreFatalOutsideTheirRange) {
    TextList list = split_text("a,b");
    EXPECT_EQ(list.at(2), Text("b"));
    EXPECT_EXIT(list.at(0), testing::ExitedWithCode(255), "");
    EXPECT_EXIT(list.at(3), testing::ExitedWithCode(255), "");
}

TEST(TextTest, Conversions) {
    struct Case {
        Text t;
        int expected;
        const char* why;
    };
    const Case cases[] = {
        {" 42abc", 42, "leading space, trailing letters"},
        {"-17", -17, "negative"},
        {"+5", 5, "plus"},
        {"abc", 0, "no digits"},
        {"", 0, "empty"},
        {"\xA3\xB4\xA3\xB2", 42, "full-width digits"},
        {"\xA1\xA1" "12", 12, "full-width space"},
        {"\xA3\xAD" "3", -3, "full-width minus"},
        {"4294967297", 1, "wraps modulo 2^32"},
        {"2147483648", -2147483647 - 1, "wraps into the negative"},
        {"\t\n 7", 7, "tab and line feed are white space"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(text_to_int(c.t), c.expected);
    }
    EXPECT_EQ(char_text(65), Text("A"));
    EXPECT_EQ(char_text(321), Text("A"));
    EXPECT_EQ(char_text(0), Text(""));
    EXPECT_EQ(char_text(256), Text(""));
    EXPECT_EQ(blank_text(3), Text("   "));
    EXPECT_EQ(blank_text(-1), Text(""));
    EXPECT_EQ(int_text(-2147483647 - 1), Text("-2147483648"));
}

TEST(TextTest, FoldFullwidth) {
    EXPECT_EQ(fold_fullwidth("\xA3\xB2\xA3\xAF\xA3\xAD\xA3\xBA\xA3\xAE"), Text("2/-:."));
    EXPECT_EQ(fold_fullwidth("\xA1\xA1\xA1\xAB\xA1\xEE\xA1\xEF"), Text(" ~**"));
    EXPECT_EQ(fold_fullwidth("\xB0\xA1" "a\xB0"), Text("\xB0\xA1" "a"));
}

TEST(TextTest, JoiningComparingAndBytes) {
    EXPECT_EQ(concat_text(Text("a"), Text(""), Text("bc")), Text("abc"));
    EXPECT_EQ(compare_text("", ""), 0);
    EXPECT_LT(compare_text("a", "ab"), 0);
    EXPECT_GT(compare_text("\xA8\xA6", "z"), 0);  // é against z: bytes compare unsigned
    EXPECT_EQ(concat_bytes(Bytes(), Bytes()), Bytes());
    EXPECT_TRUE(bytes_equal(Bytes(), Bytes()));
    Bytes with_zero(std::string("a\0b", 3));
    EXPECT_EQ(bytes_length(concat_bytes(with_zero, with_zero)), 6);
    EXPECT_EQ(bytes_left(with_zero, 2), Bytes(std::string("a\0", 2)));
    EXPECT_EQ(bytes_left(with_zero, -1), Bytes());
    EXPECT_EQ(blank_bytes(2), Bytes(std::string(2, '\0')));
    EXPECT_EQ(text_to_bytes("ab"), Bytes("ab"));
    EXPECT_EQ(bit_or(1, 2, 8), 11);
    EXPECT_EQ(bit_or(5), 5);
}

}  // namespace
}  // namespace kl8
