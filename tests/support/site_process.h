#pragma once
// Test support for every suite: the local draw-list site (build/kl8-drawsite) as a child
// process on a free loopback port, its request log, and temporary directories.

#include <signal.h>
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kl8::test {

// Starts kl8-drawsite with "--port 0" and extra_args, and reads its "listening on HOST:PORT"
// line. When the program cannot be started or does not print that line within 20 seconds,
// ok() is false, error() says why and port() is 0. The destructor stops it with SIGTERM and
// waits for it.
class DrawSiteProcess {
   public:
    explicit DrawSiteProcess(std::vector<std::string> extra_args = {});
    ~DrawSiteProcess();
    DrawSiteProcess(const DrawSiteProcess&) = delete;
    DrawSiteProcess& operator=(const DrawSiteProcess&) = delete;

    bool ok() const { return port_ > 0; }
    const std::string& error() const { return error_; }
    // "127.0.0.1:NNNNN" (an IPv6 host in brackets), as the program printed it.
    const std::string& host_port() const { return host_port_; }
    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    // "http://" + host_port() + "/lottery/draw/list/543?d=" + day_text.
    std::string day_url(std::string_view day_text) const;

    // Sends the signal and waits: the exit status (0 to 255), or -1 for a death by a signal
    // or when nothing runs. Later calls return the same value.
    int stop(int signal = SIGTERM);

   private:
    pid_t pid_ = -1;
    int stdout_fd_ = -1;
    int port_ = 0;
    int exit_status_ = -1;
    std::string host_port_;
    std::string error_;
};

// The site's --log file read back: one element per request, its request line and headers
// exactly as received (escapes undone), "\r\n\r\n" included.
std::vector<std::string> read_request_log(const std::filesystem::path& log_file);

// A fresh empty directory under the system's temporary directory, removed with its contents
// by the destructor.
class TempDir {
   public:
    explicit TempDir(std::string_view tag = "kl8");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

   private:
    std::filesystem::path path_;
};

// Writes bytes to a file, replacing it; false on failure.
bool write_file(const std::filesystem::path& file, std::string_view bytes);
// The file's bytes; empty when it cannot be read.
std::string read_file(const std::filesystem::path& file);

}  // namespace kl8::test
