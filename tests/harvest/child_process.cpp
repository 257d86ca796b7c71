#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "tests/support/site_process.h"

namespace kl8::test {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::filesystem::path& dir, const std::vector<std::string>& env)
    : out_(dir / "child.out"), err_(dir / "child.err") {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        int out = ::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
        int null = ::open("/dev/null", O_RDONLY);
        dup2(null, 0);
        for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
        execv(program.c_str(), argv.data());
        _exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (status_ == -1 && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void ChildProcess::signal(int sig) const { ::kill(pid_, sig); }

int ChildProcess::wait(std::chrono::milliseconds timeout) {
    if (status_ != -1) return status_;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int raw = 0;
        pid_t got = waitpid(pid_, &raw, WNOHANG);
        if (got == pid_) {
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            return status_;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            status_ = -2;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string ChildProcess::out() const { return read_file(out_); }
std::string ChildProcess::err() const { return read_file(err_); }

}  // namespace kl8::test
