#pragma once
// Independent references for the drawsite tests: the row markup rebuilt from the whitespace
// table of the draw-row pattern, and a small matcher with the pattern's semantics (each
// "(.*)" greedy within one line, global, left to right, no overlap), so that pages are checked
// without any regex engine.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/gbk_literals.h"
#include "harvest/draw_row_pattern.h"

namespace kl8::test {

using Fields = std::array<std::string, 23>;

inline std::string spaces(int n) { return std::string(n, ' '); }
inline std::string tabs(int n) { return std::string(n, '\t'); }

// One row from the table: line 1 empty, then lines 2 to 31 as leading whitespace + rest.
inline std::string row_from_table(const Fields& f) {
    const std::string i4 = spaces(16) + tabs(4);
    std::vector<std::string> lines = {
        "",
        i4 + "<td class=\"td1\">" + f[0] + "</td>",
        i4 + "<td class=\"td2\">",
        i4 + i4 + f[1],
        i4 + i4 + "</td>",
        i4 + "<td class=\"td2\">",
        spaces(16) + tabs(5) + spaces(40) + "<span class=\"ball_extra\">" + f[2] + "</span>",
        spaces(52) + tabs(4) + "</td>",
        i4 + "<td class=\"td3\"><span class=\"result\">",
        spaces(16) + tabs(5) + spaces(40) + "<span class=\"ball_1\">" + f[3] + "</span>",
    };
    for (int k = 4; k < 23; ++k) {
        lines.push_back(spaces(76) + "<span class=\"ball_1\">" + f[k] + "</span>");
    }
    lines.push_back(spaces(52) + tabs(4) + "</span></td>");
    lines.push_back(spaces(16) + tabs(3) + "</tr>");
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) out += '\n';
        out += lines[i];
    }
    return out;
}

// DRAW_ROW_PATTERN with its quote markers restored, cut at the 23 "(.*)": 24 literals.
inline std::vector<std::string> pattern_literals() {
    std::string p(DRAW_ROW_PATTERN);
    const std::string marker(gbk::QUOTE_MARKER);
    for (std::size_t at; (at = p.find(marker)) != std::string::npos;)
        p.replace(at, marker.size(), "\"");
    std::vector<std::string> pieces;
    std::size_t from = 0;
    for (std::size_t at; (at = p.find("(.*)", from)) != std::string::npos; from = at + 4) {
        pieces.push_back(p.substr(from, at - from));
    }
    pieces.push_back(p.substr(from));
    return pieces;
}

inline std::string row_from_pattern(const Fields& f) {
    const auto pieces = pattern_literals();
    std::string out = pieces[0];
    for (int k = 0; k < 23; ++k) out += f[k] + pieces[k + 1];
    return out;
}

class RowMatcher {
   public:
    explicit RowMatcher(bool ignore_case = true)
        : pieces_(pattern_literals()), ignore_case_(ignore_case) {}

    // Every match in subject, as its 23 captures.
    std::vector<Fields> match_all(std::string_view subject) const {
        std::vector<Fields> rows;
        for (std::size_t at = 0; at < subject.size();) {
            Fields f;
            std::size_t end = 0;
            if (match_at(subject, at, 0, f, end)) {
                rows.push_back(f);
                at = end > at ? end : at + 1;
            } else {
                ++at;
            }
        }
        return rows;
    }

   private:
    bool literal_at(std::string_view s, std::size_t at, const std::string& lit) const {
        if (s.size() - at < lit.size()) return false;
        for (std::size_t i = 0; i < lit.size(); ++i) {
            char a = s[at + i], b = lit[i];
            if (ignore_case_) {
                if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
                if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
            }
            if (a != b) return false;
        }
        return true;
    }

    // Literal k at `at`, then group k (greedy, no line feed), then the rest.
    bool match_at(std::string_view s, std::size_t at, int k, Fields& f, std::size_t& end) const {
        if (!literal_at(s, at, pieces_[k])) return false;
        at += pieces_[k].size();
        if (k == 23) {
            end = at;
            return true;
        }
        std::size_t line_end = s.find('\n', at);
        if (line_end == std::string_view::npos) line_end = s.size();
        for (std::size_t stop = line_end + 1; stop-- > at;) {
            if (match_at(s, stop, k + 1, f, end)) {
                f[k] = std::string(s.substr(at, stop - at));
                return true;
            }
        }
        return false;
    }

    std::vector<std::string> pieces_;
    bool ignore_case_;
};

}  // namespace kl8::test
