#pragma once
// The regular expression that recognises one draw row of a draw-list page: 23 groups, each
// "(.*)", in page order: the draw number (td1), the draw time (first td2), the extra number
// (ball_extra) and the twenty numbers (ball_1). Stored with the quote marker "#引号" in place
// of each double quote: 2896 bytes, 31 lines, 52 markers; 2688 bytes once they are quotes.

#include "foundation/text.h"

namespace kl8 {

extern const char DRAW_ROW_PATTERN[];
inline constexpr int DRAW_ROW_FIELDS = 23;

const Text& draw_row_pattern();

}  // namespace kl8
