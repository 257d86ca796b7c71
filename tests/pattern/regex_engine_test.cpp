#include "pattern/regex_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kl8 {
namespace {

// Match lists written as "@<first index>=<value>" per match, followed by "(<g1>|<g2>...)" when
// the pattern has groups; "~" marks a group that took no part.
std::u16string describe(const RegexMatches& matches) {
    std::u16string out;
    for (int k = 0; k < matches.count(); ++k) {
        const RegexMatch m = *matches.item(k);
        out += u"@";
        for (char c : std::to_string(m.first_index())) out += static_cast<char16_t>(c);
        out += u"=";
        out += m.value();
        if (m.submatch_count() == 0) continue;
        out += u"(";
        for (int g = 0; g < m.submatch_count(); ++g) {
            if (g > 0) out += u"|";
            const auto capture = m.submatch(g);
            out += capture ? *capture : u"~";
        }
        out += u")";
    }
    return out;
}

// Narrow copy for failure messages (non-ASCII units become "?").
std::string narrow(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::shared_ptr<RegexEngine> make_engine(std::u16string pattern, bool ignore_case, bool multiline,
                                         bool global) {
    auto engine = RegexEngine::create(EngineThread::enter());
    engine->put_property("IgnoreCase", ignore_case);
    engine->put_property("Multiline", multiline);
    engine->put_property("Global", global);
    engine->set_pattern(std::move(pattern));
    return engine;
}

std::u16string run(const std::u16string& pattern, const std::u16string& subject, bool ignore_case,
                   bool multiline, bool global) {
    auto engine = make_engine(pattern, ignore_case, multiline, global);
    auto matches = engine->execute(std::make_shared<const std::u16string>(subject));
    return matches ? describe(*matches) : u"<rejected>";
}

struct DifferentialCase {
    std::u16string pattern;
    std::u16string subject;
    bool ignore_case;
    bool multiline;
    bool global;
    std::u16string expected;
};

// Expectations from an ECMAScript engine's RegExp (flags i, m, g; no "u"), collected once with
// RegExp.prototype.exec, lastIndex moved on by one after an empty match.
const DifferentialCase DIFFERENTIAL[] = {
    {u"a", u"banana", false, false, true, u"@1=a@3=a@5=a"},
    {u"an", u"banana", false, false, true, u"@1=an@3=an"},
    {u"a", u"banana", false, false, false, u"@1=a"},
    {u"(a)(n)?", u"banana", false, false, true, u"@1=an(a|n)@3=an(a|n)@5=a(a|~)"},
    {u"\\d+", u"ab12cd345", false, false, true, u"@2=12@6=345"},
    {u"\\w+", u"foo_bar baz-9", false, false, true, u"@0=foo_bar@8=baz@12=9"},
    {u"\\s+",
     u"a \t\nb\x0b"
     u"c",
     false, false, true,
     u"@1= \t\n@5=\x0b"
     u""},
    {u"\\bfoo\\b", u"foo food foo.", false, false, true, u"@0=foo@9=foo"},
    {u"\\Bo\\B", u"foo boo", false, false, true, u"@1=o@5=o"},
    {u"a*?", u"aaa", false, false, true, u"@0=@1=@2=@3="},
    {u"a*", u"baaa", false, false, true, u"@0=@1=aaa@4="},
    {u"x*", u"", false, false, true, u"@0="},
    {u"", u"abc", false, false, true, u"@0=@1=@2=@3="},
    {u"(?:ab)+", u"ababab ab", false, false, true, u"@0=ababab@7=ab"},
    {u"a.c", u"abc a\nc", false, false, true, u"@0=abc"},
    {u"a.+?c", u"abcabc", false, false, true, u"@0=abc@3=abc"},
    {u"a.*c", u"abcabc", false, false, true, u"@0=abcabc"},
    {u"^b", u"a\nb", false, true, true, u"@2=b"},
    {u"^b", u"a\nb", false, false, true, u""},
    {u"a$", u"a\na", false, false, true, u"@2=a"},
    {u"a$", u"a\na", false, true, true, u"@0=a@2=a"},
    {u"a$", u"a\n", false, false, true, u""},
    {u"foo(?=bar)", u"foobar foobaz", false, false, true, u"@0=foo"},
    {u"foo(?!bar)", u"foobar foobaz", false, false, true, u"@7=foo"},
    {u"(?<=\\$)\\d+", u"$10 20 $30", false, false, true, u"@1=10@8=30"},
    {u"(?<!\\$)\\b\\d+", u"$10 20", false, false, true, u"@4=20"},
    {u"(a)\\1", u"aa ab", false, false, true, u"@0=aa(a)"},
    {u"(a)|\\1b", u"b", false, false, true, u"@0=b(~)"},
    {u"\\1(a)", u"aa", false, false, true, u"@0=a(a)@1=a(a)"},
    {u"[abc]+", u"xxabcacbxx", false, false, true, u"@2=abcacb"},
    {u"[^abc]+", u"abxyzc", false, false, true, u"@2=xyz"},
    {u"[a-z]+", u"ABC def", true, false, true, u"@0=ABC@4=def"},
    {u"ABC", u"abc AbC", true, false, true, u"@0=abc@4=AbC"},
    {u"ABC", u"abc AbC", false, false, true, u""},
    {u"[^]", u"a\n", false, false, true, u"@0=a@1=\n"},
    {u"[]", u"abc", false, false, true, u""},
    {u"a{2}", u"aaaaa", false, false, true, u"@0=aa@2=aa"},
    {u"a{2,}", u"aaaaa b aa", false, false, true, u"@0=aaaaa@8=aa"},
    {u"a{1,2}?", u"aaa", false, false, true, u"@0=a@1=a@2=a"},
    {u"x{", u"x{", false, false, true, u"@0=x{"},
    {u"\\x41\\u0042", u"AB", false, false, true, u"@0=AB"},
    {u"\\u554a", u"\u554a\u554a", false, false, true, u"@0=\u554a@1=\u554a"},
    {u"\u554a+", u"\u554a\u554ab\u554a", false, false, true, u"@0=\u554a\u554a@3=\u554a"},
    {u"(\\d+)-(\\d+)", u"1-2 33-44", false, false, true, u"@0=1-2(1|2)@4=33-44(33|44)"},
    {u"(a)|(b)", u"ab", false, false, true, u"@0=a(a|~)@1=b(~|b)"},
    {u"colou?r", u"color colour", false, false, true, u"@0=color@6=colour"},
    {u"\\.\\*", u"a.*b", false, false, true, u"@1=.*"},
    {u"(x)?", u"y", false, false, false, u"@0=(~)"},
    {u"[\\d.]+", u"v1.2.3", false, false, true, u"@1=1.2.3"},
    {u"\\W+", u"a, b!", false, false, true, u"@1=, @4=!"},
    {u"\\S+", u" ab  c ", false, false, true, u"@1=ab@5=c"},
    {u"\\D+", u"12ab34", false, false, true, u"@2=ab"},
    {u"\u03a9", u"\u03c9 \u03a9", true, false, true, u"@0=\u03c9@2=\u03a9"},
    {u"\u044f+", u"\u042f\u044f\u042f", true, false, true, u"@0=\u042f\u044f\u042f"},
    {u"\uff41", u"\uff21\uff41", true, false, true, u"@0=\uff21@1=\uff41"},
    {u"\uff41", u"\uff21\uff41", false, false, true, u"@1=\uff41"},
    {u"[\u0430-\u044f]+", u"\u041f\u0420\u0418\u0412\u0415\u0422", true, false, true,
     u"@0=\u041f\u0420\u0418\u0412\u0415\u0422"},
    {u"\\w+\u00e9", u"ab\u00e9 \u00c0B\u00c9", true, false, true, u"@0=ab\u00e9@5=B\u00c9"},
    {u"\\b\u0439", u"\u0439 a\u0439", true, false, true, u"@3=\u0439"},
    {u"\u0439\\B", u"\u0439\u0439a", true, false, true, u"@0=\u0439"},
    {u"[\\w\u00e9]+", u"x\u00c9y-z", true, false, true, u"@0=x\u00c9y@4=z"},
    {u"\\d\u00e9", u"1\u00c9 \uff11\u00e9", true, false, true, u"@0=1\u00c9"},
    {u"(?:)", u"ab", false, false, true, u"@0=@1=@2="},
    {u"$", u"ab", false, false, true, u"@2="},
    {u"^", u"a\nb", false, true, true, u"@0=@2="},
    {u".*", u"ab\ncd", false, false, true, u"@0=ab@2=@3=cd@5="},
    {u"a|ab", u"ab", false, false, true, u"@0=a"},
    {u"(a+)+b", u"aaab", false, false, true, u"@0=aaab(aaa)"},
    {u"[\\s\\S]", u"a\n", false, false, true, u"@0=a@1=\n"},
    {u"\\t", u"a\tb", false, false, true, u"@1=\t"},
    {u"k", u"\u212a", true, false, true, u""},
    {u"s", u"\u017f", true, false, true, u""},
    {u"(\\w)(\\d)?", u"a1b", false, false, true, u"@0=a1(a|1)@2=b(b|~)"},
    {u"(?:a(b)?)+", u"aab", false, false, true, u"@0=aab(b)"},
    {u"[A-Z][a-z]*", u"Hello World", false, false, true, u"@0=Hello@6=World"},
    {u"<td class=\"td1\">(.*)</td>",
     u"<td class=\"td1\">1</td><td class=\"td1\">2</td>\n<td class=\"td1\">3</td>", false, false,
     true,
     u"@0=<td class=\"td1\">1</td><td class=\"td1\">2</td>(1</td><td class=\"td1\">2)@45=<td "
     u"class=\"td1\">3</td>(3)"},
    {u"<TD>(.*)</td>", u"<td>x</TD>", true, false, true, u"@0=<td>x</TD>(x)"},
    {u"a(?=b)|b", u"abb", false, false, true, u"@0=a@1=b@2=b"},
    {u"(?<n>x)\\k<n>", u"xx x", false, false, true, u"@0=xx(x)"},
};

class DifferentialTest : public ::testing::TestWithParam<bool> {
   protected:
    void SetUp() override { set_jit_enabled(GetParam()); }
    void TearDown() override { set_jit_enabled(true); }
};

TEST_P(DifferentialTest, AgreesWithTheEcmaScriptRules) {
    EXPECT_GE(std::size(DIFFERENTIAL), 50u);
    for (const DifferentialCase& c : DIFFERENTIAL) {
        SCOPED_TRACE("pattern " + narrow(c.pattern) + " subject " + narrow(c.subject) +
                     (c.ignore_case ? " i" : "") + (c.multiline ? " m" : "") +
                     (c.global ? " g" : ""));
        const std::u16string got = run(c.pattern, c.subject, c.ignore_case, c.multiline, c.global);
        EXPECT_EQ(got, c.expected) << narrow(got) << " vs " << narrow(c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(JitAndInterpreter, DifferentialTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "jit" : "interpreter"; });

TEST(RegexEngineTest, DotAndSpaceFollowThisEnginesFamilyNotEcmaScript) {
    struct Case {
        std::u16string pattern;
        std::u16string subject;
        std::u16string expected;
        const char* why;
    };
    const Case cases[] = {
        {u"a.b", u"a\rb", u"@0=a\rb", "dot matches a carriage return"},
        {u"a.b", u"a\u2028b a\u2029b", u"@0=a\u2028b@4=a\u2029b", "dot matches U+2028 and U+2029"},
        {u"a.b", u"a\nb", u"", "dot never matches the line feed"},
        {u"a$", u"a\r\nb", u"", "$ without Multiline is the very end only"},
        {u"a$", u"a\rb", u"", "the carriage return ends no line under Multiline either"},
        {u"^b", u"a\u2028b", u"", "nor does U+2028"},
        {u"\\s", u"\u00a0\u3000\ufeff", u"", "\\s is ASCII white space only"},
        {u"\\d", u"\uff11", u"", "\\d is ASCII digits only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(run(c.pattern, c.subject, false, true, true), c.expected);
    }
}

TEST(RegexEngineTest, RejectedPatternsGiveNothing) {
    const std::u16string patterns[] = {u"(", u"a)", u"[z-a]", u"a**", u"(?<=a+)b", u"\\"};
    for (const auto& pattern : patterns) {
        SCOPED_TRACE(narrow(pattern));
        auto engine = make_engine(pattern, false, false, true);
        EXPECT_EQ(engine->execute(std::make_shared<const std::u16string>(u"ab")), nullptr);
        EXPECT_EQ(engine->replace(u"ab", u"x"), std::nullopt);
        EXPECT_EQ(engine->pattern(), pattern);
    }
}

TEST(RegexEngineTest, UnknownPropertyIsRefusedAndChangesNothing) {
    auto engine = make_engine(u"a.b", false, false, false);
    EXPECT_FALSE(engine->put_property("Singleline", true));
    EXPECT_FALSE(engine->put_property("ignorecase", true));
    EXPECT_TRUE(engine->put_property("IgnoreCase", true));
    EXPECT_TRUE(engine->ignore_case());
    EXPECT_FALSE(engine->multiline());
    EXPECT_FALSE(engine->global());
    auto matches = engine->execute(std::make_shared<const std::u16string>(u"A\nB"));
    ASSERT_NE(matches, nullptr);
    EXPECT_EQ(matches->count(), 0);
}

TEST(RegexEngineTest, NoEngineWithoutAThreadHold) {
    EXPECT_EQ(RegexEngine::create(nullptr), nullptr);
}

TEST(RegexEngineTest, ItemsOutsideTheCollectionAreNothing) {
    auto engine = make_engine(u"(a)(b)?", false, false, true);
    auto matches = engine->execute(std::make_shared<const std::u16string>(u"xa"));
    ASSERT_EQ(matches->count(), 1);
    EXPECT_FALSE(matches->item(-1));
    EXPECT_FALSE(matches->item(1));
    const RegexMatch m = *matches->item(0);
    EXPECT_EQ(m.submatch(0), std::u16string_view(u"a"));
    EXPECT_EQ(m.submatch_first_index(0), 1);
    EXPECT_EQ(m.submatch(1), std::nullopt) << "took no part";
    EXPECT_EQ(m.submatch_first_index(1), -1);
    EXPECT_EQ(m.submatch(2), std::nullopt) << "beyond the groups";
    EXPECT_EQ(m.submatch(-1), std::nullopt);
}

struct ReplaceCase {
    std::u16string pattern;
    std::u16string subject;
    bool ignore_case;
    bool global;
    std::u16string replacement;
    std::u16string expected;
};

// Expectations from an ECMAScript engine's String.prototype.replace.
const ReplaceCase REPLACE[] = {
    {u"(\\w+)-(\\w+)", u"ab-cd ef-gh", false, true, u"$2-$1", u"cd-ab gh-ef"},
    {u"b", u"abc", false, true, u"[$&$&]", u"a[bb]c"},
    {u"b", u"abc", false, true, u"[$`]", u"a[a]c"},
    {u"b", u"abc", false, true, u"[$']", u"a[c]c"},
    {u"b", u"abc", false, true, u"$$", u"a$c"},
    {u"b", u"abc", false, true, u"$0", u"a$0c"},
    {u"(b)", u"abc", false, true, u"$10", u"ab0c"},
    {u"(b)", u"abc", false, true, u"$01", u"abc"},
    {u"(b)", u"abc", false, true, u"$2", u"a$2c"},
    {u"b", u"abc", false, true, u"$", u"a$c"},
    {u"b", u"abc", false, true, u"$x", u"a$xc"},
    {u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", u"abcdefghijk", false, true, u"$11$10$1", u"kja"},
    {u"a*", u"baac", false, true, u"x", u"xbxxcx"},
    {u"a", u"aaa", false, false, u"x", u"xaa"},
    {u"(x)?b", u"abc", false, true, u"[$1]", u"a[]c"},
    {u"B", u"abc", true, true, u"$&$&", u"abbc"},
    {u"q", u"abc", false, true, u"z", u"abc"},
    {u"", u"ab", false, true, u"-", u"-a-b-"},
    {u"(a)|(b)", u"ab", false, true, u"<$1$2>", u"<a><b>"},
    {u"$", u"ab", false, true, u"!", u"ab!"},
    {u"b", u"abc", false, true, u"", u"ac"},
};

TEST(RegexEngineTest, ReplaceAgreesWithTheEcmaScriptRules) {
    for (const ReplaceCase& c : REPLACE) {
        SCOPED_TRACE("pattern " + narrow(c.pattern) + " replacement " + narrow(c.replacement));
        auto engine = make_engine(c.pattern, c.ignore_case, false, c.global);
        EXPECT_EQ(engine->replace(c.subject, c.replacement), c.expected);
    }
}

// Catastrophic backtracking: a start position whose attempt runs out of work counts as no
// match there; matches before it stay, and the search goes on after it.
TEST(RegexEngineTest, RunawaySearchEndsAsNoFurtherMatch) {
    for (const bool jit : {true, false}) {
        SCOPED_TRACE(jit ? "jit" : "interpreter");
        set_jit_enabled(jit);
        const std::u16string runaway = std::u16string(30, u'a') + u"cb";
        EXPECT_EQ(run(u"(a+)+b", runaway, false, false, true), u"");
        EXPECT_EQ(run(u"(a+)+b", u"ab" + runaway, false, false, true), u"@0=ab(a)");
        auto engine = make_engine(u"(a+)+b", false, false, true);
        EXPECT_EQ(engine->replace(u"ab" + runaway, u"-"), u"-" + runaway);
        // 26 units: the first few start positions run out, the real match after them is kept.
        const std::u16string shorter = std::u16string(26, u'a') + u"c ab";
        EXPECT_EQ(run(u"(a+)+b", shorter, false, false, true), u"@28=ab(a)");
    }
    set_jit_enabled(true);
}

TEST(RegexEngineTest, ChangingASettingRecompiles) {
    auto engine = make_engine(u"abc", false, false, true);
    auto subject = std::make_shared<const std::u16string>(u"ABC abc");
    EXPECT_EQ(describe(*engine->execute(subject)), u"@4=abc");
    engine->put_property("IgnoreCase", true);
    EXPECT_EQ(describe(*engine->execute(subject)), u"@0=ABC@4=abc");
    engine->set_pattern(u"B");
    EXPECT_EQ(describe(*engine->execute(subject)), u"@1=B@5=b");
    engine->put_property("Global", false);
    EXPECT_EQ(describe(*engine->execute(subject)), u"@1=B");
}

TEST(RegexEngineTest, LongRepeatNeedsTheThreadsJitStack) {
    // A group repeated once per unit keeps a backtracking frame per unit; 20000 of them are
    // more than the JIT's 32 KiB machine-stack default holds but within the thread's stack.
    const std::u16string subject = std::u16string(20000, u'a') + u"!";
    for (const bool jit : {true, false}) {
        SCOPED_TRACE(jit ? "jit" : "interpreter");
        set_jit_enabled(jit);
        const std::u16string got = run(u"(?:a|b)+!", subject, false, false, true);
        EXPECT_TRUE(got == u"@0=" + subject) << got.size() << " units";
    }
    set_jit_enabled(true);
}

}  // namespace
}  // namespace kl8
