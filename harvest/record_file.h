#pragma once
// The record file: one line per draw row, each line the bytes of a code page 936 Text followed
// by CR LF, no header, nothing after the last line.
//
// Every line goes to the system in one write call with no buffer of ours, so each completed
// line is in the file even when the process is killed. A run appends after what the file held
// when it was opened:
// - an old last line without its CR LF (left by a killed run) is cut off first;
// - a line equal, byte for byte, to a line the file held at opening is not written again, so a
//   run over days already exported adds only the new draws; the lines of one run are all
//   written, in order, duplicates among them included;
// - a write that fails is cut back to where the line began, so no partial line stays.
//
// One writer at a time (the running harvest worker); the file is not locked against others.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foundation/text.h"

namespace kl8 {

enum class InsertResult {
    written,
    already_present,  // the file held this line when it was opened
    no_file,          // the record file could not be opened
    failed,           // the write failed; the file is as it was before the line
};

class RecordFile {
  public:
    // Opens (creating it if needed, never truncating whole lines) the file at path. A file that
    // cannot be opened gives a RecordFile that is not open and says why in error().
    static std::shared_ptr<RecordFile> open(const std::filesystem::path& path);
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    bool is_open() const { return fd_ >= 0; }
    const std::string& error() const { return error_; }
    const std::filesystem::path& path() const { return path_; }

    InsertResult insert_line(const Text& line);

    // What this process has done to the file so far.
    std::int64_t lines_written() const { return lines_written_; }
    std::int64_t lines_already_present() const { return lines_present_; }
    std::int64_t write_failures() const { return write_failures_; }
    // Lines the file held when it was opened (after cutting a partial last line).
    std::int64_t lines_at_open() const { return static_cast<std::int64_t>(old_lines_.size()); }
    // Bytes of a partial last line cut off at opening.
    std::int64_t bytes_cut_at_open() const { return bytes_cut_; }

  private:
    RecordFile() = default;
    bool load_old_lines();
    bool held_at_open(const std::string& line) const;

    int fd_ = -1;
    std::filesystem::path path_;
    std::string error_;
    std::int64_t end_ = 0;  // where the next line goes
    // Hash and offset of each line the file held at opening, sorted by hash; a hash hit is
    // confirmed on the bytes in the file.
    struct OldLine {
        std::uint64_t hash;
        std::int64_t offset;
        std::uint32_t length;  // without CR LF
        friend bool operator<(const OldLine& a, const OldLine& b) { return a.hash < b.hash; }
    };
    std::vector<OldLine> old_lines_;
    std::int64_t lines_written_ = 0;
    std::int64_t lines_present_ = 0;
    std::int64_t write_failures_ = 0;
    std::int64_t bytes_cut_ = 0;
};

// The directory of the running executable, as the system reports it (/proc/self/exe).
std::filesystem::path run_directory();
// run_directory() / "彩票信息.txt" (the name in UTF-8 on disk).
std::filesystem::path default_record_path();
std::shared_ptr<RecordFile> open_record_file();

}  // namespace kl8
