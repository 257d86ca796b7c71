#pragma once
// Small helpers that turn what a record file holds into safe UTF-8 for reports.

#include <string>
#include <string_view>

namespace kl8 {

// Code page 936 bytes from a file as UTF-8 to show: control bytes (below 0x20, 0x7F) and zero
// bytes become "\xNN" so that nothing from the file can steer a terminal; characters that do
// not convert become "?" (foundation/codepage.h). Never splits a two-byte character.
std::string display_bytes(std::string_view raw);

// s with every byte sequence that is not valid UTF-8 replaced by "?" (for file names, whose
// bytes are whatever the file system holds).
std::string valid_utf8(std::string_view s);

// A day of the automation calendar (days since 1899-12-30) as "2024-01-05".
std::string iso_day(int day);

// s (valid UTF-8) as a JSON string literal, quotes included.
std::string json_string(std::string_view s);

}  // namespace kl8
