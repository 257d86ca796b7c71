// parse_datetime over arbitrary bytes. Invariants: the result is DATETIME_MIN or a valid date
// whose day text reads back as its midnight; its fields are in range; one day on and back is
// the same day.
#include <cmath>

#include "foundation/datetime.h"
#include "fuzz_input.h"

using namespace kl8;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Text text(std::string_view(reinterpret_cast<const char*>(data), size));
    DateTime dt = parse_datetime(text);
    if (dt == DATETIME_MIN) return 0;
    // Before 1899-12-30 the time of day counts away from zero: 100-01-01 08:00 lies below
    // DATETIME_MIN.
    FUZZ_CHECK(dt.value > DATETIME_MIN.value - 1 && dt.value < DATETIME_MAX.value + 1);
    FUZZ_CHECK(month_of(dt) >= 1 && month_of(dt) <= 12);
    FUZZ_CHECK(day_of(dt) >= 1 && day_of(dt) <= 31);
    FUZZ_CHECK(hour_of(dt) <= 23 && minute_of(dt) <= 59 && second_of(dt) <= 59);
    DateTime midnight = parse_datetime(format_ymd(dt));
    FUZZ_CHECK(format_ymd(midnight) == format_ymd(dt));
    FUZZ_CHECK(hour_of(midnight) == 0 && minute_of(midnight) == 0);
    if (year_of(dt) > 100 && year_of(dt) < 9999) {
        FUZZ_CHECK(format_ymd(add_days(add_days(dt, 1), -1)) == format_ymd(dt));
    }
    (void)datetime_text(dt);
    return 0;
}
