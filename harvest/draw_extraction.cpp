#include "harvest/draw_extraction.h"

#include <time.h>

#include "harvest/draw_row_pattern.h"
#include "harvest/record_file.h"
#include "pattern/regex_matcher.h"

namespace kl8 {

double thread_cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

ExtractResult extract_draws(const Text& page, RecordFile* file) {
    ExtractResult result;
    const double started = thread_cpu_seconds();
    RegexMatcher matcher;
    const bool ran = matcher.create(draw_row_pattern(), page, /*case_sensitive=*/false,
                                    /*multiline=*/false, /*global=*/true, /*quote_marker=*/true);
    const double matched = thread_cpu_seconds();
    result.match_cpu_seconds = matched - started;
    if (ran) {
        const int n = matcher.match_count();
        for (int i = 1; i <= n; ++i) {
            std::string line;
            for (int j = 1; j <= DRAW_ROW_FIELDS; ++j) {
                if (j > 1) line += ',';
                line += matcher.submatch_text(i, j).str();
            }
            InsertResult written = file ? file->insert_line(Text(std::move(line)))
                                        : InsertResult::no_file;
            switch (written) {
                case InsertResult::written: ++result.lines_written; break;
                case InsertResult::already_present: ++result.lines_present; break;
                default: ++result.lines_failed; break;
            }
        }
        result.rows = n;
    }
    matcher.destroy();
    result.write_cpu_seconds = thread_cpu_seconds() - matched;
    return result;
}

}  // namespace kl8
