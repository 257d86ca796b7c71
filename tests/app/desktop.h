#pragma once
// Helpers for the window tests: the UI of this process (wx started once, its events pumped
// with a time limit), shell tools on the virtual display (xdotool, xwininfo, xprop, import),
// and a child kl8-export.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "foundation/datetime.h"

class wxDialog;

namespace kl8::test {

using namespace std::chrono_literals;

// Starts wx in this process once (false when there is no display).
bool start_wx();
// Runs the UI's events until done() holds or limit passes; done()'s last value.
bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s);
// A shown dialog of this process with this title (UTF-8), or nullptr.
wxDialog* shown_dialog(const std::string& title_utf8);

// Runs a shell command (ended after 15 s at most); its standard output.
std::string shell(const std::string& command);

// "YYYY-MM-DD" of a day.
std::string iso_day(DateTime day);
// The local today at 00:00:00.
DateTime today();

struct WindowGeometry {
    int left = 0, top = 0, width = 0, height = 0;  // outer: frame and title bar included
    int client_left = 0, client_top = 0;           // the client area's top left on the screen
};
// Visible windows of the process with this title (UTF-8), by xdotool.
std::vector<std::string> windows_of(pid_t pid, const std::string& title_utf8);
std::optional<WindowGeometry> window_geometry(const std::string& window);
// Width and height of the screen.
std::pair<int, int> screen_size();
// Saves the whole screen as a PNG; false when it could not.
bool save_screenshot(const std::filesystem::path& png);

// kl8-export started in dir with extra environment ("NAME=value"), its output in dir/out.log.
class ExportProcess {
   public:
    ExportProcess(const std::filesystem::path& program, const std::filesystem::path& dir,
                  const std::vector<std::string>& extra_env);
    ~ExportProcess();
    ExportProcess(const ExportProcess&) = delete;
    ExportProcess& operator=(const ExportProcess&) = delete;
    pid_t pid() const { return pid_; }
    // The exit status once it has ended within limit; -1 for a death by a signal, nullopt
    // while it runs.
    std::optional<int> wait_exit(std::chrono::milliseconds limit);

   private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

}  // namespace kl8::test
