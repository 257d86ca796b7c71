#include "quality/report_text.h"

#include <cstdio>

#include "foundation/codepage.h"
#include "foundation/datetime.h"
#include "foundation/text.h"

namespace kl8 {
namespace {

bool is_control(unsigned char b) { return b < 0x20 || b == 0x7F; }

void append_hex_escape(std::string& out, unsigned char b) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\x%02X", b);
    out += buf;
}

}  // namespace

std::string display_bytes(std::string_view raw) {
    std::string out;
    std::string run;  // printable bytes waiting for conversion
    auto flush = [&] {
        if (!run.empty()) out += text_to_utf8(Text(run));
        run.clear();
    };
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const auto b = static_cast<unsigned char>(raw[i]);
        if (b >= 0x80 && i + 1 < raw.size() &&
            !is_control(static_cast<unsigned char>(raw[i + 1]))) {
            // A lead byte and its second byte go together, as code page 936 reads them; a
            // control byte is never a second byte, so it is escaped on its own.
            run += raw[i];
            run += raw[i + 1];
            ++i;
        } else if (is_control(b)) {
            flush();
            append_hex_escape(out, b);
        } else {
            run += raw[i];
        }
    }
    flush();
    return out;
}

std::string valid_utf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        int more = -1;
        char32_t min = 0;
        if (b < 0x80) {
            more = 0;
        } else if ((b & 0xE0) == 0xC0) {
            more = 1, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            more = 2, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            more = 3, min = 0x10000;
        }
        bool ok = more >= 0 && i + more < s.size();
        char32_t c = more > 0 ? (b & (0x3F >> more)) : b;
        for (int k = 1; ok && k <= more; ++k) {
            const auto cont = static_cast<unsigned char>(s[i + k]);
            ok = (cont & 0xC0) == 0x80;
            c = (c << 6) | (cont & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
        ok = ok && c >= min && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
        if (ok) {
            out.append(s.substr(i, more + 1));
            i += more + 1;
        } else {
            out += '?';
            ++i;
        }
    }
    return out;
}

std::string iso_day(int day) {
    const DateTime dt{static_cast<double>(day)};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year_of(dt), month_of(dt), day_of(dt));
    return buf;
}

std::string json_string(std::string_view s) {
    std::string out = "\"";
    for (char ch : s) {
        const auto b = static_cast<unsigned char>(ch);
        switch (ch) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (b < 0x20 || b == 0x7F) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04X", b);
                    out += buf;
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
    return out;
}

}  // namespace kl8
