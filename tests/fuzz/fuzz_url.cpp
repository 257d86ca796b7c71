// URL helpers and text_between over arbitrary bytes. Invariants: the host is lower-case and
// holds no "/" character; without keep_port it holds no ":" character (a "/" or ":" byte that
// is the second byte of a two-byte character does not count); the path starts with "/".
#include "fuzz_input.h"
#include "web/url.h"

using namespace kl8;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    Text url = in.text(0);
    bool reduce = in.number(0) & 1, keep = in.number(0) & 2;
    std::optional<int> dots;
    if (in.number(1) & 1) dots = in.number(2);
    Text host = url_host(url, reduce, keep, dots);
    FUZZ_CHECK(to_lower(host) == host);
    if (!keep) FUZZ_CHECK(find_text(host, ":") == -1);
    Text plain = url_host(url);
    FUZZ_CHECK(find_text(plain, "/") == -1);
    Text path = url_path(url);
    FUZZ_CHECK(!path.empty() && path.str().front() == '/');
    (void)url_port(url);
    Text between = text_between(in.text(1), in.text(2), in.text(3), in.number(3), in.number(2) & 1);
    FUZZ_CHECK(between.length() <= in.text(1).length());
    return 0;
}
