#pragma once
// Streams a record file line by line in fixed blocks, so memory stays bounded whatever the
// file's size.
//
// A line is the bytes up to a line feed (LF); its content is those bytes without the LF and
// without one carriage return (CR) right before it. The bytes after the last LF, when there
// are any, are one more line with LineEnd::none. An empty file has no lines; a file holding
// only CR LF has one empty line. Lines are numbered from 1.
//
// A line longer than MAX_LINE_BYTES is handed over cut to its first MAX_LINE_BYTES bytes, with
// `cut` set; the rest of it is skipped without being kept.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace kl8 {

inline constexpr std::size_t READ_BLOCK_BYTES = 1 << 20;
inline constexpr std::size_t MAX_LINE_BYTES = 1 << 16;

enum class LineEnd {
    crlf,     // CR LF, as a record line must end
    lf_only,  // LF without a CR before it
    none,     // the last line, with no LF after it (a CR alone counts as none too)
};

struct RecordLine {
    std::int64_t number = 0;
    std::string_view content;  // valid only during the callback
    LineEnd end = LineEnd::crlf;
    bool cut = false;
};

enum class ReadOutcome {
    ok,
    cannot_open,  // missing file, no permission
    read_failed,  // an error while reading (a directory reads as this)
};

struct ReadResult {
    ReadOutcome outcome = ReadOutcome::ok;
    std::string message;     // the system's reason when not ok
    std::int64_t lines = 0;  // lines handed over, also when reading stopped early
};

using LineHandler = std::function<void(const RecordLine&)>;

// Calls on_line for every line in file order. On a read error the lines read so far have been
// handed over and the result says what went wrong.
[[nodiscard]] ReadResult read_record_lines(const std::filesystem::path& path,
                                           const LineHandler& on_line);

}  // namespace kl8
