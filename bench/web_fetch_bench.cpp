// Sequential fetches of a 400 KB page from a server on 127.0.0.1, by fetch_page and by the
// curl program (one process given the URL N times), with wall time and CPU time per fetch.
//
//   kl8-web-bench [fetches] [rounds]      (defaults 200 and 3)
//
// CPU time is that of the fetching side only: the calling thread for fetch_page (libcurl
// runs on it), the child process for curl; the server's threads are not counted.

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/web/raw_http_server.h"
#include "web/fetch.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double thread_cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double children_cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& v) {
        return static_cast<double>(v.tv_sec) + static_cast<double>(v.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Figures {
    double wall = 0;
    double cpu = 0;
    bool ok = true;
};

Figures run_fetch_page(const kl8::Text& url, int fetches, std::size_t page_size) {
    Figures f;
    const auto start = Clock::now();
    const double cpu_start = thread_cpu_seconds();
    for (int i = 0; i < fetches; ++i) {
        kl8::FetchOptions options;
        const kl8::Bytes body = kl8::fetch_page(url, options);
        if (options.outcome != kl8::FetchOutcome::ok || body.size() != page_size) f.ok = false;
    }
    f.cpu = thread_cpu_seconds() - cpu_start;
    f.wall = std::chrono::duration<double>(Clock::now() - start).count();
    return f;
}

Figures run_curl(const std::string& url, int fetches) {
    std::vector<std::string> args = {"curl", "-s", "-o", "/dev/null"};
    for (int i = 1; i < fetches; ++i) {
        args.push_back(url);
        args.push_back("-o");
        args.push_back("/dev/null");
    }
    args.push_back(url);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    Figures f;
    const double cpu_start = children_cpu_seconds();
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0) {
        f.ok = false;
        return f;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    f.wall = std::chrono::duration<double>(Clock::now() - start).count();
    f.cpu = children_cpu_seconds() - cpu_start;
    f.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return f;
}

void print(const char* who, int round, int fetches, const Figures& f) {
    std::printf(
        "%-10s round %d: %4d fetches in %7.3f s wall = %8.1f fetches/s, "
        "CPU %7.1f us/fetch%s\n",
        who, round, fetches, f.wall, fetches / f.wall, f.cpu / fetches * 1e6,
        f.ok ? "" : "  (FAILED)");
}

}  // namespace

int main(int argc, char** argv) {
    const int fetches = argc > 1 ? std::atoi(argv[1]) : 200;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    kl8::web_global_init();

    const std::string page(400 * 1024, 'p');
    const std::string reply = kl8::test::http_reply("200 OK", {"Content-Type: text/html"}, page);
    kl8::test::RawHttpServer server(
        [&](const kl8::test::ReceivedRequest&) { return kl8::test::Reply{reply}; });
    const std::string url = server.base_url() + "/lottery/draw/list/543?d=2014/9/9";
    std::printf("page %zu bytes, %d sequential fetches per round, %s\n", page.size(), fetches,
                url.c_str());

    bool ok = true;
    for (int round = 1; round <= rounds; ++round) {
        const Figures ours = run_fetch_page(kl8::Text(url), fetches, page.size());
        const Figures theirs = run_curl(url, fetches);
        print("fetch_page", round, fetches, ours);
        print("curl", round, fetches, theirs);
        ok = ok && ours.ok && theirs.ok;
    }
    std::printf("connections accepted by the server: %d\n", server.connection_count());
    return ok ? 0 : 1;
}
