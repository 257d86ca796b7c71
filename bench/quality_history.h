#pragma once
// A full record file for the quality benchmarks, from the local site's generator: 179 draws a
// day from 2010-09-03 for `days` days, as a harvest of the site writes them.

#include <cstdio>
#include <filesystem>
#include <string>

#include "foundation/datetime.h"
#include "tools/drawsite/draw_data.h"

namespace kl8::bench {

// 5587 days of 179 draws: 1,000,073 lines.
inline constexpr int FULL_HISTORY_DAYS = 5587;

// Writes the file a month at a time, so the generator never holds the whole history.
inline bool write_history(const std::filesystem::path& path, int days) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const DateTime first = first_draw_day();
    const DateTime last = add_days(first, days - 1);
    const DateTime today = add_days(last, 1);
    bool ok = true;
    for (int d = 0; d < days && ok; d += 30) {
        const DateTime to = add_days(first, std::min(d + 29, days - 1));
        const std::string text = record_text(add_days(first, d), to, today, DEFAULT_ROWS_PER_DAY);
        ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    }
    return std::fclose(f) == 0 && ok;
}

}  // namespace kl8::bench
