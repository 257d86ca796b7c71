// Code page 936 conversions over arbitrary bytes. Invariants: both routes to Unicode agree
// (UTF-16 and UTF-8 give the same text back); a text of valid characters survives the round
// trip unchanged; every UTF-16 input converts without a zero byte in the result.
#include "foundation/codepage.h"
#include "fuzz_input.h"
#include "pattern/regex_matcher.h"

using namespace kl8;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Text t(std::string_view(reinterpret_cast<const char*>(data), size));
    std::u16string units = text_to_u16(t);
    Text back = u16_to_text(units);
    FUZZ_CHECK(back == utf8_to_text(text_to_utf8(t)));
    FUZZ_CHECK(u16_to_text(text_to_u16(back)) == back);
    FUZZ_CHECK(utf16_to_text(text_to_utf16(t)) == back);
    std::u16string raw(size / 2, u'\0');
    for (std::size_t i = 0; i + 1 < size; i += 2) raw[i / 2] = static_cast<char16_t>(data[i] | data[i + 1] << 8);
    Text from_raw = u16_to_text(raw);
    FUZZ_CHECK(from_raw.str().find('\0') == std::string::npos);
    (void)utf8_to_text(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
