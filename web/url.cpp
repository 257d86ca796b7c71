#include "web/url.h"

#include "foundation/gbk_literals.h"

namespace kl8 {

namespace {

Text unquote_marker(const Text& marker) {
    return replace_text(marker, gbk::QUOTE_MARKER, "\"", /*case_sensitive=*/true);
}

bool contains(const Text& t, const Text& sought) { return find_text(t, sought) != -1; }

Text drop_port(const Text& host) {
    const int colon = find_text(host, ":");
    return colon == -1 ? host : text_left(host, colon - 1);
}

Text host_by_scheme_marker(Text v, bool reduce_to_domain) {
    if (text_right(v, 1) != "/") v += "/";
    Text scheme = "http://";
    if (text_left(v, 8) == "https://") {
        scheme = "https://";
    } else if (!contains(v, "http://")) {
        v = "http://" + v;
    }
    v = text_between(v, scheme, "/");
    if (reduce_to_domain) {
        const TextList parts = split_text(v, ".");
        if (parts.count() > 1) {
            v = concat_text(parts.at(parts.count() - 1), Text("."), parts.at(parts.count()));
        }
    }
    return v;
}

// The position of the k-th "." from the right (k >= 1), ignoring a dot in the last byte; -1
// once one is missing.
int dot_from_right(const Text& v, int k) {
    int d = find_text_reverse(v, ".", text_length(v));
    for (int i = 1; i < k && d != -1; ++i) d = find_text_reverse(v, ".", d);
    return d;
}

Text host_by_dot_count(Text v, bool reduce_to_domain, int n) {
    v = replace_text(v, "http://", "", /*case_sensitive=*/true);
    v = replace_text(v, "https://", "", /*case_sensitive=*/true);
    if (const int slash = find_text(v, "/"); slash != -1) v = text_left(v, slash - 1);
    if (n < 0) n = 0;
    const int length = text_length(v);
    const int c = dot_from_right(v, n + 1);
    if (reduce_to_domain) return c == -1 ? v : text_right(v, length - c);
    const int e = dot_from_right(v, n + 2);
    return (c != -1 && e != -1) ? text_right(v, length - e) : v;
}

}  // namespace

Text text_between(const Text& source, const Text& start_marker, const Text& end_marker,
                  int start_position, bool ignore_case) {
    const Text start = unquote_marker(start_marker);
    const Text end = unquote_marker(end_marker);
    int s = find_text(source, start, start_position, ignore_case);
    if (s != -1) s += text_length(start);
    const int e = find_text(source, end, s, ignore_case);
    if (s == -1 || e == -1) return Text();
    return text_mid(source, s, e - s);
}

Text url_host(const Text& url, bool reduce_to_domain, bool keep_port,
              std::optional<int> suffix_dot_count) {
    const Text v = suffix_dot_count
                       ? host_by_dot_count(to_lower(url), reduce_to_domain, *suffix_dot_count)
                       : host_by_scheme_marker(to_lower(url), reduce_to_domain);
    return keep_port ? v : drop_port(v);
}

int url_port(const Text& url) {
    const Text host = url_host(url, false, /*keep_port=*/true);
    if (const int colon = find_text_reverse(host, ":"); colon != -1) {
        return text_to_int(text_right(host, text_length(host) - colon));
    }
    return to_lower(text_left(url, 5)) == "https" ? 443 : 80;
}

Text url_path(const Text& url) {
    const int host_at = find_text(url, url_host(url), 1, /*ignore_case=*/true);
    const int slash = find_text(url, "/", host_at, /*ignore_case=*/true);
    if (slash <= 0) return "/";
    return text_right(url, text_length(url) - slash + 1);
}

}  // namespace kl8
