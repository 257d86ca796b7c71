#include "tools/drawsite/draw_data.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <string_view>

#include "foundation/gbk_literals.h"

namespace kl8 {
namespace {

// The page's own texts in code page 936.
// "北京快乐8 开奖结果"
constexpr std::string_view SITE_NAME =
    "\xB1\xB1\xBE\xA9\xBF\xEC\xC0\xD6"
    "8 \xBF\xAA\xBD\xB1\xBD\xE1\xB9\xFB";
// "本地测试站点：开奖号码均为程序生成，并非真实开奖"
constexpr std::string_view LOCAL_TEST_NOTE =
    "\xB1\xBE\xB5\xD8\xB2\xE2\xCA\xD4\xD5\xBE\xB5\xE3\xA3\xBA\xBF\xAA\xBD\xB1\xBA\xC5\xC2\xEB\xBE"
    "\xF9\xCE\xAA\xB3\xCC\xD0\xF2\xC9\xFA\xB3\xC9\xA3\xAC\xB2\xA2\xB7\xC7\xD5\xE6\xCA\xB5\xBF\xAA"
    "\xBD\xB1";
// "开奖日期："
constexpr std::string_view DATE_LABEL = "\xBF\xAA\xBD\xB1\xC8\xD5\xC6\xDA\xA3\xBA";
// "期号", "开奖时间", "飞盘", "开奖号码": the header row's cells.
constexpr std::string_view HEAD_NUMBER = "\xC6\xDA\xBA\xC5";
constexpr std::string_view HEAD_TIME = "\xBF\xAA\xBD\xB1\xCA\xB1\xBC\xE4";
constexpr std::string_view HEAD_EXTRA = "\xB7\xC9\xC5\xCC";
constexpr std::string_view HEAD_BALLS = "\xBF\xAA\xBD\xB1\xBA\xC5\xC2\xEB";
// "本日无开奖数据": the notice of a day without draws.
constexpr std::string_view NO_DRAWS = "\xB1\xBE\xC8\xD5\xCE\xDE\xBF\xAA\xBD\xB1\xCA\xFD\xBE\xDD";
// "日期参数无效": the notice of a day text that is not a day.
constexpr std::string_view BAD_DAY = "\xC8\xD5\xC6\xDA\xB2\xCE\xCA\xFD\xCE\xDE\xD0\xA7";
// "共", "期": around the row count ("共 179 期", 179 draws in all).
constexpr std::string_view COUNT_BEFORE = "\xB9\xB2";
constexpr std::string_view COUNT_AFTER = "\xC6\xDA";

// The line that opens each row; the row's markup starts with the line feed that ends it.
constexpr std::string_view ROW_OPEN = "                \t\t\t<tr>";
constexpr std::string_view ROW_INDENT = "                \t\t\t";
constexpr std::string_view CELL_INDENT = "                \t\t\t\t";

// splitmix64: a small, well-mixed generator whose output is fixed by its seed on every
// platform, which is all the determinism of the data needs.
struct SplitMix64 {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
};

int day_serial(DateTime day) { return static_cast<int>(std::trunc(day.value)); }

std::string two_digits(int n) {
    const char digits[2] = {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
    return std::string(digits, 2);
}

std::string draw_time_text(int year, int month, int day, int minute_of_day) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", year, month, day, minute_of_day / 60,
                  minute_of_day % 60);
    return buf;
}

void upper_case_ascii(std::string& s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
}

// The pattern cut at its 23 "(.*)": 24 literal pieces, quote markers already turned into
// double quotes. Made once from the harvest's own pattern, so the rows are the markup the
// harvest looks for by construction.
struct RowTemplate {
    std::array<std::string, DRAW_ROW_FIELDS + 1> pieces;
    std::array<std::string, DRAW_ROW_FIELDS + 1> upper_pieces;
    std::size_t literal_size = 0;

    RowTemplate() {
        std::string pattern(DRAW_ROW_PATTERN);
        const std::string_view marker(gbk::QUOTE_MARKER);
        std::string plain;
        for (std::size_t at = 0;;) {
            const std::size_t hit = pattern.find(marker, at);
            plain.append(pattern, at, hit == std::string::npos ? std::string::npos : hit - at);
            if (hit == std::string::npos) break;
            plain += '"';
            at = hit + marker.size();
        }
        constexpr std::string_view GROUP = "(.*)";
        std::size_t at = 0;
        for (int i = 0; i < DRAW_ROW_FIELDS; ++i) {
            const std::size_t hit = plain.find(GROUP, at);
            pieces[i] = plain.substr(at, hit - at);
            at = hit + GROUP.size();
        }
        pieces[DRAW_ROW_FIELDS] = plain.substr(at);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            upper_pieces[i] = pieces[i];
            upper_case_ascii(upper_pieces[i]);
            literal_size += pieces[i].size();
        }
    }
};

const RowTemplate& row_template() {
    static const RowTemplate t;
    return t;
}

void append_row(std::string& out, const DrawRow& row, bool upper_case, bool extra_space,
                bool comma_in_field2) {
    const RowTemplate& t = row_template();
    const auto& pieces = upper_case ? t.upper_pieces : t.pieces;
    for (int i = 0; i < DRAW_ROW_FIELDS; ++i) {
        if (i == 1 && extra_space) {
            // One space more at the start of the line after the td1 cell: the row is the
            // same text but for that space, so the pattern must skip it.
            const std::size_t line_feed = pieces[1].find('\n');
            out.append(pieces[1], 0, line_feed + 1);
            out += ' ';
            out.append(pieces[1], line_feed + 1);
        } else {
            out += pieces[i];
        }
        if (i == 1 && comma_in_field2) {
            std::string field = row.fields[1];
            std::replace(field.begin(), field.end(), ' ', ',');
            out += field;
        } else {
            out += row.fields[i];
        }
    }
    out += pieces[DRAW_ROW_FIELDS];
}

void append_page_head(std::string& out, DateTime day) {
    const std::string day_text = format_ymd(day).str();
    out += "<!DOCTYPE html>\n<html>\n<head>\n";
    out += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">\n";
    out += "<title>";
    out += SITE_NAME;
    out += ' ';
    out += day_text;
    out += " - ";
    out += LOCAL_TEST_NOTE;
    out += "</title>\n</head>\n<body>\n<h1>";
    out += SITE_NAME;
    out += " - ";
    out += LOCAL_TEST_NOTE;
    out += "</h1>\n";
    out += "<p class=\"note\">kl8 local test site: generated draws, not real results.</p>\n";
    out += "<p class=\"date\">";
    out += DATE_LABEL;
    out += day_text;
    out += "</p>\n";
    out += "<table class=\"tb\" id=\"draw_list\">\n";
    out += ROW_INDENT;
    out += "<tr class=\"head\">\n";
    const std::pair<std::string_view, std::string_view> heads[] = {
        {"td1", HEAD_NUMBER}, {"td2", HEAD_TIME}, {"td2", HEAD_EXTRA}, {"td3", HEAD_BALLS}};
    for (const auto& [cls, label] : heads) {
        out += CELL_INDENT;
        out += "<th class=\"";
        out += cls;
        out += "\">";
        out += label;
        out += "</th>\n";
    }
    out += ROW_INDENT;
    out += "</tr>\n";
}

void append_page_tail(std::string& out, std::size_t row_count) {
    if (row_count == 0) {
        out += ROW_INDENT;
        out += "<tr class=\"empty\"><td colspan=\"4\">";
        out += NO_DRAWS;
        out += "</td></tr>\n";
    }
    out += "</table>\n";
    out += "<p class=\"count\">";
    out += COUNT_BEFORE;
    out += ' ';
    out += std::to_string(row_count);
    out += ' ';
    out += COUNT_AFTER;
    out += "</p>\n";
    // The class names of the row markup once more, on one line: a page may name them outside
    // the table, and the pattern must not take them for a row.
    out += "<div class=\"legend\"><span class=\"ball_extra\">";
    out += HEAD_EXTRA;
    out += "</span> <span class=\"ball_1\">";
    out += HEAD_BALLS;
    out += "</span></div>\n";
    out += "</body>\n</html>\n";
}

}  // namespace

DateTime first_draw_day() { return make_datetime(2010, 9, 3); }

int draw_day_index(DateTime day) { return day_serial(day) - day_serial(first_draw_day()); }

int draw_minute(int row) { return FIRST_DRAW_MINUTE + DRAW_INTERVAL_MINUTES * row; }

std::vector<DrawRow> draws_of_day(DateTime day, int rows_per_day,
                                  std::optional<int> limit_minutes_of_day) {
    rows_per_day = std::clamp(rows_per_day, 0, MAX_ROWS_PER_DAY);
    const int serial = day_serial(day);
    const DateTime date{static_cast<double>(serial)};
    const int year = year_of(date), month = month_of(date), mday = day_of(date);
    const int first_number = FIRST_DRAW_NUMBER + draw_day_index(date) * rows_per_day;

    std::vector<DrawRow> rows;
    rows.reserve(rows_per_day);
    for (int i = 0; i < rows_per_day; ++i) {
        const int minute = draw_minute(i);
        if (limit_minutes_of_day && minute > *limit_minutes_of_day) break;
        SplitMix64 random{(static_cast<std::uint64_t>(static_cast<std::uint32_t>(serial)) << 32) |
                          static_cast<std::uint32_t>(i)};
        DrawRow row;
        row.fields[0] = std::to_string(first_number + i);
        row.fields[1] = draw_time_text(year, month, mday, minute);
        row.fields[2] = std::to_string(1 + random.below(80));
        // A partial Fisher-Yates shuffle: the first 20 places end up a uniform draw of 20
        // distinct balls.
        std::array<int, 80> balls;
        std::iota(balls.begin(), balls.end(), 1);
        for (int k = 0; k < 20; ++k) std::swap(balls[k], balls[k + random.below(80 - k)]);
        std::sort(balls.begin(), balls.begin() + 20);
        for (int k = 0; k < 20; ++k) row.fields[3 + k] = two_digits(balls[k]);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<DrawRow> served_draws(DateTime day, DateTime today, int rows_per_day) {
    const int serial = day_serial(day);
    if (serial < day_serial(first_draw_day()) || serial > day_serial(today)) return {};
    return draws_of_day(day, rows_per_day);
}

Text record_line(const DrawRow& row) {
    std::string line;
    for (int i = 0; i < DRAW_ROW_FIELDS; ++i) {
        if (i > 0) line += ',';
        line += row.fields[i];
    }
    return Text(std::move(line));
}

std::string record_text(DateTime first, DateTime last, DateTime today, int rows_per_day) {
    std::string out;
    for (int serial = day_serial(first); serial <= day_serial(last); ++serial) {
        for (const DrawRow& row :
             served_draws(DateTime{static_cast<double>(serial)}, today, rows_per_day)) {
            out += record_line(row).str();
            out += "\r\n";
        }
    }
    return out;
}

std::string render_row(const DrawRow& row) {
    std::string out;
    out.reserve(row_template().literal_size + 64);
    append_row(out, row, false, false, false);
    return out;
}

std::string render_page(DateTime day, const std::vector<DrawRow>& rows, const PageStyle& style) {
    std::string out;
    out.reserve(4096 + rows.size() * (row_template().literal_size + 80));
    append_page_head(out, day);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int n = static_cast<int>(i) + 1;
        if (style.upper_case_tags) {
            std::string open(ROW_OPEN);
            upper_case_ascii(open);
            out += open;
        } else {
            out += ROW_OPEN;
        }
        append_row(out, rows[i], style.upper_case_tags, style.extra_space_row == n,
                   style.comma_in_field2);
        if (style.zero_byte_after_row == n) out += '\0';
        out += '\n';
    }
    append_page_tail(out, rows.size());
    if (style.crlf) {
        std::string crlf;
        crlf.reserve(out.size() + out.size() / 16);
        for (char c : out) {
            if (c == '\n') crlf += '\r';
            crlf += c;
        }
        out = std::move(crlf);
    }
    return out;
}

std::string render_status_page(int status) {
    const std::string code = std::to_string(status);
    std::string out = "<!DOCTYPE html>\n<html>\n<head>\n";
    out += "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">\n";
    out += "<title>";
    out += code;
    out += " - ";
    out += SITE_NAME;
    out += "</title>\n</head>\n<body>\n<h1>";
    out += code;
    out += "</h1>\n<p>";
    if (status == 400) {
        out += BAD_DAY;
    } else {
        out += "kl8 local test site: status ";
        out += code;
        out += '.';
    }
    out += "</p>\n</body>\n</html>\n";
    return out;
}

}  // namespace kl8
