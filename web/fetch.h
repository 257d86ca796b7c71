#pragma once
// One HTTP(S) request for a page: fixed default headers, a user agent, an optional body and
// proxy, the raw response headers and the cookies the response sets.
//
// The request goes out as "GET" or "POST" with url_path(url) as its target over HTTP/1.1, to
// url_host(url) on url_port(url), https when url starts with "https" in any case. On the wire:
// the request line, Host, User-Agent (unless the header block has its own line), the cookie
// store's Cookie line (only when options.cookies is left out), the lines of the header block in
// their order, and Content-Length with a body; nothing else (no Accept of the HTTP layer's own,
// no "Expect: 100-continue"). Through a proxy an http request carries the absolute URL and a
// Proxy-Connection line; an https one goes through a CONNECT tunnel.
//
// Redirects are followed unless no_redirect (http to https included, at most MAX_REDIRECTS);
// nothing comes from a cache; certificates are checked against the system's store.
// Connections stay open for reuse by later calls on any thread. When options.cookies is left
// out, a process-wide cookie store sends and keeps cookies across calls; when it is given, even
// empty, no stored cookie is sent and none is kept.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "foundation/text.h"
#include "web/cancel.h"
#include "web/fetch_outcome.h"

namespace kl8 {

// "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"
extern const Text DEFAULT_USER_AGENT;
// The read unit of the HTTP layer this replaces. Bodies are taken whole, in the chunks libcurl
// delivers.
inline constexpr int READ_BLOCK_SIZE = 1024;
// The header buffer of the HTTP layer this replaces. It is no limit here: a larger header block
// comes back whole, up to libcurl's own bounds (100 KiB for one header line, 300 KiB for the
// block); a response beyond those is a failed request. Its one remaining use: when no response
// came at all, response_headers holds this many spaces.
inline constexpr int HEADER_BUFFER_SIZE = 5000;
inline constexpr std::int64_t DEFAULT_MAX_BODY_BYTES = std::int64_t{64} << 20;

struct FetchOptions {
    // 1 sends "POST", every other value "GET"; every value other than 0 sends a body.
    int method = 0;
    // The body as text, used when post_bytes is empty.
    Text post_text;
    // The caller's cookie list ("name=value; ..."). Given, even empty: sent as a Cookie line
    // when not empty, the cookie store left aside, and afterwards replaced by
    // merge_cookies(cookies, cookies_received).
    std::optional<Text> cookies;
    // Out: the values of the response's Set-Cookie lines joined by "; " (without spaces when
    // cookies was given).
    Text cookies_received;
    // In: extra header lines separated by "\r\n". Out: the whole header block sent.
    Text request_headers;
    // Out: the final response's status line and header lines, each ended by "\r\n", and an
    // empty line; every "Set-Cookie" in any case spelt "Set-Cookie". HEADER_BUFFER_SIZE spaces
    // when no response came.
    Text response_headers;
    bool no_redirect = false;
    // The body as bytes. When a body is sent and this is empty, it becomes the bytes of
    // post_text.
    Bytes post_bytes;
    // An HTTP proxy such as "127.0.0.1:8080"; empty for a direct connection.
    Text proxy;

    // Out: how the request ended. Set by every call.
    FetchOutcome outcome = FetchOutcome::ok;
    // Out: the final response's status, 0 when none came.
    int http_status = 0;
    // Out: what went wrong, for people; empty for ok.
    std::string error_message;
    // In: when cancelled, the request stops within moments, also in the middle of a wait.
    CancelToken* cancel = nullptr;
    // In: the longest wait for each connection (name lookup, TCP, TLS, proxy tunnel).
    std::chrono::milliseconds connect_timeout{60000};
    // In: the longest wait without any data once connected.
    std::chrono::milliseconds idle_timeout{60000};
    // In: a longer body ends the request with body_too_large.
    std::int64_t max_body_bytes = DEFAULT_MAX_BODY_BYTES;
};

// Runs the request and returns the body as read: also after a failure, a time-out or an error
// status, and empty when nothing was read. options.outcome tells which. Never throws.
[[nodiscard]] Bytes fetch_page(const Text& url, FetchOptions& options);

// Initialises the HTTP layer (libcurl) once per process. Call from main before any thread.
void web_global_init();

// Forgets every cookie of the process-wide cookie store.
void clear_cookie_store();

// The pieces of fetch_page, for its tests.

// The bytes of text after its first ":", spaces trimmed; empty without a ":".
Text value_after_colon(const Text& text);
// The user agent for these extra header lines: the value of a "User-Agent:" line (the name
// in exact case), else, when "User-Agent:" appears in another case, value_after_colon of the
// whole text; DEFAULT_USER_AGENT when it does not appear.
Text request_agent(const Text& request_headers);
// The header block: request_headers followed by the defaults it lacks ("Accept: */*",
// "Referer: " + url, "Accept-Language: zh-cn", "Content-Type:
// application/x-www-form-urlencoded"; names compared in exact case) and "Cookie: " + cookies
// when cookies is not empty; lines joined by "\r\n", none after the last.
Text request_header_block(const Text& request_headers, const Text& url, const Text& cookies);
// The proxy setting in the form "http=host:port" for a plain http request, the proxy itself
// for a secure one; empty for no proxy.
Text proxy_setting(const Text& proxy, bool secure);
// The values of the "Set-Cookie" lines of a header block, joined by "; "; a line that names
// "Set-Cookie" without a colon gives an empty value.
Text received_cookies(const Text& response_headers);

}  // namespace kl8
