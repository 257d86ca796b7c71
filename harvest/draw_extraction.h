#pragma once
// Turns one draw-list page into record lines: every match of the draw-row pattern, in page
// order, becomes its 23 groups joined by "," (copied as captured: no trimming, quoting or
// escaping) and goes to the record file with insert_line.

#include "foundation/text.h"

namespace kl8 {

class RecordFile;

struct ExtractResult {
    int rows = 0;            // matches found; 0 also when the pattern could not run
    int lines_written = 0;   // of those, lines the file took
    int lines_present = 0;   // lines the file already held
    int lines_failed = 0;    // writes that failed (or no open file)
    // CPU time of this thread: running the pattern over the page (its conversion to UTF-16
    // included), and reading the captures and writing the lines.
    double match_cpu_seconds = 0;
    double write_cpu_seconds = 0;
};

// CPU time the calling thread has used, in seconds.
double thread_cpu_seconds();

// file may be null: the lines are then counted as failed.
ExtractResult extract_draws(const Text& page, RecordFile* file);

}  // namespace kl8
