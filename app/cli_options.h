#pragma once
// Parsing of the export command's arguments, apart from running it, so that every refusal is
// testable without a process.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "foundation/datetime.h"

namespace kl8 {

struct ExportOptions {
    DateTime from;
    std::optional<DateTime> to;
    std::optional<std::string> site;
    std::optional<std::filesystem::path> out;
    std::chrono::milliseconds retry_delay{1000};
    std::chrono::milliseconds timeout{60000};
};

struct ParsedExport {
    std::optional<ExportOptions> options;
    std::string error;  // one line naming the problem, when options is empty
};

// args: the arguments after the program name. `now` decides what "tomorrow" is for checks.
ParsedExport parse_export_args(const std::vector<std::string>& args, DateTime now);

}  // namespace kl8
