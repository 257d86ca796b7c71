#include "pattern/regex_matcher.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "foundation/gbk_literals.h"
#include "harvest/draw_row_pattern.h"

namespace kl8 {
namespace {

// Code page 936 bytes used below.
const char AH[] = "\xB0\xA1";  // 啊
const Text MARKER(gbk::QUOTE_MARKER);

std::vector<Text> all_matches(const RegexMatcher& m) {
    std::vector<Text> out;
    for (int i = 1; i <= m.match_count(); ++i) out.push_back(m.match_text(i));
    return out;
}

TEST(RegexMatcherTest, OptionDefaults) {
    using O = std::optional<bool>;
    struct Case {
        Text pattern;
        Text subject;
        O case_sensitive, multiline, global;
        int expected_count;
        const char* why;
    };
    const Case cases[] = {
        {"abc", "ABC", {}, {}, {}, 1, "case_sensitive omitted: IgnoreCase"},
        {"abc", "ABC", false, {}, {}, 1, "case_sensitive false: IgnoreCase"},
        {"abc", "ABC", true, {}, {}, 0, "case_sensitive true: exact case"},
        {"^b", "a\nb", {}, {}, {}, 1, "multiline omitted: true"},
        {"^b", "a\nb", {}, true, {}, 1, "multiline true"},
        {"^b", "a\nb", {}, false, {}, 0, "multiline false: ^ is the subject's start only"},
        {"a", "aaa", {}, {}, {}, 3, "global omitted: true"},
        {"a", "aaa", {}, {}, true, 3, "global true"},
        {"a", "aaa", {}, {}, false, 1, "global false: the first match only"},
        {"x", "aaa", {}, {}, false, 0, "global false and no match"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        RegexMatcher m;
        EXPECT_TRUE(m.create(c.pattern, c.subject, c.case_sensitive, c.multiline, c.global));
        EXPECT_EQ(m.match_count(), c.expected_count);
    }
}

TEST(RegexMatcherTest, QuoteMarker) {
    const Text pattern = "<td class=" + MARKER + "td1" + MARKER + ">(.*)</td>";
    struct Case {
        std::optional<bool> quote_marker;
        Text subject;
        Text expected_pattern;
        int expected_count;
        const char* why;
    };
    const Case cases[] = {
        {true, "<td class=\"td1\">7</td>", "<td class=\"td1\">(.*)</td>", 1,
         "every marker becomes a double quote"},
        {false, "<td class=\"td1\">7</td>", pattern, 0, "false: the marker is literal text"},
        {{}, "<td class=\"td1\">7</td>", pattern, 0, "omitted: the marker is literal text"},
        {false, "<td class=" + MARKER + "td1" + MARKER + ">7</td>", pattern, 1,
         "the literal marker matches itself"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        RegexMatcher m;
        EXPECT_TRUE(m.create(pattern, c.subject, {}, {}, {}, c.quote_marker));
        EXPECT_EQ(m.pattern_text(), c.expected_pattern);
        EXPECT_EQ(m.match_count(), c.expected_count);
    }
}

TEST(RegexMatcherTest, EmptySubject) {
    RegexMatcher m;
    EXPECT_TRUE(m.create("a", ""));
    EXPECT_EQ(m.match_count(), 0);
    EXPECT_EQ(m.submatch_count(), 0);
    int position = 99;
    EXPECT_EQ(m.match_text(1, &position), Text());
    EXPECT_EQ(position, -2);
    EXPECT_EQ(m.replace(Text("x")), Text());
}

TEST(RegexMatcherTest, RejectedPattern) {
    for (const Text& pattern : {Text("("), Text("a)"), Text("[b-a]"), Text("x{2}{3}*+")}) {
        SCOPED_TRACE(pattern.str());
        RegexMatcher m;
        EXPECT_FALSE(m.create(pattern, "abc"));
        EXPECT_EQ(m.match_count(), 0);
        EXPECT_EQ(m.submatch_count(), 0);
        int position = 99;
        EXPECT_EQ(m.match_text(1, &position), Text());
        EXPECT_EQ(position, 0);
        EXPECT_EQ(m.submatch_text(1, 1), Text());
        EXPECT_EQ(m.pattern_text(), pattern) << "the engine still holds the rejected pattern";
        EXPECT_EQ(m.replace(Text("x")), Text());
    }
}

TEST(RegexMatcherTest, BeforeAnyCreate) {
    RegexMatcher m;
    EXPECT_EQ(m.pattern_text(), Text());
    EXPECT_EQ(m.match_count(), 0);
    EXPECT_EQ(m.submatch_count(), 0);
    EXPECT_EQ(m.replace(Text("x")), Text());
    int position = 99;
    EXPECT_EQ(m.submatch_text(1, 1, &position), Text());
    EXPECT_EQ(position, -2);
    m.noop();
}

TEST(RegexMatcherTest, GlobalAgainstNonGlobal) {
    struct Case {
        bool global;
        std::vector<Text> expected;
        const char* why;
    };
    const Case cases[] = {
        {true, {"a1", "a22", "a3"}, "every match, left to right"},
        {false, {"a1"}, "the first match only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        RegexMatcher m;
        ASSERT_TRUE(m.create("a\\d+", "a1 a22 b a3", {}, {}, c.global));
        EXPECT_EQ(all_matches(m), c.expected);
    }
}

TEST(RegexMatcherTest, SubmatchCountAndIndexesOutOfRange) {
    RegexMatcher m;
    ASSERT_TRUE(m.create("(\\d)(x)?(?:y)", "1y 2xy"));
    EXPECT_EQ(m.match_count(), 2);
    EXPECT_EQ(m.submatch_count(), 2);
    struct Case {
        int match_index, submatch_index;
        Text expected;
        int expected_position;
        const char* why;
    };
    const Case cases[] = {
        {1, 1, "1", 0, "first group of the first match"},
        {2, 1, "2", 3, "first group of the second match"},
        {2, 2, "x", 4, "second group of the second match"},
        {1, 2, "", 0, "a group that took no part"},
        {1, 0, "", 0, "group 0 is below the range"},
        {1, 3, "", 0, "group beyond the pattern's groups"},
        {0, 1, "", 0, "match 0 is below the range"},
        {3, 1, "", 0, "match beyond the count"},
        {-1, -1, "", 0, "negative indexes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        int position = 99;
        EXPECT_EQ(m.submatch_text(c.match_index, c.submatch_index), c.expected);
        EXPECT_EQ(m.submatch_text(c.match_index, c.submatch_index, &position), c.expected);
        EXPECT_EQ(position, c.expected_position);
    }
    int position = 99;
    EXPECT_EQ(m.match_text(3, &position), Text());
    EXPECT_EQ(position, 0);

    RegexMatcher none;
    ASSERT_TRUE(none.create("(a)(b)", "xyz"));
    EXPECT_EQ(none.submatch_count(), 0) << "no match, no groups to count";
}

// Positions are byte offsets into the subject Text, while the engine counts UTF-16 units: a
// two-byte character is one unit and two bytes.
TEST(RegexMatcherTest, PositionsAreByteOffsets) {
    struct Case {
        Text pattern;
        Text subject;
        int match_index;
        int submatch_index;  // 0: the match itself
        Text expected;
        int expected_position;
        const char* why;
    };
    const Text ah(AH);
    const Case cases[] = {
        {"a", "aaa", 2, 0, "a", 1, "single-byte subject: the match's own offset"},
        {"a", "aaa", 3, 0, "a", 2, "not an earlier copy of the same text"},
        {"x", ah + ah + "x " + ah + "x", 1, 0, "x", 4, "after two two-byte characters"},
        {"x", ah + ah + "x " + ah + "x", 2, 0, "x", 8, "a second copy after more of them"},
        {"k=(\\d+)", ah + "k=12", 1, 1, "12", 4, "a capture's own offset"},
        {"(\\d)\\d*(\\d)", "1212", 1, 2, "2", 3, "a capture whose text also occurs earlier"},
        {ah + "(.)", "x" + ah + ah + ah, 1, 0, ah + ah, 1, "a match made of two-byte characters"},
        {ah + "(.)", "x" + ah + ah + ah, 1, 1, ah, 3, "its capture"},
        {"()b", "ab", 1, 1, "", 1, "an empty capture that took part"},
        {"$", "ab", 1, 0, "", 2, "an empty match at the end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        RegexMatcher m;
        ASSERT_TRUE(m.create(c.pattern, c.subject));
        int position = 99;
        const Text got = c.submatch_index == 0
                             ? m.match_text(c.match_index, &position)
                             : m.submatch_text(c.match_index, c.submatch_index, &position);
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(position, c.expected_position);
    }
}

TEST(RegexMatcherTest, CreateTwiceReflectsOnlyTheSecond) {
    RegexMatcher m;
    ASSERT_TRUE(m.create("(a)(b)", "ab ab ab"));
    ASSERT_EQ(m.match_count(), 3);
    RegexMatcher first = m.copy();

    ASSERT_TRUE(m.create("c", "xcx", true, false, false));
    EXPECT_EQ(m.match_count(), 1);
    EXPECT_EQ(m.submatch_count(), 0);
    EXPECT_EQ(m.match_text(1), Text("c"));
    EXPECT_EQ(m.match_text(2), Text());
    EXPECT_EQ(m.pattern_text(), Text("c"));
    EXPECT_EQ(m.replace(Text("-")), Text("x-x"));

    // The copy holds its own references to the first engine and collection.
    EXPECT_EQ(first.match_count(), 3);
    EXPECT_EQ(first.submatch_text(3, 2), Text("b"));
    EXPECT_EQ(first.pattern_text(), Text("(a)(b)"));

    // A failed second create leaves nothing of the first.
    ASSERT_FALSE(m.create("(", "ab"));
    EXPECT_EQ(m.match_count(), 0);
    EXPECT_EQ(m.match_text(1), Text());
}

TEST(RegexMatcherTest, ReplaceSpecialSequences) {
    struct Case {
        Text pattern;
        Text subject;
        std::optional<bool> global;
        std::optional<Text> replacement;
        Text expected;
        const char* why;
    };
    const Text ah(AH);
    const Case cases[] = {
        {"(\\w+)=(\\w+)", "a=1 b=2", {}, Text("$2=$1"), "1=a 2=b", "groups by number"},
        {"b", "abc", {}, Text("[$&]"), "a[b]c", "$& is the match"},
        {"b", "abc", {}, Text("[$`|$']"), "a[a|c]c", "$` and $' are the text around it"},
        {"b", "abc", {}, Text("$$"), "a$c", "$$ is one dollar"},
        {"(b)", "abc", {}, Text("$10"), "ab0c", "$10 with one group is $1 and a 0"},
        {"b", "abc", {}, Text("$1$"), "a$1$c", "no such group: literal"},
        {"b", "abcb", false, Text("x"), "axcb", "the settings of the last create: not global"},
        {"b", "abcb", {}, {}, "ac", "the replacement defaults to the empty Text"},
        {"B", "abc", {}, Text(ah), "a" + ah + "c", "two-byte replacement, IgnoreCase"},
        {"(" + ah + ")x", ah + "x" + ah, {}, Text("<$1>"), "<" + ah + ">" + ah, "two-byte capture"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        RegexMatcher m;
        ASSERT_TRUE(m.create(c.pattern, c.subject, {}, {}, c.global));
        EXPECT_EQ(m.replace(c.replacement), c.expected);
    }
}

TEST(RegexMatcherTest, DestroyLeavesNoEngine) {
    RegexMatcher m;
    ASSERT_TRUE(m.create("a", "aa"));
    m.destroy();
    EXPECT_EQ(m.match_count(), 0);
    EXPECT_EQ(m.pattern_text(), Text());
    EXPECT_FALSE(m.create("a", "aa")) << "no thread hold, so no engine";
    EXPECT_EQ(m.pattern_text(), Text());
    EXPECT_EQ(m.replace(Text("b")), Text());
    m.destroy();
}

// Each matcher, copies included, holds the thread's environment from construction to destroy.
TEST(RegexMatcherTest, EveryMatcherBracketsTheThreadEnvironment) {
    std::weak_ptr<EngineThread> environment;
    {
        RegexMatcher m;
        environment = EngineThread::enter();
        ASSERT_FALSE(environment.expired());
        RegexMatcher twin = m.copy();
        m.destroy();
        EXPECT_FALSE(environment.expired()) << "the copy still holds it";
        RegexMatcher moved = std::move(twin);
        twin.destroy();
        EXPECT_FALSE(environment.expired()) << "a moved-from matcher holds nothing";
    }
    EXPECT_TRUE(environment.expired()) << "the last matcher released it";
}

TEST(RegexMatcherTest, ThreadsHaveTheirOwnEnvironments) {
    RegexMatcher here;
    const std::shared_ptr<EngineThread> mine = EngineThread::enter();
    std::shared_ptr<EngineThread> theirs;
    std::thread([&] {
        RegexMatcher there;
        theirs = EngineThread::enter();
    }).join();
    EXPECT_NE(mine, theirs);
}

TEST(RegexMatcherTest, Utf16Conversions) {
    struct Case {
        Text text;
        Bytes units;
        const char* why;
    };
    const Case cases[] = {
        {"", Bytes(), "empty"},
        {"Ab", Bytes(std::string("A\0b\0", 4)), "little-endian units"},
        {AH, Bytes(std::string("\x4A\x55", 2)), "U+554A"},
        {"\x80", Bytes(std::string("\xAC\x20", 2)), "0x80 is the euro sign"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(text_to_utf16(c.text), c.units);
        EXPECT_EQ(utf16_to_text(c.units), c.text);
    }
    EXPECT_EQ(utf16_to_text(Bytes(std::string("A\0B", 3))), Text("A")) << "odd byte ignored";
    EXPECT_EQ(utf16_to_text(Bytes(std::string("A\0\0\0B\0", 6))), Text("A"))
        << "the Text ends before U+0000";
    EXPECT_EQ(text_to_utf16("a\x81"), Bytes(std::string("a\0?\0", 4))) << "stray lead byte";
    EXPECT_EQ(utf16_to_text(Bytes(std::string("\x3D\xD8\x00\xDE", 4))), Text("?"))
        << "a character beyond code page 936";
}

// One draw row as the site writes it: the row pattern with its quotes back and each group's
// "(.*)" replaced by a value.
Text draw_row(const std::vector<std::string>& values) {
    const std::string pattern = replace_text(draw_row_pattern(), MARKER, Text("\""), true).str();
    std::string row;
    std::size_t from = 0;
    for (const std::string& v : values) {
        const std::size_t at = pattern.find("(.*)", from);
        row += pattern.substr(from, at - from) + v;
        from = at + 4;
    }
    return Text(row + pattern.substr(from));
}

std::vector<std::string> row_values(int draw) {
    std::vector<std::string> values = {std::to_string(2024000 + draw), "2024-01-01 09:05", "1"};
    for (int k = 1; k <= 20; ++k) values.push_back(std::to_string((draw + k) % 80 + 1));
    return values;
}

TEST(RegexMatcherTest, DrawRowsAsTheHarvestReadsThem) {
    const Text before("<table>\n<tr class=\"x\">");
    Text page = before;
    for (int draw = 1; draw <= 3; ++draw) page += draw_row(row_values(draw)) + "\n<tr>";
    // A row indented with one space more is no draw row.
    Text odd = draw_row(row_values(9));
    odd = replace_text(odd, Text("\n                \t\t\t\t<td class=\"td1\">"),
                       Text("\n                 \t\t\t\t<td class=\"td1\">"), true, 1, 1);
    page += odd + "\n</table>";

    RegexMatcher m;
    ASSERT_TRUE(m.create(draw_row_pattern(), page, false, false, true, true));
    ASSERT_EQ(m.match_count(), 3);
    EXPECT_EQ(m.submatch_count(), DRAW_ROW_FIELDS);
    for (int i = 1; i <= 3; ++i) {
        SCOPED_TRACE(i);
        const std::vector<std::string> expected = row_values(i);
        for (int j = 1; j <= DRAW_ROW_FIELDS; ++j)
            EXPECT_EQ(m.submatch_text(i, j).str(), expected[j - 1]) << "field " << j;
    }
    int position = 0;
    m.match_text(1, &position);
    EXPECT_EQ(position, before.length()) << "a match begins with the line feed before td1";
}

}  // namespace
}  // namespace kl8
