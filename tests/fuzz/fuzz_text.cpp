// Text operations over arbitrary bytes. Invariants: positions are -1 or inside the text; a
// match found without case folding is the sought text; trimming leaves no space at either end;
// removing spaces never grows a text; split pieces joined again give back the text up to what
// the separator rule drops; no result holds a zero byte.
#include <cstring>

#include "fuzz_input.h"

using namespace kl8;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    Text t = in.text(0), sought = in.text(1), repl = in.text(2);
    int start = in.number(0), count = in.number(1);
    bool fold = in.number(2) & 1;

    int at = find_text(t, sought, start, fold);
    FUZZ_CHECK(at == -1 || (at >= 1 && at <= std::max(1, t.length())));
    if (at > 0 && !fold && !sought.empty()) FUZZ_CHECK(text_mid(t, at, sought.length()) == sought);
    int back = find_text_reverse(t, sought, start, fold);
    FUZZ_CHECK(back == -1 || (back >= 1 && back <= std::max(1, t.length())));

    Text trimmed = trim_spaces(t);
    FUZZ_CHECK(trimmed.length() <= t.length());
    if (!trimmed.empty()) {
        FUZZ_CHECK(trimmed.str().front() != ' ');
        FUZZ_CHECK(trimmed.str().rfind("\xA1\xA1", 0) != 0);
    }
    FUZZ_CHECK(remove_spaces(t).length() <= t.length());
    FUZZ_CHECK(to_lower(t).length() == t.length());

    Text replaced = replace_text(t, sought, repl, !fold, start, count);
    FUZZ_CHECK(std::memchr(replaced.c_str(), 0, replaced.str().size()) == nullptr);

    Text sep = sought.empty() ? Text(",") : sought;
    TextList parts = split_text(t, sep);
    std::string joined;
    for (int i = 1; i <= parts.count(); ++i) joined += (i > 1 ? sep.str() : "") + parts.at(i).str();
    FUZZ_CHECK(joined.size() <= t.str().size());
    FUZZ_CHECK(t.str().compare(0, joined.size(), joined) == 0);
    TextList limited = split_text(t, sep, in.number(3));
    FUZZ_CHECK(limited.count() <= std::max(0, in.number(3)));

    (void)text_to_int(t);
    (void)fold_fullwidth(t);
    (void)text_left(t, start);
    (void)text_right(t, count);
    (void)text_mid(t, start, count);
    return 0;
}
