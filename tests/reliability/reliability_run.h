#pragma once
// kl8-export against kl8-drawsite for the reliability tests: the site on a free loopback port
// with a fault plan, one export run, and the record lines the site's generator implies.

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "tests/support/site_process.h"
#include "tools/drawsite/draw_data.h"

namespace kl8::test {

// The record lines of the rows, each ended by CR LF.
inline std::string lines_of(const std::vector<DrawRow>& rows) {
    std::string out;
    for (const DrawRow& row : rows) out += record_line(row).str() + "\r\n";
    return out;
}

// How an export run ended.
struct RunResult {
    int exit_code = -1;  // -1: it did not end within the bound and was killed
    std::string out;
    std::string err;
    double seconds = 0;
};

inline RunResult run_export(const std::vector<std::string>& args, const std::filesystem::path& dir,
                            std::chrono::milliseconds bound = std::chrono::seconds(120)) {
    const auto started = std::chrono::steady_clock::now();
    ChildProcess p(KL8_EXPORT_PATH, args, dir);
    RunResult r;
    r.exit_code = p.wait(bound);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    r.out = p.out();
    r.err = p.err();
    return r;
}

// The usual arguments of a run over [from, to] against the site.
inline std::vector<std::string> export_args(const std::string& from, const std::string& to,
                                            const DrawSiteProcess& site,
                                            const std::filesystem::path& out, int timeout_ms,
                                            int retry_delay_ms = 20) {
    return {"--from",        from,
            "--to",          to,
            "--site",        site.host_port(),
            "--out",         out.string(),
            "--retry-delay", std::to_string(retry_delay_ms),
            "--timeout",     std::to_string(timeout_ms)};
}

}  // namespace kl8::test
