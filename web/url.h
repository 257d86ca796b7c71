#pragma once
// Pieces of a URL for the HTTP layer, and the marker cut that header parsing uses.
//
// None of these validates its input: every input gives a defined result, and odd input gives
// odd but fixed results (the tests list them). Positions count bytes from 1; searches step
// over two-byte characters of code page 936 as find_text does.

#include <optional>

#include "foundation/text.h"

namespace kl8 {

// The text between the first start_marker (searched from start_position; below 1 means from
// byte 1) and the next end_marker after it. Empty when either marker is missing, or when the
// end marker follows the start marker directly. In both markers every "#引号" stands for a
// double quote.
Text text_between(const Text& source, const Text& start_marker, const Text& end_marker,
                  int start_position = 0, bool ignore_case = false);

// The host of url, lower-cased.
// Without suffix_dot_count: the text after "https://" (at the start) or after the first
// "http://" (anywhere; prepended when missing) up to the next "/"; reduce_to_domain keeps its
// last two dot-separated labels.
// With suffix_dot_count n (a present 0 differs from absent): the host keeps the suffix of n
// dots plus two labels, or plus one label with reduce_to_domain; a host with fewer comes back
// whole. A trailing dot is not counted.
// Unless keep_port, everything from the first ":" is dropped.
Text url_host(const Text& url, bool reduce_to_domain = false, bool keep_port = false,
              std::optional<int> suffix_dot_count = std::nullopt);

// The number after the last ":" of the host (text_to_int, so 0 when it is not a number); else
// 443 when url starts with "https" in any case, else 80.
int url_port(const Text& url);

// The url from the first "/" at or after the host to its end, case and query unchanged, or "/"
// when there is none.
Text url_path(const Text& url);

}  // namespace kl8
