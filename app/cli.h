#pragma once
// The headless command line of kl8-export:
//
//   kl8-export --from DAY [--to DAY] [--site HOST[:PORT]] [--out FILE]
//
// DAY is read as the date box would take it (2010-09-03, 2010/9/3, full-width forms). --to
// defaults to tomorrow; --site overrides KL8_SITE and the default host; --out defaults to the
// record file beside the executable. For tests and load runs: --retry-delay MS (the first
// wait between tries, 1000), --timeout MS (connect and idle time-outs, 60000).
//
// Exit codes: 0 every day fetched; 2 bad arguments or a record file that cannot be opened (no
// request is made); 3 some day failed after its tries, or a line could not be written; 130
// after Ctrl-C (SIGINT) or SIGTERM, every line written so far whole.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/cli_options.h"

namespace kl8 {

// Runs the export; the process's signal mask must not yet have been changed by another thread.
int run_export_command(const ExportOptions& options);

// The whole program's argument dispatch for everything but the window: returns the exit code,
// or std::nullopt when the window should open (no arguments).
std::optional<int> run_command_line(int argc, char** argv);

}  // namespace kl8
