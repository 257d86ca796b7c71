// kl8-drawsite: the local draw-list site with generated draws, for tests and benchmarks.
//
//   kl8-drawsite [--host 127.0.0.1] [--port 8543] [--today YYYY-MM-DD] [--rows-per-day 179]
//                [--faults FILE] [--log FILE] [--fail-every N] [--stall-every M]
//
// The first line on standard output is "listening on HOST:PORT" (an IPv6 host in brackets),
// so that a caller that asked for port 0 learns the port. Serves until SIGINT or SIGTERM, then
// exits 0; a bad argument exits 2, a port that cannot be bound 1.

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>

#include "tools/drawsite/draw_data.h"
#include "tools/drawsite/fault_plan.h"
#include "tools/drawsite/site_server.h"

namespace {

constexpr const char USAGE[] =
    "usage: kl8-drawsite [--host 127.0.0.1] [--port 8543] [--today YYYY-MM-DD]\n"
    "                    [--rows-per-day 179] [--faults FILE] [--log FILE]\n"
    "                    [--fail-every N] [--stall-every M]\n";

int usage_error(const std::string& why) {
    std::cerr << "kl8-drawsite: " << why << "\n" << USAGE;
    return 2;
}

// A whole decimal number in [low, high], or nothing.
std::optional<int> read_int(std::string_view text, int low, int high) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) return std::nullopt;
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    kl8::SiteOptions options;
    options.rows_per_day = kl8::DEFAULT_ROWS_PER_DAY;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << USAGE;
            return 0;
        }
        if (i + 1 >= argc) return usage_error(std::string(arg) + " needs a value");
        const std::string_view value = argv[++i];
        if (arg == "--host") {
            options.host = value;
        } else if (arg == "--port") {
            auto port = read_int(value, 0, 65535);
            if (!port) return usage_error("--port takes 0 to 65535");
            options.port = *port;
        } else if (arg == "--today") {
            auto day = kl8::parse_day_text(value);
            if (!day) return usage_error("--today takes a day such as 2024-01-05");
            options.today = *day;
        } else if (arg == "--rows-per-day") {
            auto rows = read_int(value, 0, kl8::MAX_ROWS_PER_DAY);
            if (!rows) return usage_error("--rows-per-day takes 0 to 179");
            options.rows_per_day = *rows;
        } else if (arg == "--faults") {
            std::ifstream in{std::string(value), std::ios::binary};
            if (!in) return usage_error("cannot read the fault file " + std::string(value));
            std::ostringstream text;
            text << in.rdbuf();
            auto parsed = kl8::parse_fault_plan(text.str());
            if (!parsed.plan)
                return usage_error("fault file " + std::string(value) + ": " + parsed.error);
            options.faults = std::move(*parsed.plan);
        } else if (arg == "--log") {
            options.log_file = std::filesystem::path(value);
        } else if (arg == "--fail-every" || arg == "--stall-every") {
            auto n = read_int(value, 0, 1000000000);
            if (!n) return usage_error(std::string(arg) + " takes a count");
            (arg == "--fail-every" ? options.fail_every : options.stall_every) = *n;
        } else {
            return usage_error("unknown argument " + std::string(arg));
        }
    }

    // SIGINT and SIGTERM are taken by sigwait below; blocked here, before any thread starts,
    // so that every thread inherits the mask and none of them is interrupted by them.
    ::signal(SIGPIPE, SIG_IGN);
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    const std::string host = options.host;
    kl8::DrawSite site(std::move(options));
    const int port = site.bind();
    if (port < 0) {
        std::cerr << "kl8-drawsite: " << site.error() << "\n";
        return 1;
    }
    const bool ipv6 = host.find(':') != std::string::npos;
    std::printf("listening on %s%s%s:%d\n", ipv6 ? "[" : "", host.c_str(), ipv6 ? "]" : "", port);
    std::fflush(stdout);

    std::atomic<bool> failed{false};
    std::thread server([&] {
        if (!site.run()) {
            failed = true;
            // Wakes the sigwait below.
            kill(getpid(), SIGTERM);
        }
    });
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    site.stop();
    server.join();
    return failed ? 1 : 0;
}
