#pragma once
// Runs a program as a child process with its output in files, for the end-to-end tests.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace kl8::test {

class ChildProcess {
  public:
    // Starts program with args; standard output and error go to files in dir.
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::filesystem::path& dir, const std::vector<std::string>& env = {});
    ~ChildProcess();
    pid_t pid() const { return pid_; }
    void signal(int sig) const;
    // The exit status (0-255), 128 + signal for a death by a signal, -1 after timeout (the
    // child is then killed).
    int wait(std::chrono::milliseconds timeout = std::chrono::seconds(120));
    std::string out() const;
    std::string err() const;

  private:
    pid_t pid_ = -1;
    int status_ = -1;
    std::filesystem::path out_, err_;
};

}  // namespace kl8::test
