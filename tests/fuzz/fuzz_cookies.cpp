// Cookie merging over arbitrary lists. Invariants: the merged list has no space but those of
// its "; " separators, no item ending in "=deleted", and no item twice; the received list is
// the new one without spaces; the result is a copy of the merged list.
#include <set>

#include "fuzz_input.h"
#include "web/cookies.h"

using namespace kl8;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    Text old_list = in.text(0), new_list = in.text(1);
    Text expected_new = remove_spaces(new_list);
    Text result = merge_cookies(old_list, new_list);
    FUZZ_CHECK(result == old_list);
    FUZZ_CHECK(new_list == expected_new);
    TextList items = split_text(old_list, "; ");
    std::set<std::string> seen;
    for (int i = 1; i <= items.count(); ++i) {
        const std::string& item = items.at(i).str();
        FUZZ_CHECK(remove_spaces(items.at(i)) == items.at(i));
        FUZZ_CHECK(item.size() < 8 || item.compare(item.size() - 8, 8, "=deleted") != 0);
        FUZZ_CHECK(seen.insert(item).second);
    }
    return 0;
}
