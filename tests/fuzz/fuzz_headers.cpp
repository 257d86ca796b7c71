// What the fetch makes of response headers and request header lines. Invariants: the received
// cookie list is never longer than the header block it comes from (a lone CR or LF inside a
// line stays in the value: the block is split at CR LF only); the request block always carries the four default names and
// never ends in "\r\n" unless the caller's lines did; the user agent is never empty when the
// caller's lines have no "User-Agent:".
#include "fuzz_input.h"
#include "web/fetch.h"

using namespace kl8;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    Text headers = in.text(0);
    Text cookies = received_cookies(headers);
    FUZZ_CHECK(cookies.length() <= headers.length());
    Text extra = in.text(1);
    Text block = request_header_block(extra, in.text(2), in.text(3));
    for (const char* name : {"Accept:", "Referer:", "Accept-Language:", "Content-Type:"})
        FUZZ_CHECK(block.str().find(name) != std::string::npos);
    Text agent = request_agent(extra);
    if (find_text(extra, "User-Agent:", 1, true) < 0) FUZZ_CHECK(agent == DEFAULT_USER_AGENT);
    (void)value_after_colon(headers);
    (void)proxy_setting(in.text(2), in.number(0) & 1);
    return 0;
}
