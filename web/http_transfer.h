#pragma once
// One HTTP(S) exchange over libcurl, with nothing added to the request beyond what is asked.
//
// The request carries the request line, a Host line, a User-Agent line unless header_lines
// has one, the cookie store's Cookie line when it is used, header_lines in their order, and
// Content-Length with a body. libcurl's own Accept line and "Expect: 100-continue" are
// suppressed. Never answered from a cache (libcurl has none).
//
// Process-wide, kept for the life of the process: connections (kept open and reused between
// calls on any thread), the DNS cache, TLS sessions, and one cookie store used by the requests
// that ask for it. Certificates are checked against the system's store.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "web/fetch_outcome.h"

namespace kl8 {

class CancelToken;

struct HttpRequest {
    std::string verb = "GET";  // "GET" or "POST"
    std::string url;           // absolute http:// or https:// URL
    // Each sent as one line, in this order. A line of a name and a colon with nothing after it
    // is sent as it stands; a line without a colon is not sent.
    std::vector<std::string> header_lines;
    std::string user_agent;  // sent unless header_lines has a User-Agent line; no CR or LF
    bool has_body = false;
    std::string_view body;  // must stay alive during the call
    bool use_cookie_store = false;
    bool follow_redirects = true;
    std::string proxy;  // host:port of an HTTP proxy, or empty for a direct connection
    std::chrono::milliseconds connect_timeout{60000};
    std::chrono::milliseconds idle_timeout{60000};
    std::int64_t max_body_bytes = std::int64_t{64} << 20;
    CancelToken* cancel = nullptr;
};

struct HttpResponse {
    FetchOutcome outcome = FetchOutcome::failed;
    int status = 0;  // of the final response, 0 when none came
    std::string error_message;
    // The final response's status line and header lines, each ended by "\r\n", then "\r\n";
    // empty when no response came. Line ends are normalised to CR LF and zero bytes dropped.
    std::string header_block;
    std::string body;  // as read, also on failure; at most max_body_bytes
};

// Redirects followed at most this many times; one more is a failure.
inline constexpr long MAX_REDIRECTS = 20;

// Initialises libcurl once per process; later calls do nothing. Thread-safe, but meant for
// main() before any other thread starts.
void http_global_init();

[[nodiscard]] HttpResponse perform_http(const HttpRequest& request);

// Forgets every cookie of the process-wide store.
void clear_http_cookie_store();

}  // namespace kl8
