#include "tests/app/desktop.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <thread>

extern char** environ;

namespace kl8::test {
namespace {

wxGUIEventLoop* ui_loop = nullptr;

}  // namespace

bool start_wx() {
    static bool started = [] {
        static char name[] = "window_tests";
        static char* argv[] = {name, nullptr};
        int argc = 1;
        wxApp::SetInstance(new wxApp);
        if (!wxEntryStart(argc, argv)) return false;
        wxTheApp->CallOnInit();
        // A loop made active for good, so that the UI's events can be run from the tests.
        ui_loop = new wxGUIEventLoop;
        wxEventLoopBase::SetActive(ui_loop);
        return true;
    }();
    return started;
}

bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        while (ui_loop && ui_loop->Pending()) ui_loop->Dispatch();
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
        if (done()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(10ms);
    }
}

wxDialog* shown_dialog(const std::string& title_utf8) {
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog && dialog->IsShown() && !dialog->IsBeingDeleted() &&
            dialog->GetTitle() == wxString::FromUTF8(title_utf8)) {
            return dialog;
        }
    }
    return nullptr;
}

std::string shell(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(("timeout 15 " + command).c_str(), "r"),
                                               ::pclose);
    if (!pipe) return out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) out.append(buffer, n);
    return out;
}

std::string iso_day(DateTime day) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year_of(day), month_of(day), day_of(day));
    return text;
}

DateTime today() {
    const DateTime now = now_datetime();
    return make_datetime(year_of(now), month_of(now), day_of(now));
}

std::vector<std::string> windows_of(pid_t pid, const std::string& title_utf8) {
    std::vector<std::string> found;
    std::istringstream ids(
        shell("xdotool search --onlyvisible --pid " + std::to_string(pid) + " 2>/dev/null"));
    for (std::string id; ids >> id;) {
        std::string name = shell("xdotool getwindowname " + id + " 2>/dev/null");
        if (!name.empty() && name.back() == '\n') name.pop_back();
        if (name == title_utf8) found.push_back(id);
    }
    return found;
}

namespace {

// The number after "label" in text, or nullopt.
std::optional<int> number_after(const std::string& text, const std::string& label) {
    const std::size_t at = text.find(label);
    if (at == std::string::npos) return std::nullopt;
    try {
        return std::stoi(text.substr(at + label.size()));
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace

std::optional<WindowGeometry> window_geometry(const std::string& window) {
    const std::string info = shell("xwininfo -id " + window + " 2>/dev/null");
    const std::string extents = shell("xprop -id " + window + " _NET_FRAME_EXTENTS 2>/dev/null");
    auto x = number_after(info, "Absolute upper-left X:");
    auto y = number_after(info, "Absolute upper-left Y:");
    auto w = number_after(info, "Width:");
    auto h = number_after(info, "Height:");
    const std::size_t eq = extents.find(" = ");
    if (!x || !y || !w || !h || eq == std::string::npos) return std::nullopt;
    int l = 0, r = 0, t = 0, b = 0;
    if (std::sscanf(extents.c_str() + eq + 3, "%d, %d, %d, %d", &l, &r, &t, &b) != 4) {
        return std::nullopt;
    }
    WindowGeometry g;
    g.left = *x - l;
    g.top = *y - t;
    g.width = *w + l + r;
    g.height = *h + t + b;
    g.client_left = *x;
    g.client_top = *y;
    return g;
}

std::pair<int, int> screen_size() {
    const std::string info = shell("xwininfo -root");
    return {number_after(info, "Width:").value_or(0), number_after(info, "Height:").value_or(0)};
}

bool save_screenshot(const std::filesystem::path& png) {
    std::error_code ignored;
    std::filesystem::create_directories(png.parent_path(), ignored);
    std::filesystem::remove(png, ignored);
    shell("import -window root '" + png.string() + "' 2>/dev/null");
    return std::filesystem::exists(png);
}

ExportProcess::ExportProcess(const std::filesystem::path& program, const std::filesystem::path& dir,
                             const std::vector<std::string>& extra_env) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.insert(env.end(), extra_env.begin(), extra_env.end());
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string path = program.string();
    std::vector<char*> argv = {path.data(), nullptr};
    const std::string log = (dir / "out.log").string();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    if (::posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
}

ExportProcess::~ExportProcess() {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

std::optional<int> ExportProcess::wait_exit(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!status_ && pid_ > 0) {
        int raw = 0;
        const pid_t r = ::waitpid(pid_, &raw, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            break;
        }
        if (std::chrono::steady_clock::now() > end) break;
        std::this_thread::sleep_for(20ms);
    }
    return status_;
}

}  // namespace kl8::test
