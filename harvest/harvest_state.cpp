#include "harvest/harvest_state.h"

#include "foundation/gbk_literals.h"
#include "web/draw_site.h"

namespace kl8 {
PlanResult HarvestState::begin_plan(DateTime start_day, DateTime now) {
    DateTime today = parse_datetime(format_ymd(now));
    Text tomorrow = format_ymd(add_days(today, 1));
    if (days_from_to(start_day, parse_datetime(tomorrow)) < 0) return PlanResult::start_after_end;
    end_text = tomorrow;
    current_date = add_days(start_day, -1);
    return PlanResult::ok;
}

Text HarvestState::advance_day() {
    current_date = add_days(current_date, 1);
    return format_ymd(current_date);
}

void HarvestState::set_day_url(const Text& day_text) {
    day_url = concat_text(draw_list_url_prefix(), day_text);
}

void HarvestState::set_page_text(Text page) { page_text = std::move(page); }

bool HarvestState::is_finished() const { return end_text == format_ymd(current_date); }

Text HarvestState::progress_text() const {
    return concat_text(Text(gbk::PROGRESS_PREFIX), datetime_text(current_date));
}

void HarvestState::release_texts() {
    end_text = Text();
    day_url = Text();
    page_text = Text();
}

HarvestState& harvest_state() {
    static HarvestState state;
    return state;
}

int planned_day_count(DateTime start_day, DateTime now) {
    int days = days_from_to(start_day, add_days(date_only(now), 1)) + 1;
    return days < 0 ? 0 : days;
}

}  // namespace kl8
