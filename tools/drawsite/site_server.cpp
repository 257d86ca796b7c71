// Fault modes, per day, from the --faults JSON file (see fault_plan.h for the field defaults):
//   status        {"status": 500, "retry_after": 1}   error page; a 503 always has Retry-After
//   fail_first    {"count": 2, "status": 503, "retry_after": 1}  then the normal page
//   empty         200, Content-Length: 0
//   close         the connection closed without a byte of answer
//   delay         {"ms": 3000}  then the normal page
//   crlf, upper_case, comma, extra_space {"row": 1}, zero_byte {"row": 3}: page variants
//   redirect      {"status": 302, "location": "..."}  default: REDIRECTED_PREFIX + the target
//   redirect_loop {"status": 302}  Location: the request's own target
//   set_cookie    {"cookies": ["a=1; Path=/", "b=2"]}  with the normal page
//   big_headers   {"bytes": 6500}  filler header lines, then the normal page
//   big_cookie    {"bytes": 102400}  one Set-Cookie of that many value bytes, normal page
//   stall         200 header block with the page's Content-Length, then nothing
//   dribble       {"bytes": 1, "ms": 20}  the normal page a few bytes at a time
//   truncated     {"bytes": N}  Content-Length of the page, N bytes (default half), close
//   huge_page     {"mb": 16}  the normal page padded with comment lines to that size
//   malformed_status {"line": "HTTP/1.1 OK"}  that status line, then the normal answer
//   spans_line    {"mb": 16}  a broken row with one line of that many MiB of span pieces
// Globally: --fail-every N answers 500 to every N-th request, --stall-every M stalls every M-th.

#include "tools/drawsite/site_server.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <list>
#include <map>
#include <mutex>
#include <utility>

#include "tools/drawsite/draw_data.h"

namespace kl8 {
namespace {

constexpr const char PAGE_TYPE[] = "text/html; charset=GBK";
constexpr int READ_TIMEOUT_MS = 10000;
constexpr int WRITE_TIMEOUT_MS = 10000;
// Waits are cut into slices of this length so that stop() is seen promptly.
constexpr int WAIT_SLICE_MS = 100;

std::string reason_phrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 303:
            return "See Other";
        case 307:
            return "Temporary Redirect";
        case 308:
            return "Permanent Redirect";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        case 504:
            return "Gateway Timeout";
        default:
            return "Status";
    }
}

// The header block of an answer written straight to the connection; such answers always close
// the connection after them.
std::string raw_head(std::size_t content_length) {
    return "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(PAGE_TYPE) +
           "\r\nContent-Length: " + std::to_string(content_length) +
           "\r\nConnection: close\r\n\r\n";
}

// One client connection as httplib's Stream: reads are buffered, and every byte handed to the
// request parser is kept in head() so that the log shows the request exactly as received.
// After abandon(), httplib's own writes fail, which makes it end the connection.
class Connection final : public httplib::Stream {
   public:
    Connection(int fd, const std::atomic<bool>& stopping) : fd_(fd), stopping_(stopping) {}

    bool is_readable() const override { return pos_ < len_ || wait(POLLIN, READ_TIMEOUT_MS); }
    bool is_writable() const override { return !abandoned_ && wait(POLLOUT, WRITE_TIMEOUT_MS); }

    ssize_t read(char* ptr, std::size_t size) override {
        if (pos_ == len_) {
            if (!wait(POLLIN, READ_TIMEOUT_MS)) return -1;
            ssize_t n;
            do {
                n = ::recv(fd_, buffer_, sizeof buffer_, 0);
            } while (n < 0 && errno == EINTR);
            if (n <= 0) return n;
            pos_ = 0;
            len_ = static_cast<std::size_t>(n);
        }
        const std::size_t n = std::min(size, len_ - pos_);
        std::memcpy(ptr, buffer_ + pos_, n);
        head_.append(ptr, n);
        pos_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, std::size_t size) override {
        if (abandoned_ || !wait(POLLOUT, WRITE_TIMEOUT_MS)) return -1;
        ssize_t n;
        do {
            // MSG_NOSIGNAL: a client that has gone away is an error result, not SIGPIPE.
            n = ::send(fd_, ptr, size, MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
            address_text(addr, ip, port);
        }
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
            address_text(addr, ip, port);
        }
    }
    socket_t socket() const override { return fd_; }

    // Writes all of data, bypassing httplib; false when the client is gone or too slow.
    bool send_all(std::string_view data) {
        while (!data.empty()) {
            if (!wait(POLLOUT, WRITE_TIMEOUT_MS)) return false;
            const ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            data.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
    void abandon() { abandoned_ = true; }
    bool abandoned() const { return abandoned_; }

    // Between requests: true once the next request's first byte (or the client's close) is
    // there, false after timeout_ms of silence or on stop.
    bool wait_for_request(int timeout_ms) const { return pos_ < len_ || wait(POLLIN, timeout_ms); }
    void start_request() { head_.clear(); }
    const std::string& head() const { return head_; }

    // Returns when the client closes its side or the server stops; what the client still
    // sends is read and dropped.
    void wait_for_hangup() {
        char scratch[4096];
        while (!stopping_) {
            pollfd p{fd_, POLLIN | POLLRDHUP, 0};
            const int r = ::poll(&p, 1, WAIT_SLICE_MS);
            if (r < 0 && errno != EINTR) return;
            if (r <= 0) continue;
            if (p.revents & (POLLRDHUP | POLLHUP | POLLERR)) return;
            const ssize_t n = ::recv(fd_, scratch, sizeof scratch, 0);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) return;
        }
    }

   private:
    static void address_text(const sockaddr_storage& addr, std::string& ip, int& port) {
        char text[INET6_ADDRSTRLEN] = {};
        if (addr.ss_family == AF_INET) {
            const auto& a = reinterpret_cast<const sockaddr_in&>(addr);
            ::inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
            port = ntohs(a.sin_port);
        } else if (addr.ss_family == AF_INET6) {
            const auto& a = reinterpret_cast<const sockaddr_in6&>(addr);
            ::inet_ntop(AF_INET6, &a.sin6_addr, text, sizeof text);
            port = ntohs(a.sin6_port);
        }
        ip = text;
    }

    // Polls in slices so that a stop is noticed; true when the event came.
    bool wait(short events, int timeout_ms) const {
        for (int waited = 0; waited < timeout_ms && !stopping_; waited += WAIT_SLICE_MS) {
            pollfd p{fd_, events, 0};
            const int r = ::poll(&p, 1, std::min(WAIT_SLICE_MS, timeout_ms - waited));
            if (r > 0) return true;
            if (r < 0 && errno != EINTR) return false;
        }
        return false;
    }

    int fd_;
    const std::atomic<bool>& stopping_;
    char buffer_[16384];
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    std::string head_;
    bool abandoned_ = false;
};

// The connection the current pool thread is serving, for the handlers that bypass httplib.
thread_local Connection* current_connection = nullptr;

// httplib's server with our own per-connection loop: process_request (httplib's parser,
// router and writer) runs over a Connection that the handlers can reach.
class SiteHttpServer final : public httplib::Server {
   public:
    explicit SiteHttpServer(const std::atomic<bool>& stopping) : stopping_(stopping) {}

    // Server::stop() acts only once listen_after_bind has marked the server running, so a
    // stop that comes right after bind() would be lost. Closing the listening socket ourselves
    // works at any time: the accept loop ends on an invalid socket whether it is already
    // running or not.
    void close_listener() {
        const socket_t sock = svr_sock_.exchange(INVALID_SOCKET);
        if (sock != INVALID_SOCKET) {
            ::shutdown(sock, SHUT_RDWR);
            ::close(sock);
        }
    }

   private:
    bool process_and_close_socket(socket_t sock) override {
        bool ok = false;
        {
            Connection connection(sock, stopping_);
            current_connection = &connection;
            std::size_t left = keep_alive_max_count_;
            while (svr_sock_ != INVALID_SOCKET && !stopping_ && left > 0 &&
                   connection.wait_for_request(static_cast<int>(keep_alive_timeout_sec_) * 1000)) {
                connection.start_request();
                bool connection_closed = false;
                ok = process_request(connection, left == 1, connection_closed, nullptr);
                if (!ok || connection_closed || connection.abandoned()) break;
                --left;
            }
            current_connection = nullptr;
        }
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
        return ok;
    }

    const std::atomic<bool>& stopping_;
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string escape_log_line(const std::string& raw) {
    std::string out;
    out.reserve(raw.size() + 16);
    for (unsigned char c : raw) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

struct DrawSite::Impl {
    SiteOptions options;
    std::atomic<bool> stopping{false};
    SiteHttpServer server{stopping};
    std::string error;
    std::unique_ptr<std::FILE, FileCloser> log;
    std::mutex log_mutex;
    std::atomic<long long> request_count{0};

    std::mutex stop_mutex;
    std::condition_variable stop_cv;

    std::mutex counts_mutex;
    std::map<int, int> fail_first_counts;  // day serial -> requests seen

    using PageKey = std::pair<int, int>;  // day serial, row count
    using CachedPage = std::pair<PageKey, std::shared_ptr<const std::string>>;
    std::mutex cache_mutex;
    std::list<CachedPage> cache;  // most recently used first

    explicit Impl(SiteOptions o) : options(std::move(o)) {}

    // Sleeps up to ms; false when the server stops first.
    bool pause(int ms) {
        std::unique_lock lock(stop_mutex);
        return !stop_cv.wait_for(lock, std::chrono::milliseconds(ms),
                                 [&] { return stopping.load(); });
    }

    int row_limit_today(int serial, std::optional<int>& limit_minutes) const {
        limit_minutes.reset();
        const int first = static_cast<int>(first_draw_day().value);
        const int rows = std::clamp(options.rows_per_day, 0, MAX_ROWS_PER_DAY);
        if (serial < first) return 0;
        if (options.today)
            return serial <= static_cast<int>(std::trunc(options.today->value)) ? rows : 0;
        const DateTime now = now_datetime();
        const int today = static_cast<int>(std::trunc(now.value));
        if (serial > today) return 0;
        if (serial < today) return rows;
        const int minute = hour_of(now) * 60 + minute_of(now);
        limit_minutes = minute;
        if (minute < FIRST_DRAW_MINUTE) return 0;
        return std::min(rows, (minute - FIRST_DRAW_MINUTE) / DRAW_INTERVAL_MINUTES + 1);
    }

    std::vector<DrawRow> rows_of(DateTime day) const {
        std::optional<int> limit;
        return first_rows(day, row_limit_today(static_cast<int>(std::trunc(day.value)), limit));
    }

    std::vector<DrawRow> first_rows(DateTime day, int count) const {
        if (count == 0) return {};
        // The day's first `count` draws: numbered as in a full day of rows_per_day.
        std::vector<DrawRow> rows = draws_of_day(day, options.rows_per_day);
        rows.resize(static_cast<std::size_t>(count));
        return rows;
    }

    // The day's normal page, from a small LRU cache: pages are ~500 KB, the history holds
    // thousands of days, and harvests read each day once, so only recent pages are kept.
    std::shared_ptr<const std::string> page_of(DateTime day) {
        const int serial = static_cast<int>(std::trunc(day.value));
        std::optional<int> limit;
        const PageKey key{serial, row_limit_today(serial, limit)};
        {
            std::lock_guard lock(cache_mutex);
            for (auto it = cache.begin(); it != cache.end(); ++it) {
                if (it->first == key) {
                    cache.splice(cache.begin(), cache, it);
                    return it->second;
                }
            }
        }
        auto page =
            std::make_shared<const std::string>(render_page(day, first_rows(day, key.second)));
        std::lock_guard lock(cache_mutex);
        cache.emplace_front(key, page);
        if (cache.size() > PAGE_CACHE_PAGES) cache.pop_back();
        return page;
    }

    void log_request() {
        if (!log || current_connection == nullptr) return;
        const std::string line = escape_log_line(current_connection->head()) + "\n";
        std::lock_guard lock(log_mutex);
        std::fwrite(line.data(), 1, line.size(), log.get());
        std::fflush(log.get());
    }

    static void send_page(httplib::Response& res, std::shared_ptr<const std::string> page) {
        res.status = 200;
        const std::size_t size = page->size();
        // A provider with a known length: httplib sends the cached bytes as they are, without
        // copying them into the response or compressing them.
        res.set_content_provider(
            size, PAGE_TYPE,
            [page](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                return sink.write(page->data() + offset, length);
            });
    }

    static void send_status(httplib::Response& res, int status, int retry_after) {
        res.status = status;
        res.reason = reason_phrase(status);
        if (retry_after < 0 && status == 503) retry_after = 1;
        if (retry_after >= 0) res.set_header("Retry-After", std::to_string(retry_after));
        res.set_content(render_status_page(status), PAGE_TYPE);
    }

    void stall(std::size_t content_length) {
        if (current_connection == nullptr) return;
        current_connection->abandon();
        if (current_connection->send_all(raw_head(content_length))) {
            current_connection->wait_for_hangup();
        }
    }

    httplib::Server::HandlerResponse pre_route(const httplib::Request& req,
                                               httplib::Response& res) {
        log_request();
        const long long n = ++request_count;
        if (options.fail_every > 0 && n % options.fail_every == 0) {
            send_status(res, 500, -1);
            return httplib::Server::HandlerResponse::Handled;
        }
        if (options.stall_every > 0 && n % options.stall_every == 0) {
            std::optional<DateTime> day;
            if (req.has_param("d")) day = parse_day_text(req.get_param_value("d"));
            stall(day ? page_of(*day)->size() : 1024);
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    }

    void serve(const httplib::Request& req, httplib::Response& res, bool with_faults) {
        std::optional<DateTime> day;
        if (req.has_param("d")) day = parse_day_text(req.get_param_value("d"));
        if (!day) {
            send_status(res, 400, -1);
            return;
        }
        const Fault* fault = with_faults ? options.faults.find(*day) : nullptr;
        if (fault == nullptr) {
            send_page(res, page_of(*day));
            return;
        }
        serve_fault(req, res, *day, *fault);
    }

    void send_styled(httplib::Response& res, DateTime day, const PageStyle& style) {
        send_page(res, std::make_shared<const std::string>(render_page(day, rows_of(day), style)));
    }

    void serve_fault(const httplib::Request& req, httplib::Response& res, DateTime day,
                     const Fault& f) {
        switch (f.mode) {
            case FaultMode::status:
                send_status(res, f.status ? f.status : 500, f.retry_after);
                return;
            case FaultMode::fail_first: {
                int seen;
                {
                    std::lock_guard lock(counts_mutex);
                    seen = ++fail_first_counts[static_cast<int>(std::trunc(day.value))];
                }
                if (seen <= f.count) {
                    send_status(res, f.status ? f.status : 503, f.retry_after);
                } else {
                    send_page(res, page_of(day));
                }
                return;
            }
            case FaultMode::empty:
                res.status = 200;
                res.set_content(std::string(), PAGE_TYPE);
                return;
            case FaultMode::close:
                if (current_connection != nullptr) current_connection->abandon();
                return;
            case FaultMode::delay:
                pause(f.ms);
                send_page(res, page_of(day));
                return;
            case FaultMode::crlf:
                send_styled(res, day, PageStyle{.crlf = true});
                return;
            case FaultMode::upper_case:
                send_styled(res, day, PageStyle{.upper_case_tags = true});
                return;
            case FaultMode::comma:
                send_styled(res, day, PageStyle{.comma_in_field2 = true});
                return;
            case FaultMode::extra_space:
                send_styled(res, day, PageStyle{.extra_space_row = f.row ? f.row : 1});
                return;
            case FaultMode::zero_byte:
                send_styled(res, day, PageStyle{.zero_byte_after_row = f.row ? f.row : 3});
                return;
            case FaultMode::redirect:
            case FaultMode::redirect_loop: {
                const int status = f.status ? f.status : 302;
                std::string location = f.mode == FaultMode::redirect_loop ? req.target
                                       : f.location.empty() ? REDIRECTED_PREFIX + req.target
                                                            : f.location;
                res.status = status;
                res.reason = reason_phrase(status);
                res.set_header("Location", location);
                res.set_content("<html><body>moved</body></html>\n", PAGE_TYPE);
                return;
            }
            case FaultMode::set_cookie: {
                std::vector<std::string> cookies = f.cookies;
                if (cookies.empty()) cookies = {"kl8_session=local-test; Path=/", "kl8_seen=1"};
                for (const std::string& cookie : cookies) res.set_header("Set-Cookie", cookie);
                send_page(res, page_of(day));
                return;
            }
            case FaultMode::big_headers: {
                const long long wanted = f.bytes >= 0 ? f.bytes : 6500;
                const std::string filler(100, 'x');
                long long written = 0;
                for (int i = 1; written <= wanted; ++i) {
                    const std::string name = "X-Filler-" + std::to_string(i);
                    res.set_header(name, filler);
                    written += static_cast<long long>(name.size() + 2 + filler.size() + 2);
                }
                send_page(res, page_of(day));
                return;
            }
            case FaultMode::big_cookie: {
                const long long bytes = f.bytes >= 0 ? f.bytes : 102400;
                res.set_header("Set-Cookie",
                               "big=" + std::string(static_cast<std::size_t>(bytes), 'x'));
                send_page(res, page_of(day));
                return;
            }
            case FaultMode::stall:
                stall(page_of(day)->size());
                return;
            case FaultMode::dribble: {
                if (current_connection == nullptr) return;
                current_connection->abandon();
                const auto page = page_of(day);
                const std::size_t step =
                    static_cast<std::size_t>(std::max<long long>(1, f.bytes >= 0 ? f.bytes : 1));
                const int ms = f.ms ? f.ms : 20;
                if (!current_connection->send_all(raw_head(page->size()))) return;
                for (std::size_t at = 0; at < page->size(); at += step) {
                    const std::size_t n = std::min(step, page->size() - at);
                    if (!current_connection->send_all(std::string_view(*page).substr(at, n)))
                        return;
                    if (at + n < page->size() && !pause(ms)) return;
                }
                return;
            }
            case FaultMode::truncated: {
                if (current_connection == nullptr) return;
                current_connection->abandon();
                const auto page = page_of(day);
                std::size_t keep =
                    f.bytes >= 0 ? static_cast<std::size_t>(f.bytes) : page->size() / 2;
                // Content-Length larger than the body is the point: never send it all.
                if (!page->empty()) keep = std::min(keep, page->size() - 1);
                if (current_connection->send_all(raw_head(page->size()))) {
                    current_connection->send_all(std::string_view(*page).substr(0, keep));
                }
                return;
            }
            case FaultMode::huge_page:
                send_huge_page(res, page_of(day), static_cast<long long>(f.mb) << 20);
                return;
            case FaultMode::malformed_status: {
                if (current_connection == nullptr) return;
                current_connection->abandon();
                const auto page = page_of(day);
                std::string head = raw_head(page->size());
                head.replace(0, head.find("\r\n"), f.line.empty() ? "HTTP/1.1 OK" : f.line);
                if (current_connection->send_all(head)) current_connection->send_all(*page);
                return;
            }
            case FaultMode::spans_line:
                send_page(res, std::make_shared<const std::string>(spans_line_page(
                                   day, rows_of(day), static_cast<std::size_t>(f.mb) << 20)));
                return;
        }
    }

    // The page with a row that breaks off in its first ball_1 cell, inserted before the first
    // row: the cell's line is `line_bytes` of "</span>" and "<span class="ball_1">" pieces and
    // ends without "</span>", so a row pattern tries every "</span>" on it and none fits.
    static std::string spans_line_page(DateTime day, const std::vector<DrawRow>& rows,
                                       std::size_t line_bytes) {
        static const std::string open_span = "<span class=\"ball_1\">";
        static const std::string piece = "</span>" + open_span;
        std::string page = render_page(day, rows);
        const std::string broken = render_row(rows.empty() ? draws_of_day(day, 1).front()
                                                           : rows.front());
        std::string insert = broken.substr(0, broken.find(open_span) + open_span.size());
        const std::size_t line_start = insert.size() - open_span.size();
        insert.reserve(line_start + line_bytes + piece.size() + 1);
        while (insert.size() - line_start < line_bytes) insert += piece;
        std::size_t at = rows.empty() ? std::string::npos : page.find(render_row(rows.front()));
        if (at == std::string::npos) {
            at = std::min(page.size(), page.rfind("</body>"));
            insert += '\n';
        }
        page.insert(at, insert);
        return page;
    }

    // The page with whole 1 KiB comment lines before "</body>", up to `target` bytes, streamed
    // so that the padding is never held in memory.
    static void send_huge_page(httplib::Response& res, std::shared_ptr<const std::string> page,
                               long long target) {
        static const std::string block = "<!-- " + std::string(1014, 'x') + " -->\n";
        const std::size_t split = std::min(page->size(), page->rfind("</body>"));
        const long long extra = target - static_cast<long long>(page->size());
        const std::size_t filler =
            extra > 0 ? static_cast<std::size_t>(extra) / block.size() * block.size() : 0;
        res.status = 200;
        res.set_content_provider(
            page->size() + filler, PAGE_TYPE,
            [page, split, filler](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                if (offset < split) return sink.write(page->data() + offset, split - offset);
                if (offset < split + filler) {
                    const std::size_t in_block = (offset - split) % block.size();
                    return sink.write(block.data() + in_block, block.size() - in_block);
                }
                const std::size_t at = offset - filler;
                return sink.write(page->data() + at, page->size() - at);
            });
    }
};

DrawSite::DrawSite(SiteOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {
    Impl& s = *impl_;
    s.server.new_task_queue = [] {
        // httplib takes ownership of the queue it is given.
        return new httplib::ThreadPool(SERVER_THREADS);
    };
    // SO_REUSEADDR only: httplib's default adds SO_REUSEPORT, which would let a second site
    // bind a port that is already serving and take half of its connections.
    s.server.set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    s.server.set_tcp_nodelay(true);
    s.server.set_keep_alive_max_count(KEEP_ALIVE_MAX_COUNT);
    s.server.set_keep_alive_timeout(KEEP_ALIVE_TIMEOUT_SECONDS);
    s.server.set_pre_routing_handler([&s](const httplib::Request& req, httplib::Response& res) {
        return s.pre_route(req, res);
    });
    s.server.Get(DRAW_LIST_ROUTE, [&s](const httplib::Request& req, httplib::Response& res) {
        s.serve(req, res, true);
    });
    s.server.Get(
        std::string(REDIRECTED_PREFIX) + DRAW_LIST_ROUTE,
        [&s](const httplib::Request& req, httplib::Response& res) { s.serve(req, res, false); });
    // Called by httplib for every answer of 400 and above; only the unrouted ones lack a body.
    s.server.set_error_handler(
        httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
            if (res.status != 404 || !res.body.empty())
                return httplib::Server::HandlerResponse::Unhandled;
            res.set_content(render_status_page(404), PAGE_TYPE);
            return httplib::Server::HandlerResponse::Handled;
        }));
}

DrawSite::~DrawSite() { stop(); }

int DrawSite::bind() {
    Impl& s = *impl_;
    if (s.options.log_file) {
        s.log.reset(std::fopen(s.options.log_file->c_str(), "wb"));
        if (!s.log) {
            s.error = "cannot open the log file " + s.options.log_file->string() + ": " +
                      std::strerror(errno);
            return -1;
        }
    }
    if (s.options.port == 0) {
        const int port = s.server.bind_to_any_port(s.options.host);
        if (port < 0) s.error = "cannot bind to " + s.options.host;
        return port < 0 ? -1 : port;
    }
    if (!s.server.bind_to_port(s.options.host, s.options.port)) {
        s.error = "cannot bind to " + s.options.host + ":" + std::to_string(s.options.port);
        return -1;
    }
    return s.options.port;
}

bool DrawSite::run() { return impl_->server.listen_after_bind(); }

void DrawSite::stop() {
    {
        std::lock_guard lock(impl_->stop_mutex);
        impl_->stopping = true;
    }
    impl_->stop_cv.notify_all();
    impl_->server.close_listener();
}

const std::string& DrawSite::error() const { return impl_->error; }

}  // namespace kl8
