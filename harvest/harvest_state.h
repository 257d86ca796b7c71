#pragma once
// The state one harvest works on, and its day-by-day plan.
//
// A harvest fetches every day from the start day up to and including tomorrow, as seen at
// begin_plan: the first advance_day yields the start day, is_finished turns true once
// tomorrow has been advanced to. The current date keeps the start day's time of day.
//
// Ownership: one harvest at a time. The thread that runs the current step (the UI thread for
// begin_plan, then each worker in turn) is the only one touching the state; the harvest
// runner hands it on and never lets two chains share it.

#include <memory>

#include "foundation/datetime.h"
#include "foundation/text.h"

namespace kl8 {

class RecordFile;

enum class PlanResult {
    ok,
    // The start day lies after tomorrow: such a plan would never finish. Nothing was changed.
    start_after_end,
};

class HarvestState {
  public:
    std::shared_ptr<RecordFile> record_file;
    DateTime current_date;
    Text end_text;  // format_ymd of tomorrow, the last day to fetch
    Text day_url;
    Text page_text;

    [[nodiscard]] PlanResult begin_plan(DateTime start_day, DateTime now);
    // Moves current_date one day on and returns its day text, such as "2014/9/9".
    Text advance_day();
    void set_day_url(const Text& day_text);
    void set_page_text(Text page);
    bool is_finished() const;
    // "当前导出数据：" + the long date text of current_date.
    Text progress_text() const;
    void release_texts();
};

// The one process-wide state.
HarvestState& harvest_state();

// Days a plan from start_day fetches when begun at now: (tomorrow - start) + 1, or 0 when the
// start day lies after tomorrow.
int planned_day_count(DateTime start_day, DateTime now);

}  // namespace kl8
