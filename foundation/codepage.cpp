#include "foundation/codepage.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace kl8 {

// The UTF-16 side of iconv is "UTF-16LE", read and written straight from char16_t buffers.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr char16_t REPLACEMENT_UNIT = u'?';
constexpr char REPLACEMENT_BYTE = '?';

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

// iconv descriptors keep conversion state, so each thread opens its own, once. A descriptor
// that cannot be opened (no gconv module) stays empty and every non-ASCII character then
// converts to "?".
iconv_t open_once(IconvHandle& slot, bool& tried, const char* to, const char* from) {
    if (!tried) {
        tried = true;
        iconv_t cd = iconv_open(to, from);
        if (cd != reinterpret_cast<iconv_t>(-1)) slot.reset(cd);
    }
    return static_cast<iconv_t>(slot.get());
}

iconv_t cp936_to_utf16() {
    thread_local IconvHandle handle;
    thread_local bool tried = false;
    return open_once(handle, tried, "UTF-16LE", "CP936");
}

iconv_t utf16_to_cp936() {
    thread_local IconvHandle handle;
    thread_local bool tried = false;
    return open_once(handle, tried, "CP936", "UTF-16LE");
}

bool is_lead_byte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool is_high_surrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool is_low_surrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Runs iconv over [in, in + in_len) into out. Returns the number of input bytes consumed before
// the first sequence iconv refused (all of them when none), and advances out. glibc leaves the
// input pointer on the first byte of a refused sequence, for EILSEQ and EINVAL alike.
std::size_t convert_run(iconv_t cd, const char* in, std::size_t in_len, char*& out,
                        std::size_t out_room) {
    if (cd == nullptr) return 0;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in_ptr = const_cast<char*>(in);
    std::size_t in_left = in_len;
    iconv(cd, &in_ptr, &in_left, &out, &out_room);
    return in_len - in_left;
}

}  // namespace

std::u16string text_to_u16(const Text& t) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(t.view().data());
    const std::size_t n = t.view().size();
    // Every byte yields at most one unit: a pair gives one, a single byte or a "?" one.
    std::u16string out(n, u'\0');
    char16_t* const dst = out.data();
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < n) {
        // Pages are mostly ASCII: sixteen bytes at a time while none has its top bit set,
        // each widened by interleaving it with zero bytes (x86 is little-endian).
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        while (i + 16 <= n) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
            if (_mm_movemask_epi8(block) != 0) break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + used), _mm_unpacklo_epi8(block, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + used + 8),
                             _mm_unpackhi_epi8(block, zero));
            used += 16;
            i += 16;
        }
#endif
        while (i + 8 <= n) {
            std::uint64_t block;
            std::memcpy(&block, bytes + i, 8);
            if (block & 0x8080808080808080u) break;
            for (int k = 0; k < 8; ++k) dst[used + k] = bytes[i + k];
            used += 8;
            i += 8;
        }
        while (i < n && bytes[i] < 0x80) dst[used++] = bytes[i++];
        if (i == n) break;
        // A run of non-ASCII characters: 0x80 and 0xFF stand alone in code page 936, the
        // bytes 0x81..0xFE lead a pair whose second byte may well be ASCII.
        std::size_t end = i;
        while (end < n && bytes[end] >= 0x80) end += is_lead_byte(bytes[end]) ? 2 : 1;
        if (end > n) end = n;
        char* out_ptr = reinterpret_cast<char*>(out.data() + used);
        const std::size_t done =
            convert_run(cp936_to_utf16(), reinterpret_cast<const char*>(bytes + i), end - i,
                        out_ptr, (n - used) * sizeof(char16_t));
        used = static_cast<std::size_t>(reinterpret_cast<char16_t*>(out_ptr) - out.data());
        i += done;
        if (i < end) {
            // Refused: an invalid pair or a lead byte that ends the text. The "?" takes the
            // lead byte only; the byte after it is read again as the start of a character.
            out[used++] = REPLACEMENT_UNIT;
            ++i;
        }
    }
    out.resize(used);
    return out;
}

Text u16_to_text(std::u16string_view units) {
    const std::size_t n = units.size();
    // At most two bytes per unit; a surrogate pair gives one "?".
    std::string out(2 * n, '\0');
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < n) {
        while (i < n && units[i] < 0x80) out[used++] = static_cast<char>(units[i++]);
        if (i == n) break;
        std::size_t end = i;
        while (end < n && units[end] >= 0x80) ++end;
        char* out_ptr = out.data() + used;
        const std::size_t done_bytes =
            convert_run(utf16_to_cp936(), reinterpret_cast<const char*>(units.data() + i),
                        (end - i) * sizeof(char16_t), out_ptr, out.size() - used);
        used = static_cast<std::size_t>(out_ptr - out.data());
        i += done_bytes / sizeof(char16_t);
        if (i < end) {
            // Refused: a character code page 936 lacks, or a surrogate without its partner.
            // A whole pair is one character and so one "?".
            out[used++] = REPLACEMENT_BYTE;
            const bool pair =
                is_high_surrogate(units[i]) && i + 1 < n && is_low_surrogate(units[i + 1]);
            i += pair ? 2 : 1;
        }
    }
    out.resize(used);
    return Text(std::move(out));
}

std::string text_to_utf8(const Text& t) {
    const std::string_view bytes = t.view();
    bool ascii = true;
    for (unsigned char b : bytes) ascii = ascii && b < 0x80;
    if (ascii) return std::string(bytes);

    const std::u16string units = text_to_u16(t);
    std::string out;
    out.reserve(units.size() * 3);
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (is_high_surrogate(units[i]) && i + 1 < units.size() && is_low_surrogate(units[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = REPLACEMENT_UNIT;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

namespace {

// Length of the well-formed UTF-8 sequence at s[i] and its code point, or 0 when the bytes
// there do not form one (overlong forms, surrogates and values above U+10FFFF included).
std::size_t decode_utf8(std::string_view s, std::size_t i, char32_t& c) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, c = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, c = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, c = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

Text utf8_to_text(std::string_view utf8) {
    bool ascii = true;
    for (unsigned char b : utf8) ascii = ascii && b < 0x80;
    if (ascii) return Text(utf8);

    std::u16string units;
    units.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            units += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        char32_t c = 0;
        const std::size_t len = decode_utf8(utf8, i, c);
        if (len == 0) {
            // A byte that starts no well-formed sequence: one "?" for that byte alone.
            units += REPLACEMENT_UNIT;
            ++i;
        } else if (c >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
            i += len;
        } else {
            units += static_cast<char16_t>(c);
            i += len;
        }
    }
    return u16_to_text(units);
}

}  // namespace kl8
