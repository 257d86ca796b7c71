// The draw-row pattern over arbitrary pages. Invariants: the matcher never fails on the fixed
// pattern; every match has 23 groups; no field holds a line feed; matching ends (PCRE2's limits
// bound the work).
#include "fuzz_input.h"
#include "harvest/draw_row_pattern.h"
#include "pattern/regex_matcher.h"

using namespace kl8;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Text page(std::string_view(reinterpret_cast<const char*>(data), size));
    RegexMatcher matcher;
    FUZZ_CHECK(matcher.create(draw_row_pattern(), page, false, false, true, true));
    int n = matcher.match_count();
    FUZZ_CHECK(n >= 0);
    for (int i = 1; i <= n; ++i) {
        FUZZ_CHECK(matcher.submatch_count() == DRAW_ROW_FIELDS);
        for (int j = 1; j <= DRAW_ROW_FIELDS; ++j) {
            FUZZ_CHECK(matcher.submatch_text(i, j).str().find('\n') == std::string::npos);
        }
    }
    FUZZ_CHECK(matcher.match_text(n + 1).empty());
    return 0;
}
