#pragma once
// The `check` and `chart` commands of kl8-export.
//
//   check [FILE] [--json]
//     Reads the record file (FILE, or default_file) and writes the report of
//     quality/check_report.h to out. Exit code 0 when the file shows no problem, 1 when it
//     shows any (quality/record_check.h says what counts), 2 when the file cannot be read or
//     the arguments are wrong (a message on err, nothing on out).
//
//   chart [FILE] --out FILE.svg [--from DAY] [--to DAY]
//     Writes the bar chart of quality/frequency_chart.h for the draws whose day lies in the
//     range, and a short summary to out. DAY is any form parse_datetime reads (2010-09-03,
//     2010/9/3, full-width forms); its time of day is ignored. Exit code 0 when the chart was
//     written (also when no draw lies in the range: the chart says so), 2 on wrong arguments
//     (--out missing, a DAY that is not a date, --from after --to), a file that cannot be read
//     or a chart that cannot be written.
//
// Options may stand before or after FILE; "--out=X" is "--out X" (the same for --from, --to).
// Arguments are UTF-8, as the command line gives them.

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace kl8 {

// args: everything after "check"; default_file: the record file beside the executable.
int run_check_command(const std::vector<std::string>& args,
                      const std::filesystem::path& default_file, std::ostream& out,
                      std::ostream& err);
// args: everything after "chart".
int run_chart_command(const std::vector<std::string>& args,
                      const std::filesystem::path& default_file, std::ostream& out,
                      std::ostream& err);

}  // namespace kl8
