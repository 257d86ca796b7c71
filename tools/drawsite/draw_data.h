#pragma once
// The local draw-list site's data: generated, deterministic draws and the pages that show them.
//
// Every value is a pure function of the day (and of rows_per_day for the draw numbers), so two
// runs, two servers or a test without any server compute the same rows and the same page bytes.
//
// A day's draws: row i (from 0) is drawn at 09:05 + 5 * i minutes; at most MAX_ROWS_PER_DAY
// rows fit into one day (the last one at 23:55). The draw numbers run on across days without
// a gap: the first row of day k (k days after 2010-09-03) is FIRST_DRAW_NUMBER + k * rows_per_day.
// The 23 fields of a row, as the site writes them into its markup:
//   1     the draw number, plain decimal ("100001");
//   2     the draw time, "YYYY-MM-DD HH:MM" ("2010-09-03 09:05");
//   3     the extra number, 1 to 80, plain decimal ("7");
//   4-23  twenty distinct numbers from 1 to 80, ascending, two digits each ("01" .. "80").
// The random part of a row depends on the calendar day and the row index only: a day served
// with 3 rows shows the first 3 rows of the same day served with 179, draw numbers aside.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "foundation/datetime.h"
#include "foundation/text.h"
#include "harvest/draw_row_pattern.h"

namespace kl8 {

inline constexpr int FIRST_DRAW_NUMBER = 100001;
inline constexpr int DEFAULT_ROWS_PER_DAY = 179;
inline constexpr int MAX_ROWS_PER_DAY = 179;
inline constexpr int FIRST_DRAW_MINUTE = 9 * 60 + 5;  // 09:05, minutes after midnight
inline constexpr int DRAW_INTERVAL_MINUTES = 5;

struct DrawRow {
    std::array<std::string, DRAW_ROW_FIELDS> fields;
    friend bool operator==(const DrawRow&, const DrawRow&) = default;
};

// 2010-09-03, the first day of sales and of the site's data.
DateTime first_draw_day();
// Whole days from 2010-09-03 to the date of day (negative before it); the time of day is
// ignored.
int draw_day_index(DateTime day);
// The minute after midnight at which row `row` (from 0) is drawn.
int draw_minute(int row);

// rows_per_day rows (clamped to 0..MAX_ROWS_PER_DAY) for the date of day, any date at all:
// which days have draws is the server's decision. With limit_minutes_of_day, only the rows
// drawn at or before that minute after midnight (the draws whose time has passed).
std::vector<DrawRow> draws_of_day(DateTime day, int rows_per_day,
                                  std::optional<int> limit_minutes_of_day = {});

// What the site serves for day when started with --today today: the full day's rows from
// 2010-09-03 to today, none before or after.
std::vector<DrawRow> served_draws(DateTime day, DateTime today, int rows_per_day);

// The 23 fields joined by ",": the line a harvest writes for the row, without its CR LF.
Text record_line(const DrawRow& row);
// The record lines (each ended by CR LF) of every day from first to last inclusive, as served
// with --today today: the record file that harvesting those days from an empty file gives.
std::string record_text(DateTime first, DateTime last, DateTime today, int rows_per_day);

// Variants of the page for fault injection. The default is the site's normal page.
struct PageStyle {
    bool crlf = false;             // every line ended by CR LF instead of LF
    bool upper_case_tags = false;  // the rows' tags and class names in capitals
    bool comma_in_field2 = false;  // field 2 written "YYYY-MM-DD,HH:MM" in every row
    int extra_space_row = 0;       // row n (from 1) gets one space more in its indentation
    int zero_byte_after_row = 0;   // a zero byte right after row n's "</tr>" (from 1)
};

// One row's markup exactly as the draw-row pattern spells it, its quote markers turned into
// double quotes and each "(.*)" into the field: from the line feed that ends the line before
// the row's td1 cell up to and including "</tr>".
std::string render_row(const DrawRow& row);

// The day's draw-list page: HTML in code page 936, LF line ends, a title and heading that say
// it is a local test site with generated draws, a header row and other markup that the
// draw-row pattern does not match, then one row per DrawRow in the given order. Without rows,
// the table holds only its header row and a "no draws" notice follows it.
std::string render_page(DateTime day, const std::vector<DrawRow>& rows,
                        const PageStyle& style = {});

// A short page for a status other than 200 (400 for a bad day text, 404, 500, 503...): no
// rows, code page 936, LF line ends.
std::string render_status_page(int status);

}  // namespace kl8
