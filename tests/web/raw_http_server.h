#pragma once
// A small HTTP server for the tests, on plain sockets: it binds 127.0.0.1 on a free port,
// records the raw bytes of every request it receives, and answers each with whatever the
// test's handler returns, well-formed or not, or with silence.

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kl8::test {

struct ReceivedRequest {
    std::string raw;     // head and body, byte for byte
    std::string head;    // up to and including the empty line
    std::string body;    // Content-Length bytes after the head
    int connection = 0;  // 1 for the first connection accepted, 2 for the next, ...
};

struct Reply {
    std::string bytes;   // written as they are
    bool close = false;  // close the connection afterwards
    bool stall = false;  // afterwards, hold the connection open and silent until the end
};

// "HTTP/1.1 <status>\r\n", the header lines, Content-Length, an empty line and the body.
std::string http_reply(std::string_view status, const std::vector<std::string>& headers,
                       std::string_view body);
Reply ok_reply(std::string_view body);

class RawHttpServer {
   public:
    using Handler = std::function<Reply(const ReceivedRequest&)>;
    explicit RawHttpServer(Handler handler);
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;
    // Ends every stall, closes every connection and waits for the server's threads.
    ~RawHttpServer();

    int port() const { return port_; }
    // "http://127.0.0.1:<port>"
    std::string base_url() const;
    std::vector<ReceivedRequest> requests() const;
    int connection_count() const;
    // Connections whose first byte was that of a TLS handshake (0x16); they are closed.
    int tls_attempts() const;

   private:
    void accept_loop();
    void serve(int fd, int connection);

    Handler handler_;
    int listen_fd_ = -1;
    int stop_pipe_[2] = {-1, -1};
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<ReceivedRequest> requests_;
    std::vector<int> open_fds_;
    int connections_ = 0;
    int tls_attempts_ = 0;
    std::vector<std::thread> threads_;
    std::thread acceptor_;
};

// A port on 127.0.0.1 that was free a moment ago and has nothing listening on it.
int closed_port();

}  // namespace kl8::test
