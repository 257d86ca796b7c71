#include "quality/record_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace kl8 {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// The line being put together from pieces that straddle blocks. It keeps one byte more than
// a line may hold, for the CR that may end it.
class PendingLine {
   public:
    bool empty() const { return !any_; }
    void add(std::string_view piece) {
        if (piece.empty()) return;
        any_ = true;
        last_byte_ = piece.back();
        const std::size_t room = KEPT_BYTES - bytes_.size();
        if (piece.size() > room) {
            bytes_.append(piece.substr(0, room));
            overflowed_ = true;
        } else {
            bytes_.append(piece);
        }
    }
    bool overflowed() const { return overflowed_; }
    char last_byte() const { return last_byte_; }
    const std::string& bytes() const { return bytes_; }
    void clear() {
        bytes_.clear();
        overflowed_ = false;
        any_ = false;
        last_byte_ = 0;
    }

    static constexpr std::size_t KEPT_BYTES = MAX_LINE_BYTES + 1;

   private:
    std::string bytes_;
    bool overflowed_ = false;
    bool any_ = false;
    char last_byte_ = 0;
};

}  // namespace

ReadResult read_record_lines(const std::filesystem::path& path, const LineHandler& on_line) {
    ReadResult result;
    errno = 0;
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        result.outcome = ReadOutcome::cannot_open;
        result.message = std::strerror(errno);
        return result;
    }

    std::vector<char> block(READ_BLOCK_BYTES);
    PendingLine pending;
    RecordLine line;

    // Hands over one line. kept: its first bytes (at most KEPT_BYTES), the LF not among them;
    // overflowed: the line had more; last_byte: its true last byte before the LF.
    auto deliver = [&](std::string_view kept, bool overflowed, char last_byte, bool had_lf) {
        const bool cr = last_byte == '\r';
        if (cr && !overflowed) kept.remove_suffix(1);
        const bool cut = overflowed || kept.size() > MAX_LINE_BYTES;
        line.number = ++result.lines;
        line.content = kept.substr(0, MAX_LINE_BYTES);
        line.cut = cut;
        line.end = !had_lf ? LineEnd::none : cr ? LineEnd::crlf : LineEnd::lf_only;
        on_line(line);
    };

    while (true) {
        const std::size_t n = std::fread(block.data(), 1, block.size(), file.get());
        if (n == 0) {
            if (std::ferror(file.get())) {
                result.outcome = ReadOutcome::read_failed;
                result.message = std::strerror(errno ? errno : EIO);
                return result;
            }
            break;
        }
        const std::string_view data(block.data(), n);
        std::size_t pos = 0;
        while (pos < n) {
            const void* found = std::memchr(data.data() + pos, '\n', n - pos);
            if (found == nullptr) {
                pending.add(data.substr(pos));
                break;
            }
            const std::size_t lf = static_cast<const char*>(found) - data.data();
            const std::string_view piece = data.substr(pos, lf - pos);
            if (pending.empty()) {
                // The common case: the whole line lies in this block and is used in place.
                const std::size_t kept = PendingLine::KEPT_BYTES;
                deliver(piece.substr(0, kept), piece.size() > kept,
                        piece.empty() ? 0 : piece.back(), true);
            } else {
                pending.add(piece);
                deliver(pending.bytes(), pending.overflowed(), pending.last_byte(), true);
                pending.clear();
            }
            pos = lf + 1;
        }
    }
    if (!pending.empty()) {
        deliver(pending.bytes(), pending.overflowed(), pending.last_byte(), false);
    }
    return result;
}

}  // namespace kl8
