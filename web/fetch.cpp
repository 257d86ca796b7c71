#include "web/fetch.h"

#include <string_view>
#include <vector>

#include "web/cookies.h"
#include "web/http_transfer.h"
#include "web/url.h"

namespace kl8 {

const Text DEFAULT_USER_AGENT = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

namespace {

bool contains(const Text& t, const Text& sought, bool ignore_case = false) {
    return find_text(t, sought, 1, ignore_case) != -1;
}

// The lines of the header block as they go on the wire. A CR or LF on its own also ends a
// line, and empty lines are left out: either would otherwise end the header block early and
// turn the rest into a body.
std::vector<std::string> wire_lines(const Text& block) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : block.view()) {
        if (c == '\r' || c == '\n') {
            if (!line.empty()) lines.push_back(std::move(line));
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

// The agent as a header value: cut at its first line break, which the fallback of
// request_agent can bring in.
std::string wire_agent(const Text& agent) {
    const std::string_view v = agent.view();
    return std::string(v.substr(0, v.find_first_of("\r\n")));
}

// The entry of a proxy setting for one scheme. The setting lists entries separated by spaces
// or ";"; an entry is "scheme=server" or a bare server that serves every scheme.
std::string proxy_server(const Text& setting, bool secure) {
    const std::string_view scheme = secure ? "https" : "http";
    std::string fallback;
    std::string_view rest = setting.view();
    while (!rest.empty()) {
        const auto end = rest.find_first_of(" ;");
        const std::string_view entry = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (entry.empty()) continue;
        const auto equals = entry.find('=');
        if (equals == std::string_view::npos) {
            if (fallback.empty()) fallback = entry;
        } else if (entry.substr(0, equals) == scheme) {
            return std::string(entry.substr(equals + 1));
        }
    }
    return fallback;
}

std::string libcurl_url(const Text& url, bool secure) {
    const int port = url_port(url);
    std::string out = secure ? "https://" : "http://";
    out += url_host(url).str();
    if (port != (secure ? 443 : 80)) out += ":" + std::to_string(port);
    out += url_path(url).str();
    return out;
}

}  // namespace

const char* fetch_outcome_name(FetchOutcome outcome) {
    switch (outcome) {
        case FetchOutcome::ok:
            return "ok";
        case FetchOutcome::could_not_connect:
            return "could_not_connect";
        case FetchOutcome::timed_out:
            return "timed_out";
        case FetchOutcome::http_error:
            return "http_error";
        case FetchOutcome::body_too_large:
            return "body_too_large";
        case FetchOutcome::cancelled:
            return "cancelled";
        case FetchOutcome::failed:
            return "failed";
    }
    return "failed";
}

void web_global_init() { http_global_init(); }

void clear_cookie_store() { clear_http_cookie_store(); }

Text value_after_colon(const Text& text) {
    const int colon = find_text(text, ":");
    if (colon == -1) return Text();
    return trim_spaces(text_right(text, text_length(text) - colon));
}

Text request_agent(const Text& request_headers) {
    if (!contains(request_headers, "User-Agent:", /*ignore_case=*/true)) return DEFAULT_USER_AGENT;
    const Text agent = trim_spaces(text_between(request_headers, "User-Agent:", "\r\n"));
    return agent.empty() ? value_after_colon(request_headers) : agent;
}

Text request_header_block(const Text& request_headers, const Text& url, const Text& cookies) {
    Text block = request_headers;
    if (block.empty()) {
        block = "Accept: */*";
    } else if (!contains(block, "Accept:")) {
        block += "\r\nAccept: */*";
    }
    if (!contains(block, "Referer:")) block += "\r\nReferer: " + url;
    if (!contains(block, "Accept-Language:")) block += "\r\nAccept-Language: zh-cn";
    if (!contains(block, "Content-Type:")) {
        block += "\r\nContent-Type: application/x-www-form-urlencoded";
    }
    if (!cookies.empty()) block += "\r\nCookie: " + cookies;
    return block;
}

Text proxy_setting(const Text& proxy, bool secure) {
    if (proxy.empty()) return Text();
    return secure ? proxy : "http=" + proxy;
}

Text received_cookies(const Text& response_headers) {
    Text list;
    const TextList lines = split_text(response_headers, "\r\n");
    for (const Text& line : lines.items()) {
        if (!contains(line, "Set-Cookie")) continue;
        const Text value =
            contains(line, ";")
                ? trim_spaces(text_between(line, "Set-Cookie:", ";"))
                : trim_spaces(replace_text(line, "Set-Cookie:", "", /*case_sensitive=*/false));
        list += value + "; ";
    }
    return text_left(list, text_length(list) - 2);
}

Bytes fetch_page(const Text& url, FetchOptions& options) {
    HttpRequest request;
    request.verb = options.method == 1 ? "POST" : "GET";
    const bool secure = to_lower(text_left(url, 5)) == "https";
    request.user_agent = wire_agent(request_agent(options.request_headers));
    const Text proxy = proxy_setting(options.proxy, secure);
    request.proxy = proxy_server(proxy, secure);
    request.url = libcurl_url(url, secure);
    request.use_cookie_store = !options.cookies.has_value();
    request.follow_redirects = !options.no_redirect;

    options.request_headers =
        request_header_block(options.request_headers, url, options.cookies.value_or(Text()));
    request.header_lines = wire_lines(options.request_headers);

    if (options.method != 0) {
        if (options.post_bytes.empty()) options.post_bytes = text_to_bytes(options.post_text);
        // A POST always carries its (possibly empty) body and Content-Length; another verb
        // only a body that has bytes.
        request.has_body = options.method == 1 || !options.post_bytes.empty();
        request.body = options.post_bytes.str();
    }
    request.connect_timeout = options.connect_timeout;
    request.idle_timeout = options.idle_timeout;
    request.max_body_bytes = options.max_body_bytes;
    request.cancel = options.cancel;

    HttpResponse response = perform_http(request);
    options.outcome = response.outcome;
    options.http_status = response.status;
    options.error_message = std::move(response.error_message);

    options.response_headers = response.header_block.empty()
                                   ? blank_text(HEADER_BUFFER_SIZE)
                                   : Text(std::move(response.header_block));
    options.response_headers = replace_text(options.response_headers, "Set-Cookie", "Set-Cookie",
                                            /*case_sensitive=*/false);
    options.cookies_received = received_cookies(options.response_headers);
    if (options.cookies) merge_cookies(*options.cookies, options.cookies_received);
    return Bytes(std::move(response.body));
}

}  // namespace kl8
