#pragma once
// The local draw-list site's HTTP server, over cpp-httplib.
//
// GET DRAW_LIST_PATH + "?d=" + day text answers the day's page (draw_data.h); the same path
// under REDIRECTED_PREFIX answers it too, without faults, as the target of the redirect fault.
// Days from 2010-09-03 to today have rows; other days give a page without rows and 200; a day
// text that is not a day (fault_plan.h, parse_day_text) gives a page without rows and 400.
// Other paths give 404.
//
// Each connection is served by one pool thread for as long as the client keeps it alive
// (KEEP_ALIVE_MAX_COUNT requests, KEEP_ALIVE_TIMEOUT_SECONDS idle), so a client that reuses its
// connection is never made to reconnect. Faults that break HTTP itself (closing without an
// answer, stalling, dribbling, short bodies) write to the connection directly.

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "foundation/datetime.h"
#include "tools/drawsite/fault_plan.h"

namespace kl8 {

inline constexpr const char DRAW_LIST_ROUTE[] = "/lottery/draw/list/543";
inline constexpr const char REDIRECTED_PREFIX[] = "/redirected";
inline constexpr int KEEP_ALIVE_MAX_COUNT = 1000000;
inline constexpr int KEEP_ALIVE_TIMEOUT_SECONDS = 30;
inline constexpr int SERVER_THREADS = 48;
inline constexpr std::size_t PAGE_CACHE_PAGES = 64;

struct SiteOptions {
    std::string host = "127.0.0.1";
    int port = 8543;  // 0: any free port
    // Given: every day up to it has its full rows. Left out: the local today, whose page holds
    // the draws whose time has passed.
    std::optional<DateTime> today;
    int rows_per_day = 179;
    FaultPlan faults;
    std::optional<std::filesystem::path> log_file;
    int fail_every = 0;   // every n-th request answers 500; 0: never
    int stall_every = 0;  // every n-th request stalls until the client gives up; 0: never
};

class DrawSite {
   public:
    explicit DrawSite(SiteOptions options);
    ~DrawSite();
    DrawSite(const DrawSite&) = delete;
    DrawSite& operator=(const DrawSite&) = delete;

    // Binds the listening socket; the port bound (the chosen one for port 0), or -1 with
    // error() saying why (also when the log file cannot be opened).
    [[nodiscard]] int bind();
    // Serves until stop(); false when the server could not run.
    bool run();
    // From any thread: stops accepting, ends stalls and delays, waits for the pool to drain.
    void stop();
    const std::string& error() const;

   private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kl8
