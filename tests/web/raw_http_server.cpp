#include "tests/web/raw_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace kl8::test {

namespace {

int bound_socket(int* port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket");
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        throw std::runtime_error("bind");
    }
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    *port = ntohs(address.sin_port);
    return fd;
}

// Waits until fd is readable; false when the stop pipe fires first.
bool wait_readable(int fd, int stop_fd) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stop_fd, POLLIN, 0}};
    while (true) {
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents != 0) return false;
        if (fds[0].revents != 0) return true;
    }
}

std::size_t content_length(const std::string& head) {
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos) return 0;
    return std::stoul(lower.substr(at + 17));
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string http_reply(std::string_view status, const std::vector<std::string>& headers,
                       std::string_view body) {
    std::string out = "HTTP/1.1 " + std::string(status) + "\r\n";
    for (const std::string& line : headers) out += line + "\r\n";
    out += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    out += body;
    return out;
}

Reply ok_reply(std::string_view body) { return Reply{http_reply("200 OK", {}, body)}; }

RawHttpServer::RawHttpServer(Handler handler) : handler_(std::move(handler)) {
    listen_fd_ = bound_socket(&port_);
    listen(listen_fd_, 64);
    if (pipe2(stop_pipe_, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    acceptor_ = std::thread([this] { accept_loop(); });
}

RawHttpServer::~RawHttpServer() {
    const char stop = 's';
    (void)!write(stop_pipe_[1], &stop, 1);
    acceptor_.join();
    {
        std::lock_guard lock(mutex_);
        for (int fd : open_fds_) shutdown(fd, SHUT_RDWR);
    }
    for (std::thread& t : threads_) t.join();
    close(listen_fd_);
    close(stop_pipe_[0]);
    close(stop_pipe_[1]);
}

std::string RawHttpServer::base_url() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<ReceivedRequest> RawHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

int RawHttpServer::connection_count() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

int RawHttpServer::tls_attempts() const {
    std::lock_guard lock(mutex_);
    return tls_attempts_;
}

void RawHttpServer::accept_loop() {
    while (wait_readable(listen_fd_, stop_pipe_[0])) {
        const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(mutex_);
        open_fds_.push_back(fd);
        const int connection = ++connections_;
        threads_.emplace_back([this, fd, connection] { serve(fd, connection); });
    }
}

void RawHttpServer::serve(int fd, int connection) {
    std::string pending;
    char buffer[65536];
    auto read_more = [&]() {
        if (!wait_readable(fd, stop_pipe_[0])) return false;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        pending.append(buffer, static_cast<std::size_t>(n));
        return true;
    };
    bool open = true;
    while (open) {
        std::size_t head_end;
        while ((head_end = pending.find("\r\n\r\n")) == std::string::npos) {
            if (!pending.empty() && pending[0] == '\x16') {
                std::lock_guard lock(mutex_);
                ++tls_attempts_;
                open = false;
                break;
            }
            if (!read_more()) {
                open = false;
                break;
            }
        }
        if (!open) break;
        ReceivedRequest request;
        request.connection = connection;
        request.head = pending.substr(0, head_end + 4);
        const std::size_t body_size = content_length(request.head);
        while (pending.size() < request.head.size() + body_size && (open = read_more())) {
        }
        if (!open) break;
        request.body = pending.substr(request.head.size(), body_size);
        request.raw = request.head + request.body;
        pending.erase(0, request.raw.size());
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        const Reply reply = handler_(request);
        if (!write_all(fd, reply.bytes) || reply.close) break;
        if (reply.stall) {
            pollfd stop{stop_pipe_[0], POLLIN, 0};
            while (poll(&stop, 1, -1) <= 0) {
            }
            break;
        }
    }
    // Closed under the lock, so the destructor never shuts down a number already reused.
    shutdown(fd, SHUT_WR);
    std::lock_guard lock(mutex_);
    open_fds_.erase(std::remove(open_fds_.begin(), open_fds_.end(), fd), open_fds_.end());
    close(fd);
}

int closed_port() {
    int port = 0;
    close(bound_socket(&port));
    return port;
}

}  // namespace kl8::test
