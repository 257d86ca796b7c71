#pragma once
// The date box's text: the long date of a day, and what a typed text means as a day.
//
// No wx here, so the rules can be tested without a display.

#include <optional>
#include <string>
#include <string_view>

#include "foundation/datetime.h"

namespace kl8 {

// The date box's value at start: 2010-09-03 00:00:00, the first day of the draws.
DateTime initial_date_box_day();

// The day of dt at 00:00:00: the date box holds whole days only.
DateTime whole_day(DateTime dt);

// The long date of the day in UTF-8, such as "2010年9月3日", whatever the machine's locale;
// the time of day is not shown.
std::string date_box_text(DateTime day);

// The day a typed text names, at 00:00:00: any form parse_datetime reads ("2024-05-01",
// "2024/5/1", "2024年5月1日", full-width digits), a time after the day ignored, spaces around
// ignored. std::nullopt when the text names no valid day. As parse_datetime cannot tell its
// own failure from the day 0100-01-01, a text naming that day is refused too.
std::optional<DateTime> read_date_box_text(std::string_view utf8);

}  // namespace kl8
