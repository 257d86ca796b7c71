#include "harvest/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "foundation/codepage.h"
#include "foundation/gbk_literals.h"

namespace kl8 {
namespace {

// FNV-1a, 64 bits: only a filter, every hit is confirmed on the bytes.
std::uint64_t line_hash(std::string_view bytes) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

bool pread_all(int fd, char* out, std::size_t size, std::int64_t offset) {
    while (size > 0) {
        ssize_t n = ::pread(fd, out, size, offset);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            return false;
        }
        out += n;
        size -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

std::string system_error(const char* what, const std::filesystem::path& path) {
    return std::string(what) + " " + path.string() + ": " + std::strerror(errno);
}

}  // namespace

std::shared_ptr<RecordFile> RecordFile::open(const std::filesystem::path& path) {
    std::shared_ptr<RecordFile> file(new RecordFile());
    file->path_ = path;
    // Read access is needed to find the lines the file already holds.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        file->error_ = system_error("cannot open the record file", path);
        return file;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        file->error_ = "cannot open the record file " + path.string() + ": not a regular file";
        ::close(fd);
        return file;
    }
    file->fd_ = fd;
    if (!file->load_old_lines()) {
        ::close(fd);
        file->fd_ = -1;
    }
    return file;
}

RecordFile::~RecordFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool RecordFile::load_old_lines() {
    constexpr std::size_t BLOCK = 1 << 20;
    std::string carry;  // the start of a line that continues in the next block
    std::int64_t carry_offset = 0;
    std::int64_t offset = 0;
    std::string block(BLOCK, '\0');
    for (;;) {
        ssize_t n = ::pread(fd_, block.data(), BLOCK, offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = system_error("cannot read the record file", path_);
            return false;
        }
        if (n == 0) break;
        std::string_view data(block.data(), static_cast<std::size_t>(n));
        std::size_t pos = 0;
        while (pos < data.size()) {
            std::size_t lf = data.find('\n', pos);
            if (lf == std::string_view::npos) {
                if (carry.empty()) carry_offset = offset + static_cast<std::int64_t>(pos);
                carry.append(data.substr(pos));
                break;
            }
            std::string_view piece = data.substr(pos, lf - pos);
            std::int64_t line_offset = carry.empty() ? offset + static_cast<std::int64_t>(pos) : carry_offset;
            std::string joined;
            if (!carry.empty()) {
                joined = std::move(carry);
                carry.clear();
                joined.append(piece);
                piece = joined;
            }
            // A line ends in CR LF; a bare LF ends a line too, kept with what comes before it.
            std::size_t length = piece.size();
            if (length > 0 && piece[length - 1] == '\r') --length;
            old_lines_.push_back({line_hash(piece.substr(0, length)), line_offset,
                                  static_cast<std::uint32_t>(length)});
            pos = lf + 1;
        }
        offset += n;
    }
    end_ = offset;
    if (!carry.empty()) {
        // A last line without its line break was left by a run that was cut short: drop it so
        // the next line starts on a line of its own.
        if (::ftruncate(fd_, carry_offset) != 0) {
            error_ = system_error("cannot cut the partial last line of", path_);
            return false;
        }
        bytes_cut_ = end_ - carry_offset;
        end_ = carry_offset;
    }
    std::sort(old_lines_.begin(), old_lines_.end());
    return true;
}

bool RecordFile::held_at_open(const std::string& line) const {
    if (old_lines_.empty()) return false;
    OldLine key{line_hash(line), 0, 0};
    auto [first, last] = std::equal_range(old_lines_.begin(), old_lines_.end(), key);
    std::string stored;
    for (auto it = first; it != last; ++it) {
        if (it->length != line.size()) continue;
        stored.resize(it->length);
        if (pread_all(fd_, stored.data(), stored.size(), it->offset) && stored == line) return true;
    }
    return false;
}

InsertResult RecordFile::insert_line(const Text& line) {
    if (fd_ < 0) return InsertResult::no_file;
    if (held_at_open(line.str())) {
        ++lines_present_;
        return InsertResult::already_present;
    }
    std::string data = line.str();
    data += "\r\n";
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::pwrite(fd_, data.data() + done, data.size() - done,
                             end_ + static_cast<std::int64_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // Leave no partial line behind.
            int saved = errno;
            if (::ftruncate(fd_, end_) != 0) {
                // Nothing more can be done; the next open cuts the partial line.
            }
            errno = saved;
            error_ = system_error("cannot write to the record file", path_);
            ++write_failures_;
            return InsertResult::failed;
        }
        done += static_cast<std::size_t>(n);
    }
    end_ += static_cast<std::int64_t>(data.size());
    ++lines_written_;
    return InsertResult::written;
}

std::filesystem::path run_directory() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return std::filesystem::current_path(ec);
    return exe.parent_path();
}

std::filesystem::path default_record_path() {
    return run_directory() / text_to_utf8(Text(gbk::RECORD_FILE_NAME));
}

std::shared_ptr<RecordFile> open_record_file() { return RecordFile::open(default_record_path()); }

}  // namespace kl8
