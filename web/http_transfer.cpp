#include "web/http_transfer.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <new>
#include <optional>
#include <string>

#include "web/cancel.h"
#include "web/curl_handles.h"

namespace kl8 {

namespace {

using Clock = std::chrono::steady_clock;

// Holds a value that is never destroyed. The stores below live until the process ends: a
// worker thread may still be inside a transfer while static destructors run at exit, and
// libcurl refuses to clean up a share that is in use anyway.
template <typename T>
union Immortal {
    Immortal() : value() {}
    ~Immortal() {}
    T value;
};

// A share handle whose data libcurl guards with one mutex per kind of data.
class LockedShare {
   public:
    explicit LockedShare(bool with_cookies) : share_(curl_share_init()) {
        if (!share_) return;  // transfers then simply run without sharing
        curl_share_setopt(share_.get(), CURLSHOPT_LOCKFUNC, &LockedShare::lock);
        curl_share_setopt(share_.get(), CURLSHOPT_UNLOCKFUNC, &LockedShare::unlock);
        curl_share_setopt(share_.get(), CURLSHOPT_USERDATA, this);
        curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        // An easy handle attached to a share that holds cookies gets the share's cookie
        // engine, so the store and the no-store requests need separate shares.
        if (with_cookies) curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    }
    CURLSH* get() const { return share_.get(); }

   private:
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
        static_cast<LockedShare*>(self)->mutexes_.at(data).lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* self) {
        static_cast<LockedShare*>(self)->mutexes_.at(data).unlock();
    }

    std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes_;
    CurlShare share_;
};

// Multi handles waiting for their next transfer. Each keeps its connection cache, so taking
// the one used last reuses its open connections, whatever thread the call runs on.
class MultiPool {
   public:
    CurlMulti take() {
        std::lock_guard lock(mutex_);
        if (idle_.empty()) return CurlMulti(curl_multi_init());
        CurlMulti multi = std::move(idle_.back());
        idle_.pop_back();
        return multi;
    }
    void give_back(CurlMulti multi) {
        std::unique_lock lock(mutex_);
        if (idle_.size() < MAX_IDLE) {
            idle_.push_back(std::move(multi));
            return;
        }
        lock.unlock();  // closing its connections happens outside the lock
    }

   private:
    static constexpr std::size_t MAX_IDLE = 4;
    std::mutex mutex_;
    std::vector<CurlMulti> idle_;
};

struct Stores {
    Stores() : cookie_share(true), plain_share(false) {}
    LockedShare cookie_share;
    LockedShare plain_share;
    MultiPool multis;
};

Stores& stores() {
    http_global_init();
    static Immortal<Stores> holder;
    return holder.value;
}

// What the callbacks of one transfer share with the loop that drives it.
struct Transfer {
    HttpResponse& response;
    CURL* easy;
    std::int64_t max_body_bytes;
    bool body_reserved = false;
    bool header_block_done = false;
    bool body_too_large = false;
    // True from the start and from each new socket until the request is about to be sent:
    // meanwhile libcurl's connect time-out rules, afterwards the idle time-out.
    bool connecting = true;
    Clock::time_point last_activity = Clock::now();
    curl_off_t uploaded = 0;
};

size_t on_header(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const size_t n = size * count;
    t.last_activity = Clock::now();
    std::string_view line(data, n);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    std::string& block = t.response.header_block;
    // libcurl hands over the headers of every response of the exchange (redirects, 100
    // Continue) and, after the body, chunked trailers; only the last response's block counts.
    if (line.starts_with("HTTP/") && (t.header_block_done || block.empty())) {
        block.clear();
        t.response.body.clear();
        t.body_reserved = false;
        t.header_block_done = false;
    }
    if (t.header_block_done) return n;
    for (char c : line) {
        if (c != '\0') block += c;
    }
    block += "\r\n";
    if (line.empty()) t.header_block_done = true;
    return n;
}

size_t on_body(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    const size_t n = size * count;
    t.last_activity = Clock::now();
    const auto limit = static_cast<std::size_t>(std::max<std::int64_t>(t.max_body_bytes, 0));
    if (!t.body_reserved) {
        // One allocation for a body of announced size instead of a copy at every doubling.
        t.body_reserved = true;
        curl_off_t announced = -1;
        curl_easy_getinfo(t.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced > 0) {
            t.response.body.reserve(std::min(static_cast<std::size_t>(announced), limit));
        }
    }
    const std::size_t room = limit - std::min(limit, t.response.body.size());
    if (n > room) {
        t.response.body.append(data, room);
        t.body_too_large = true;
        return 0;  // any count other than n makes libcurl stop with CURLE_WRITE_ERROR
    }
    t.response.body.append(data, n);
    return n;
}

int on_progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
    auto& t = *static_cast<Transfer*>(user);
    if (uploaded != t.uploaded) {
        t.uploaded = uploaded;
        t.last_activity = Clock::now();
    }
    return 0;
}

int on_new_socket(void* user, curl_socket_t, curlsocktype) {
    auto& t = *static_cast<Transfer*>(user);
    t.connecting = true;
    t.last_activity = Clock::now();
    return CURL_SOCKOPT_OK;
}

// libcurl calls this once the connection (new or reused, tunnel included) is ready and the
// request is about to go out.
int on_request_ready(void* user, char*, char*, int, int) {
    auto& t = *static_cast<Transfer*>(user);
    t.connecting = false;
    t.last_activity = Clock::now();
    return CURL_PREREQFUNC_OK;
}

bool ascii_iequal(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        return fold(x) == fold(y);
    });
}

std::string_view header_name(std::string_view line) {
    const auto colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view() : line.substr(0, colon);
}

bool has_header(const std::vector<std::string>& lines, std::string_view name) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return ascii_iequal(header_name(line), name);
    });
}

// libcurl reads a custom header "Name:" with nothing after the colon as "do not send Name"
// and sends "Name;" as the empty header "Name:". Lines without a name are never sent.
CurlSlist header_list(const HttpRequest& request) {
    curl_slist* list = nullptr;
    auto add = [&](const std::string& line) {
        if (curl_slist* longer = curl_slist_append(list, line.c_str())) list = longer;
    };
    for (const std::string& line : request.header_lines) {
        const std::string_view name = header_name(line);
        if (name.empty()) continue;
        const std::string_view value = std::string_view(line).substr(name.size() + 1);
        const bool blank = value.find_first_not_of(" \t") == std::string_view::npos;
        add(blank ? std::string(name) + ";" : line);
    }
    // Removals of libcurl's own lines: its default Accept, and the Expect it puts on larger
    // POST bodies.
    if (!has_header(request.header_lines, "Accept")) add("Accept:");
    if (!has_header(request.header_lines, "Expect")) add("Expect:");
    return CurlSlist(list);
}

FetchOutcome outcome_of(CURLcode code, const Transfer& t) {
    switch (code) {
        case CURLE_OK:
            return t.response.status >= 400 ? FetchOutcome::http_error : FetchOutcome::ok;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_CONNECT:
            return FetchOutcome::could_not_connect;
        case CURLE_OPERATION_TIMEDOUT:
            return FetchOutcome::timed_out;
        case CURLE_WRITE_ERROR:
            return t.body_too_large ? FetchOutcome::body_too_large : FetchOutcome::failed;
        default:
            return FetchOutcome::failed;
    }
}

}  // namespace

void http_global_init() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void clear_http_cookie_store() {
    Stores& s = stores();
    CurlEasy easy(curl_easy_init());
    if (!easy || !s.cookie_share.get()) return;
    curl_easy_setopt(easy.get(), CURLOPT_SHARE, s.cookie_share.get());
    curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, "ALL");
}

HttpResponse perform_http(const HttpRequest& request) {
    Stores& s = stores();
    HttpResponse response;
    CurlEasy easy(curl_easy_init());
    Transfer t{response, easy.get(), request.max_body_bytes};

    CurlMulti multi = s.multis.take();
    if (!easy || !multi) {
        response.error_message = "libcurl could not start a transfer";
        return response;
    }
    CURL* e = easy.get();
    const CurlSlist headers = header_list(request);
    std::array<char, CURL_ERROR_SIZE> error_text{};

    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, error_text.data());
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    // Draw-list pages are about half a megabyte: a larger receive buffer takes one in a few
    // reads instead of some thirty 16 KiB ones.
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, 256L * 1024L);
    curl_easy_setopt(e, CURLOPT_URL, request.url.c_str());
    // The path goes out as given: no removal of "." and ".." segments.
    curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, request.follow_redirects ? 1L : 0L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, MAX_REDIRECTS);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(std::max<std::int64_t>(request.connect_timeout.count(), 1)));
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!request.user_agent.empty()) {
        curl_easy_setopt(e, CURLOPT_USERAGENT, request.user_agent.c_str());
    }
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
    // An empty proxy string also keeps libcurl from taking one from the environment.
    curl_easy_setopt(e, CURLOPT_PROXY, request.proxy.c_str());
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (request.use_cookie_store) {
        curl_easy_setopt(e, CURLOPT_SHARE, s.cookie_share.get());
        curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");
    } else {
        curl_easy_setopt(e, CURLOPT_SHARE, s.plain_share.get());
    }
    if (request.has_body) {
        curl_easy_setopt(e, CURLOPT_POST, 1L);
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
        curl_easy_setopt(e, CURLOPT_POSTFIELDS, request.body.empty() ? "" : request.body.data());
        if (request.verb != "POST")
            curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, request.verb.c_str());
    } else if (request.verb != "GET") {
        curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, request.verb.c_str());
    }
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &on_header);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &on_body);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &on_progress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(e, CURLOPT_SOCKOPTFUNCTION, &on_new_socket);
    curl_easy_setopt(e, CURLOPT_SOCKOPTDATA, &t);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &on_request_ready);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, &t);

    std::optional<FetchOutcome> stopped;  // set when this loop, not libcurl, ends the transfer
    CURLcode code = CURLE_OK;
    bool done = false;
    {
        const CurlMultiAttachment attached(multi.get(), e);
        CancelToken::Hook hook;
        if (request.cancel != nullptr) {
            CURLM* m = multi.get();
            hook = request.cancel->on_cancel([m] { curl_multi_wakeup(m); });
        }
        int running = attached.added() ? 1 : 0;
        while (running > 0) {
            if (request.cancel != nullptr && request.cancel->is_cancelled()) {
                stopped = FetchOutcome::cancelled;
                break;
            }
            if (curl_multi_perform(multi.get(), &running) != CURLM_OK) break;
            if (running == 0) break;
            const auto now = Clock::now();
            const auto quiet = now - t.last_activity;
            if (!t.connecting && quiet >= request.idle_timeout) {
                stopped = FetchOutcome::timed_out;
                break;
            }
            // curl_multi_poll also returns early when libcurl's own timers fall due and when
            // curl_multi_wakeup is called from the cancelling thread.
            auto wait = std::chrono::milliseconds(1000);
            if (!t.connecting) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    request.idle_timeout - quiet);
                wait = std::clamp(left + std::chrono::milliseconds(1), std::chrono::milliseconds(1),
                                  wait);
            }
            curl_multi_poll(multi.get(), nullptr, 0, static_cast<int>(wait.count()), nullptr);
        }
        if (!stopped) {
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == e) {
                    code = message->data.result;
                    done = true;
                }
            }
        }
        long status = 0;
        curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
        response.status = static_cast<int>(status);
    }
    s.multis.give_back(std::move(multi));

    if (stopped == FetchOutcome::cancelled) {
        response.outcome = FetchOutcome::cancelled;
        response.error_message = "cancelled";
    } else if (stopped == FetchOutcome::timed_out) {
        response.outcome = FetchOutcome::timed_out;
        response.error_message =
            "no data for " + std::to_string(request.idle_timeout.count()) + " ms";
    } else if (!done) {
        response.outcome = FetchOutcome::failed;
        response.error_message = "libcurl could not run the transfer";
    } else {
        response.outcome = outcome_of(code, t);
        if (response.outcome == FetchOutcome::http_error) {
            response.error_message = "HTTP status " + std::to_string(response.status);
        } else if (response.outcome == FetchOutcome::body_too_large) {
            response.error_message =
                "body larger than " + std::to_string(request.max_body_bytes) + " bytes";
        } else if (code != CURLE_OK) {
            response.error_message =
                error_text[0] != '\0' ? error_text.data() : curl_easy_strerror(code);
        }
    }
    return response;
}

}  // namespace kl8
