#include "app/window_date_text.h"

#include "foundation/codepage.h"

namespace kl8 {

DateTime initial_date_box_day() { return make_datetime(2010, 9, 3); }

DateTime whole_day(DateTime dt) { return make_datetime(year_of(dt), month_of(dt), day_of(dt)); }

std::string date_box_text(DateTime day) { return text_to_utf8(datetime_text(whole_day(day))); }

std::optional<DateTime> read_date_box_text(std::string_view utf8) {
    DateTime parsed = parse_datetime(trim_spaces(utf8_to_text(utf8)));
    if (parsed == DATETIME_MIN) return std::nullopt;
    return whole_day(parsed);
}

}  // namespace kl8
