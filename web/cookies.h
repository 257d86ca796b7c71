#pragma once
// Merging the cookies a response sets into a cookie list the caller keeps between requests.
//
// A cookie list is a Text of items separated by ";" (spaces allowed anywhere on input); an
// item is normally name=value, its name being the text before its first "=" (or the whole
// item). A merged list has no spaces and joins its items with "; ".

#include "foundation/text.h"

namespace kl8 {

// Folds new_list into old_list. Afterwards old_list holds the merged list: the items of
// new_list first (their spaces removed, same-named items all kept), then those items of
// old_list whose name new_list lacks (only the first of each name), without items ending in
// "=deleted" (exact case) and without repeats. new_list holds itself with every space removed.
// Returns a copy of the merged list.
Text merge_cookies(Text& old_list, Text& new_list);

// The item's name (the text before its first "=", or the whole item), spaces trimmed.
Text cookie_name(const Text& item);

// Whether some item of items has exactly that cookie_name.
bool has_cookie_name(const TextList& items, const Text& name);

// text split at separator, with each item after its first occurrence dropped, joined again by
// separator.
Text dedupe_items(const Text& text, const Text& separator);

// The 1-based index of the first item equal to item byte for byte, -1 when there is none.
int item_index(const TextList& items, const Text& item);

}  // namespace kl8
