#include "harvest/draw_row_pattern.h"

namespace kl8 {

// 31 lines joined by line feeds, the first one empty; every double quote of the page's markup
// is written as the marker "#引号" (23 D2 FD BA C5). Leading whitespace is part of the
// pattern: the site indents its rows with runs of spaces and tabs, and a row indented in any
// other way is not a draw row.
const char DRAW_ROW_PATTERN[] =
    "\n"
    "                \t\t\t\t<td class=#\xD2\xFD\xBA\xC5" "td1#\xD2\xFD\xBA\xC5" ">(.*)</td>\n"
    "                \t\t\t\t<td class=#\xD2\xFD\xBA\xC5" "td2#\xD2\xFD\xBA\xC5" ">\n"
    "                \t\t\t\t                \t\t\t\t(.*)\n"
    "                \t\t\t\t                \t\t\t\t</td>\n"
    "                \t\t\t\t<td class=#\xD2\xFD\xBA\xC5" "td2#\xD2\xFD\xBA\xC5" ">\n"
    "                \t\t\t\t\t                                        <span class=#\xD2\xFD\xBA\xC5" "ball_extra#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                    \t\t\t\t</td>\n"
    "                \t\t\t\t<td class=#\xD2\xFD\xBA\xC5" "td3#\xD2\xFD\xBA\xC5" "><span class=#\xD2\xFD\xBA\xC5" "result#\xD2\xFD\xBA\xC5" ">\n"
    "                \t\t\t\t\t                                        <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                                            <span class=#\xD2\xFD\xBA\xC5" "ball_1#\xD2\xFD\xBA\xC5" ">(.*)</span>\n"
    "                                                    \t\t\t\t</span></td>\n"
    "                \t\t\t</tr>";

const Text& draw_row_pattern() {
    static const Text pattern(DRAW_ROW_PATTERN);
    return pattern;
}

}  // namespace kl8
