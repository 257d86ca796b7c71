#include "foundation/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace kl8 {
namespace {

TEST(CodepageTest, TextToUnits) {
    struct Case {
        Text text;
        std::u16string expected;
        const char* why;
    };
    const Case cases[] = {
        {"", u"", "empty"},
        {"plain ASCII\r\n", u"plain ASCII\r\n", "ASCII passes through"},
        {"\xB0\xA1", u"\u554A", "a two-byte character (啊)"},
        {"\x81\x41", u"\u4E04", "a second byte in the ASCII range (丄)"},
        {"\xA3\xC1\xA3\xE1", u"\uFF21\uFF41", "full-width letters"},
        {"\x80", u"\u20AC", "0x80 is the euro sign, one byte"},
        {"\x80\x81\x41", u"\u20AC\u4E04", "0x80 stands alone, so 81 41 is still a pair"},
        {"a\x81", u"a?", "a lead byte that ends the text"},
        {"\x81\x20z", u"? z", "an invalid pair: the second byte is read again"},
        {"\x81\x7F", u"?\u007F", "0x7F is no second byte"},
        {"\xFF"
         "a",
         u"?a", "0xFF is no lead byte"},
        {"\xAA\xA1", u"??", "a user-defined pair: each byte on its own"},
        {"x\xB0\xA1y\xB0\xA1", u"x\u554Ay\u554A", "runs of both kinds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(text_to_u16(c.text), c.expected);
    }
}

TEST(CodepageTest, UnitsToText) {
    struct Case {
        std::u16string units;
        Text expected;
        const char* why;
    };
    const Case cases[] = {
        {u"", "", "empty"},
        {u"plain", "plain", "ASCII passes through"},
        {u"\u554A\u00E9", "\xB0\xA1\xA8\xA6", "characters of code page 936"},
        {u"\u20AC", "\x80", "the euro sign is 0x80"},
        {u"\u0080", "?", "U+0080 is not in code page 936"},
        {u"a\u0E01b", "a?b", "a character code page 936 lacks (Thai)"},
        {u"\U0001F600", "?", "a surrogate pair is one character, one ?"},
        {u"\xD800"
         u"A",
         "?A", "a high surrogate alone"},
        {u"A\xDC00", "A?", "a low surrogate alone"},
        {u"\u554A\xD800", "\xB0\xA1?", "a high surrogate at the end"},
        {std::u16string(u"a\0b", 3), "a", "the Text ends before U+0000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(u16_to_text(c.units), c.expected);
    }
}

// Every two-byte character of code page 936 that converts comes back as the same two bytes,
// and every one that does not is a "?" for the lead byte followed by the second byte read
// again.
TEST(CodepageTest, EveryPairRoundTrips) {
    int characters = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            const char bytes[] = {static_cast<char>(lead), static_cast<char>(trail), '\0'};
            const Text pair(bytes);
            const std::u16string units = text_to_u16(pair);
            SCOPED_TRACE(testing::Message() << std::hex << lead << " " << trail);
            ASSERT_FALSE(units.empty());
            if (units[0] != u'?') {
                ASSERT_EQ(units.size(), 1u);
                EXPECT_EQ(u16_to_text(units), pair);
                ++characters;
            } else {
                EXPECT_EQ(units.substr(1), text_to_u16(Text(bytes + 1)));
            }
        }
    }
    // GBK's 21886 characters less the 1894 user-defined places, plus the 80 places glibc
    // fills in rows A1..A9 and FE.
    EXPECT_GT(characters, 21000);
}

TEST(CodepageTest, Utf8BothWays) {
    struct Case {
        Text text;
        std::string utf8;
        const char* why;
    };
    const Case cases[] = {
        {"", "", "empty"},
        {"ascii", "ascii", "ASCII passes through"},
        {"\xB1\xB1\xBE\xA9\xBF\xEC\xC0\xD6"
         "8",
         "北京快乐8", "two-byte characters"},
        {"\x80", "\xE2\x82\xAC", "the euro sign"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(text_to_utf8(c.text), c.utf8);
        EXPECT_EQ(utf8_to_text(c.utf8), c.text);
    }
    struct Odd {
        std::string utf8;
        Text expected;
        const char* why;
    };
    const Odd odd[] = {
        {"a\xFF"
         "b",
         "a?b", "a byte that starts nothing"},
        {"\xC0\x80", "??", "an overlong form, byte by byte"},
        {"\xE5\x95", "??", "a sequence cut short"},
        {"\xED\xA0\x80", "???", "an encoded surrogate"},
        {"\xF0\x9F\x98\x80", "?", "a character beyond code page 936"},
        {"\xE0\xB8\x81", "?", "Thai, not in code page 936"},
    };
    for (const Odd& c : odd) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(utf8_to_text(c.utf8), c.expected);
    }
    EXPECT_EQ(text_to_utf8("a\x81"), "a?") << "stray lead byte";
}

}  // namespace
}  // namespace kl8
