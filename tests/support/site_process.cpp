#include "tests/support/site_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace kl8::test {
namespace {

constexpr int STARTUP_LIMIT_MS = 20000;
constexpr std::string_view LISTENING = "listening on ";

}  // namespace

DrawSiteProcess::DrawSiteProcess(std::vector<std::string> extra_args) {
    std::vector<std::string> args = {KL8_DRAWSITE_PATH, "--port", "0"};
    args.insert(args.end(), extra_args.begin(), extra_args.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // dup2 clears close-on-exec on the copy: only the child's stdout stays open in it.
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    const int rc = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    stdout_fd_ = fds[0];
    if (rc != 0) {
        pid_ = -1;
        error_ = std::string("cannot start ") + argv[0] + ": " + std::strerror(rc);
        return;
    }

    std::string line;
    for (int waited = 0; waited < STARTUP_LIMIT_MS;) {
        pollfd p{stdout_fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, 100);
        if (r == 0) {
            waited += 100;
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        char c;
        const ssize_t n = ::read(stdout_fd_, &c, 1);
        if (n <= 0) break;
        if (c == '\n') break;
        line += c;
    }
    if (line.rfind(LISTENING, 0) != 0) {
        error_ = "kl8-drawsite did not start (first line: \"" + line + "\")";
        stop();
        return;
    }
    host_port_ = line.substr(LISTENING.size());
    const std::size_t colon = host_port_.rfind(':');
    port_ = colon == std::string::npos ? 0 : std::atoi(host_port_.c_str() + colon + 1);
    if (port_ <= 0) {
        error_ = "kl8-drawsite printed no port: \"" + line + "\"";
        stop();
    }
}

DrawSiteProcess::~DrawSiteProcess() {
    stop();
    if (stdout_fd_ >= 0) ::close(stdout_fd_);
}

std::string DrawSiteProcess::day_url(std::string_view day_text) const {
    return "http://" + host_port_ + "/lottery/draw/list/543?d=" + std::string(day_text);
}

int DrawSiteProcess::stop(int signal) {
    if (pid_ > 0) {
        ::kill(pid_, signal);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        pid_ = -1;
        port_ = 0;
    }
    return exit_status_;
}

std::vector<std::string> read_request_log(const std::filesystem::path& log_file) {
    std::vector<std::string> requests;
    std::istringstream lines(read_file(log_file));
    for (std::string line; std::getline(lines, line);) {
        std::string raw;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] != '\\' || i + 1 == line.size()) {
                raw += line[i];
                continue;
            }
            const char e = line[++i];
            if (e == 'r') {
                raw += '\r';
            } else if (e == 'n') {
                raw += '\n';
            } else if (e == 'x' && i + 2 < line.size()) {
                raw += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                raw += e;
            }
        }
        requests.push_back(std::move(raw));
    }
    return requests;
}

TempDir::TempDir(std::string_view tag) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(tag) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

bool write_file(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string read_file(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace kl8::test
