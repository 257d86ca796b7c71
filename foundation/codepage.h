#pragma once
// Conversions between code page 936 Text and Unicode, over iconv's "CP936" table.
//
// Decisions for input that does not convert:
// - a character that code page 936 cannot hold becomes "?" (its default character);
// - a stray lead byte (one whose pair is not a valid character, or one that ends the text)
//   becomes U+003F "?" and takes only its own byte, so the byte after it is read again;
// - an unpaired UTF-16 surrogate becomes "?".
// So every input converts, no byte or unit is lost without a "?" in its place, and nothing
// reads past the end.

#include <string>
#include <string_view>

#include "foundation/text.h"

namespace kl8 {

std::u16string text_to_u16(const Text& t);
Text u16_to_text(std::u16string_view units);

std::string text_to_utf8(const Text& t);
Text utf8_to_text(std::string_view utf8);

}  // namespace kl8
