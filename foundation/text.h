#pragma once
// Byte strings in code page 936 (GBK).
//
// Text never holds the byte 0: every way of making one stops at the first zero byte, so the
// rule lives in Text's constructor alone. Lengths and positions count bytes; positions start
// at 1 and a search that finds nothing gives -1. A byte of 0x80 or above is the lead byte of a
// two-byte character whose second byte is the next byte, whatever its value; a lead byte that
// is the last byte of a text stands alone. Case folding knows "A".."Z" only.
//
// Bytes holds any bytes, zero included. TextList is what split_text gives.
// All of them are values: operations return new values and never change their arguments.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kl8 {

class Text {
  public:
    Text() = default;
    Text(const char* bytes) : Text(std::string_view(bytes ? bytes : "")) {}
    // Keeps the bytes up to the first zero byte, or all of them when there is none.
    explicit Text(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find('\0'))) {}
    explicit Text(std::string&& bytes) : bytes_(std::move(bytes)) {
        if (auto zero = bytes_.find('\0'); zero != std::string::npos) bytes_.resize(zero);
    }

    const std::string& str() const { return bytes_; }
    std::string_view view() const { return bytes_; }
    const char* c_str() const { return bytes_.c_str(); }
    int length() const { return static_cast<int>(bytes_.size()); }
    bool empty() const { return bytes_.empty(); }

    Text& operator+=(const Text& more) {
        bytes_ += more.bytes_;
        return *this;
    }
    friend Text operator+(Text a, const Text& b) { return a += b; }
    friend bool operator==(const Text&, const Text&) = default;
    // Byte order, unsigned.
    friend std::strong_ordering operator<=>(const Text& a, const Text& b) {
        return a.bytes_.compare(b.bytes_) <=> 0;
    }

  private:
    std::string bytes_;
};

class Bytes {
  public:
    Bytes() = default;
    explicit Bytes(std::string bytes) : bytes_(std::move(bytes)) {}
    Bytes(const void* data, std::size_t size) : bytes_(static_cast<const char*>(data), size) {}

    const std::string& str() const { return bytes_; }
    std::string& mutable_str() { return bytes_; }
    const unsigned char* data() const {
        return reinterpret_cast<const unsigned char*>(bytes_.data());
    }
    int length() const { return static_cast<int>(bytes_.size()); }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    friend bool operator==(const Bytes&, const Bytes&) = default;

  private:
    std::string bytes_;
};

// Elements are read from 1 to count(); an index below 1 is fatal error 4, above the count
// fatal error 1 (report_fatal_error).
class TextList {
  public:
    TextList() = default;
    explicit TextList(std::vector<Text> items) : items_(std::move(items)) {}
    int count() const { return static_cast<int>(items_.size()); }
    const Text& at(int index) const;
    void append(Text item) { items_.push_back(std::move(item)); }
    const std::vector<Text>& items() const { return items_; }
    friend bool operator==(const TextList&, const TextList&) = default;

  private:
    std::vector<Text> items_;
};

int text_length(const Text& t);
// Byte slices; they may cut a two-byte character. Out-of-range counts are clipped.
Text text_left(const Text& t, int n);
Text text_right(const Text& t, int n);
Text text_mid(const Text& t, int start, int n);

// First match at or after start (a start below 1 searches from 1). The empty sought text is
// found at 1 whenever any byte lies at or after start, even when start is above 1.
int find_text(const Text& t, const Text& sought, int start = 1, bool ignore_case = false);
// Rightmost match that ends before start; without start, anywhere in t.
int find_text_reverse(const Text& t, const Text& sought, std::optional<int> start = std::nullopt,
                      bool ignore_case = false);

Text to_lower(const Text& t);
// Spaces are 0x20 and the full-width space A1 A1; tabs and line breaks are not spaces.
Text trim_spaces(const Text& t);
Text remove_spaces(const Text& t);
// Non-overlapping, left to right, from start; count < 0 means no limit. Note the sense of the
// flag: case_sensitive false folds ASCII case.
Text replace_text(const Text& t, const Text& sought, const Text& replacement, bool case_sensitive,
                  int start = 1, int count = -1);
// A trailing separator adds no empty element; max_count left out means no limit, a given
// negative one counts as 0.
TextList split_text(const Text& t, const Text& separator = ",",
                    std::optional<int> max_count = std::nullopt);

// Full-width forms (row A3, the full-width space, ～, ☆ and ★) folded to ASCII; a lead byte
// that ends the text is dropped.
Text fold_fullwidth(const Text& t);
// Leading white space, an optional sign and decimal digits after fold_fullwidth; 0 without
// digits; overflow wraps modulo 2^32.
int text_to_int(const Text& t);
Text int_text(int value);
// The single byte code mod 256; empty for a zero byte.
Text char_text(int code);
Text blank_text(int n);
int compare_text(const Text& a, const Text& b);

template <typename... More>
Text concat_text(const Text& first, const More&... more) {
    std::string out;
    out.reserve((first.str().size() + ... + more.str().size()));
    out += first.str();
    (out += ... += more.str());
    return Text(std::move(out));
}

Bytes text_to_bytes(const Text& t);
// The bytes up to the first zero byte.
Text bytes_to_text(const Bytes& b);
Text bytes_read_text(const Bytes& b);
Bytes blank_bytes(int n);
Bytes bytes_left(const Bytes& b, int n);
int bytes_length(const Bytes& b);
bool bytes_equal(const Bytes& a, const Bytes& b);

template <typename... More>
Bytes concat_bytes(const Bytes& first, const More&... more) {
    std::string out;
    out.reserve((first.size() + ... + more.size()));
    out += first.str();
    (out += ... += more.str());
    return Bytes(std::move(out));
}

template <typename... More>
constexpr int bit_or(int first, More... more) {
    return (first | ... | more);
}

}  // namespace kl8
