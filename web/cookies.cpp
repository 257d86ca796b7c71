#include "web/cookies.h"

namespace kl8 {

Text merge_cookies(Text& old_list, Text& new_list) {
    old_list = remove_spaces(old_list);
    new_list = remove_spaces(new_list);
    const TextList old_items = split_text(old_list, ";");
    TextList merged = split_text(new_list, ";");
    // merged grows inside the loop, so of several old items sharing a name only the first
    // can get in.
    for (const Text& item : old_items.items()) {
        if (!has_cookie_name(merged, cookie_name(item))) merged.append(item);
    }
    Text joined;
    for (const Text& item : merged.items()) {
        if (text_right(item, 8) != "=deleted") joined += item + "; ";
    }
    old_list = dedupe_items(text_left(joined, text_length(joined) - 2), "; ");
    return old_list;
}

Text cookie_name(const Text& item) {
    const int equals = find_text(item, "=");
    return trim_spaces(equals == -1 ? item : text_left(item, equals - 1));
}

bool has_cookie_name(const TextList& items, const Text& name) {
    for (const Text& item : items.items()) {
        if (compare_text(cookie_name(item), name) == 0) return true;
    }
    return false;
}

Text dedupe_items(const Text& text, const Text& separator) {
    TextList seen;
    Text out;
    const TextList items = split_text(text, separator);
    for (const Text& item : items.items()) {
        if (item_index(seen, item) != -1) continue;
        seen.append(item);
        out += item + separator;
    }
    return text_left(out, text_length(out) - text_length(separator));
}

int item_index(const TextList& items, const Text& item) {
    for (int i = 0; i < items.count(); ++i) {
        if (items.items()[i] == item) return i + 1;
    }
    return -1;
}

}  // namespace kl8
