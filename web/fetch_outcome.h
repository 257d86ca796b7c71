#pragma once
// How a page fetch ended, beside the body it returns.

namespace kl8 {

enum class FetchOutcome {
    ok,                 // a response came whole, with a status below 400
    could_not_connect,  // host or proxy not found, or the connection refused
    timed_out,          // no connection within the connect time-out, or no data for the idle one
    http_error,         // a response came whole with a status of 400 or above
    body_too_large,     // the body went past the limit; the part up to the limit is kept
    cancelled,          // the caller's CancelToken stopped it
    failed,             // anything else: a broken or missing response, TLS, too many redirects
};

// The enumerator's name, such as "timed_out".
const char* fetch_outcome_name(FetchOutcome outcome);

}  // namespace kl8
