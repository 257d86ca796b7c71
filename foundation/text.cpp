#include "foundation/text.h"

#include <cstdint>
#include <cstring>

#include "foundation/fatal.h"
#include "foundation/gbk_literals.h"

namespace kl8 {
namespace {

bool is_lead(unsigned char byte) { return byte >= 0x80; }

unsigned char fold(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + 0x20) : byte;
}

bool bytes_match(const std::string& t, std::size_t at, const std::string& sought,
                 bool ignore_case) {
    if (!ignore_case) return t.compare(at, sought.size(), sought) == 0;
    for (std::size_t i = 0; i < sought.size(); ++i) {
        if (fold(static_cast<unsigned char>(t[at + i])) !=
            fold(static_cast<unsigned char>(sought[i])))
            return false;
    }
    return true;
}

// Length of the character at index i: 2 for a lead byte with a byte after it, 1 otherwise.
std::size_t char_size(const std::string& t, std::size_t i) {
    return is_lead(static_cast<unsigned char>(t[i])) && i + 1 < t.size() ? 2 : 1;
}

bool is_space_at(const std::string& t, std::size_t i) {
    if (t[i] == ' ') return true;
    return i + 1 < t.size() && static_cast<unsigned char>(t[i]) == 0xA1 &&
           static_cast<unsigned char>(t[i + 1]) == 0xA1;
}

}  // namespace

const Text& TextList::at(int index) const {
    if (index < 1) report_fatal_error(4, Text(gbk::MSG_INDEX_BELOW));
    if (index > count()) report_fatal_error(1, Text(gbk::MSG_INDEX_ABOVE));
    return items_[static_cast<std::size_t>(index - 1)];
}

int text_length(const Text& t) { return t.length(); }

Text text_left(const Text& t, int n) {
    if (n <= 0) return {};
    return Text(t.view().substr(0, static_cast<std::size_t>(n)));
}

Text text_right(const Text& t, int n) {
    if (n <= 0) return {};
    std::size_t keep = std::min<std::size_t>(static_cast<std::size_t>(n), t.str().size());
    return Text(t.view().substr(t.str().size() - keep));
}

Text text_mid(const Text& t, int start, int n) {
    long long p = static_cast<long long>(start) - 1;
    if (p < 0 || p >= t.length() || n <= 0) return {};
    return Text(t.view().substr(static_cast<std::size_t>(p), static_cast<std::size_t>(n)));
}

int find_text(const Text& t, const Text& sought, int start, bool ignore_case) {
    const std::string& s = t.str();
    const std::string& f = sought.str();
    std::size_t p = start >= 1 ? static_cast<std::size_t>(start) - 1 : 0;
    std::size_t region = p >= s.size() ? 0 : s.size() - p;
    if (f.empty()) return region > 0 ? 1 : -1;
    // The cursor starts exactly at p, even on the second byte of a character, and then steps
    // by whole characters.
    std::size_t cursor = p;
    while (cursor < s.size() && s.size() - cursor >= f.size()) {
        if (bytes_match(s, cursor, f, ignore_case)) return static_cast<int>(cursor) + 1;
        if (is_lead(static_cast<unsigned char>(s[cursor]))) {
            if (cursor + 1 == s.size()) break;
            cursor += 2;
        } else {
            cursor += 1;
        }
    }
    return -1;
}

int find_text_reverse(const Text& t, const Text& sought, std::optional<int> start,
                      bool ignore_case) {
    const std::string& s = t.str();
    const std::string& f = sought.str();
    std::size_t limit = s.size();
    if (start) {
        long long m = static_cast<long long>(*start) - 1;
        if (m < 0) m = 0;
        limit = std::min<std::size_t>(static_cast<std::size_t>(m), s.size());
    }
    if (f.empty()) return limit > 0 ? 1 : -1;
    int found = -1;
    std::size_t cursor = 0;
    while (cursor + f.size() <= limit) {
        if (bytes_match(s, cursor, f, ignore_case)) found = static_cast<int>(cursor) + 1;
        if (is_lead(static_cast<unsigned char>(s[cursor]))) {
            if (cursor + 1 == s.size()) break;
            cursor += 2;
        } else {
            cursor += 1;
        }
    }
    return found;
}

Text to_lower(const Text& t) {
    std::string out = t.str();
    for (std::size_t i = 0; i < out.size();) {
        unsigned char byte = static_cast<unsigned char>(out[i]);
        if (is_lead(byte)) {
            i += 2;
        } else {
            out[i] = static_cast<char>(fold(byte));
            i += 1;
        }
    }
    return Text(std::move(out));
}

Text trim_spaces(const Text& t) {
    const std::string& s = t.str();
    std::size_t i = 0;
    while (i < s.size() && is_space_at(s, i)) i += char_size(s, i);
    std::size_t begin = i;
    std::size_t end = s.size();
    std::size_t run_start = std::string::npos;
    while (i < s.size()) {
        if (is_lead(static_cast<unsigned char>(s[i])) && i + 1 == s.size()) {
            // A lone lead byte at the end is cut off; a run of spaces just before it stays.
            end = i;
            run_start = std::string::npos;
            break;
        }
        if (is_space_at(s, i)) {
            if (run_start == std::string::npos) run_start = i;
        } else {
            run_start = std::string::npos;
        }
        i += char_size(s, i);
    }
    if (run_start != std::string::npos) end = run_start;
    return Text(std::string_view(s).substr(begin, end - begin));
}

Text remove_spaces(const Text& t) {
    const std::string& s = t.str();
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        if (is_lead(static_cast<unsigned char>(s[i])) && i + 1 == s.size()) break;
        std::size_t n = char_size(s, i);
        if (!is_space_at(s, i)) out.append(s, i, n);
        i += n;
    }
    return Text(std::move(out));
}

Text replace_text(const Text& t, const Text& sought, const Text& replacement, bool case_sensitive,
                  int start, int count) {
    const std::string& s = t.str();
    const std::string& f = sought.str();
    std::size_t p = start >= 1 ? static_cast<std::size_t>(start) - 1 : 0;
    if (s.empty() || f.empty() || p >= s.size() || count == 0) return t;
    bool limited = count > 0;
    std::string out(s, 0, p);
    std::size_t cursor = p;
    while (s.size() - cursor >= f.size()) {
        if (bytes_match(s, cursor, f, !case_sensitive)) {
            out += replacement.str();
            cursor += f.size();
            if (limited && --count == 0) break;
            continue;
        }
        if (is_lead(static_cast<unsigned char>(s[cursor]))) {
            if (cursor + 1 == s.size()) {
                cursor = s.size();  // a lone lead byte at the end is dropped
                break;
            }
            out.append(s, cursor, 2);
            cursor += 2;
        } else {
            out += s[cursor];
            cursor += 1;
        }
    }
    out.append(s, cursor, std::string::npos);
    return Text(std::move(out));
}

TextList split_text(const Text& t, const Text& separator, std::optional<int> max_count) {
    const std::string& s = t.str();
    const std::string& sep = separator.str();
    long long limit = max_count ? std::max(*max_count, 0) : -1;
    std::vector<Text> items;
    if (s.empty() || limit == 0) return TextList{};
    if (sep.empty()) return TextList({t});
    std::size_t field_start = 0;
    std::size_t cursor = 0;
    while (cursor < s.size()) {
        if (s.size() - cursor >= sep.size() && s.compare(cursor, sep.size(), sep) == 0) {
            items.emplace_back(std::string_view(s).substr(field_start, cursor - field_start));
            cursor += sep.size();
            field_start = cursor;
            if (limit > 0 && static_cast<long long>(items.size()) == limit) {
                return TextList(std::move(items));
            }
            continue;
        }
        if (is_lead(static_cast<unsigned char>(s[cursor]))) {
            if (cursor + 1 == s.size()) {
                cursor = s.size();  // the lone lead byte stays in the last element
                break;
            }
            cursor += 2;
        } else {
            cursor += 1;
        }
    }
    if (field_start < s.size()) {
        items.emplace_back(std::string_view(s).substr(field_start));
    }
    return TextList(std::move(items));
}

Text fold_fullwidth(const Text& t) {
    const std::string& s = t.str();
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        unsigned char a = static_cast<unsigned char>(s[i]);
        if (!is_lead(a)) {
            out += s[i];
            i += 1;
            continue;
        }
        if (i + 1 == s.size()) break;  // a lead byte that ends the text is dropped
        unsigned char b = static_cast<unsigned char>(s[i + 1]);
        if (a == 0xA1 && b == 0xA1) {
            out += ' ';
        } else if (a == 0xA1 && b == 0xAB) {
            out += '~';
        } else if (a == 0xA1 && (b == 0xEE || b == 0xEF)) {
            out += '*';
        } else if (a == 0xA3 && b >= 0xA1 && b <= 0xFE) {
            out += static_cast<char>(b - 0x80);
        } else {
            out.append(s, i, 2);
        }
        i += 2;
    }
    return Text(std::move(out));
}

int text_to_int(const Text& t) {
    const std::string s = fold_fullwidth(t).str();
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;  // wraps modulo 2^32 on purpose
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(s[i] - '0');
    }
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

Text int_text(int value) { return Text(std::to_string(value)); }

Text char_text(int code) {
    char byte = static_cast<char>(static_cast<unsigned>(code) & 0xFFu);
    if (byte == 0) return {};
    return Text(std::string(1, byte));
}

Text blank_text(int n) {
    if (n <= 0) return {};
    return Text(std::string(static_cast<std::size_t>(n), ' '));
}

int compare_text(const Text& a, const Text& b) {
    int c = a.str().compare(b.str());  // char_traits<char>::compare orders bytes unsigned
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

Bytes text_to_bytes(const Text& t) { return Bytes(t.str()); }

Text bytes_to_text(const Bytes& b) { return Text(std::string_view(b.str())); }

Text bytes_read_text(const Bytes& b) { return bytes_to_text(b); }

Bytes blank_bytes(int n) {
    if (n <= 0) return {};
    return Bytes(std::string(static_cast<std::size_t>(n), '\0'));
}

Bytes bytes_left(const Bytes& b, int n) {
    if (n <= 0) return {};
    return Bytes(b.str().substr(0, static_cast<std::size_t>(n)));
}

int bytes_length(const Bytes& b) { return b.length(); }

bool bytes_equal(const Bytes& a, const Bytes& b) { return a.str() == b.str(); }

}  // namespace kl8
