// kl8-export as a black box on the virtual display: found by its process id, driven with
// xdotool as a user would (typing, clicking, alt+F4), measured with xwininfo and xprop.
// Screenshots go to the build tree (KL8_ARTEFACT_DIR).

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "foundation/datetime.h"
#include "tests/app/desktop.h"
#include "tests/support/site_process.h"

namespace kl8 {
namespace {

using namespace test;

const std::string TITLE = "北京快乐8 彩票数据——Zarnovel";
const std::string NOTICE_TITLE = "信息：";
const std::filesystem::path ARTEFACTS = KL8_ARTEFACT_DIR;

// The first window of pid with this title, waiting up to limit.
std::string wait_window(pid_t pid, const std::string& title, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    do {
        std::vector<std::string> found = windows_of(pid, title);
        if (!found.empty()) return found.front();
        std::this_thread::sleep_for(100ms);
    } while (std::chrono::steady_clock::now() < end);
    return {};
}

// The darkest pixel of a part of a screenshot, 0 (black) to 1 (white); -1 when unreadable.
double darkest(const std::filesystem::path& png, int left, int top, int width, int height) {
    const std::string out =
        shell("convert '" + png.string() + "' -crop " + std::to_string(width) + "x" +
              std::to_string(height) + "+" + std::to_string(left) + "+" + std::to_string(top) +
              " +repage -colorspace Gray -format '%[fx:minima]' info: 2>/dev/null");
    return out.empty() ? -1 : std::atof(out.c_str());
}

// Whole lines only: every line ends in CR LF and holds 23 fields.
void expect_whole_lines(const std::string& bytes, int expected_lines) {
    int lines = 0;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = bytes.substr(start, end - start);
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 22) << line;
        ++lines;
    }
    EXPECT_EQ(start, bytes.size()) << "a partial last line";
    EXPECT_EQ(lines, expected_lines);
}

class ExportWindow : public ::testing::Test {
   protected:
    void SetUp() override {
        program = dir / "kl8-export";
        std::filesystem::copy_file(KL8_EXPORT_PATH, program);
    }
    // Opens kl8-export against the site; the main window's id.
    std::string open(const DrawSiteProcess& site) {
        process = std::make_unique<ExportProcess>(
            program, dir.path(), std::vector<std::string>{"KL8_SITE=" + site.host_port()});
        return wait_window(process->pid(), TITLE, 20s);
    }
    // Outer geometry once the window manager's frame is in place.
    WindowGeometry settled_geometry(const std::string& window) {
        std::optional<WindowGeometry> g;
        const auto end = std::chrono::steady_clock::now() + 5s;
        do {
            g = window_geometry(window);
            if (g && g->width == 362 && g->height == 133) break;
            std::this_thread::sleep_for(100ms);
        } while (std::chrono::steady_clock::now() < end);
        return g.value_or(WindowGeometry{});
    }
    void type_day(const std::string& window, DateTime day) {
        shell("xdotool mousemove --window " + window + " 190 26 click 1");
        shell("xdotool key --clearmodifiers ctrl+a");
        shell("xdotool type --delay 30 " + iso_day(day));
        shell("xdotool key Return");
    }
    void click_start(const std::string& window) {
        shell("xdotool mousemove --window " + window + " 309 27 click 1");
    }
    void close_with_alt_f4(const std::string& window) {
        shell("xdotool windowactivate --sync " + window);
        shell("xdotool key --clearmodifiers alt+F4");
    }

    TempDir dir{"kl8-window-process"};
    std::filesystem::path program;
    std::unique_ptr<ExportProcess> process;
};

TEST_F(ExportWindow, OpensCentredAndExportsFromATypedDay) {
    DrawSiteProcess site({"--today", iso_day(today()), "--rows-per-day", "5"});
    ASSERT_TRUE(site.ok()) << site.error();
    const std::string window = open(site);
    ASSERT_FALSE(window.empty()) << "no window titled " << TITLE;

    const WindowGeometry g = settled_geometry(window);
    const auto [screen_width, screen_height] = screen_size();
    EXPECT_EQ(g.width, 362);
    EXPECT_EQ(g.height, 133);
    EXPECT_EQ(g.left, (screen_width - 362) / 2);
    EXPECT_EQ(g.top, (screen_height - 133) / 2);
    const std::string actions = shell("xprop -id " + window + " _NET_WM_ALLOWED_ACTIONS");
    EXPECT_EQ(actions.find("RESIZE"), std::string::npos) << actions;
    EXPECT_EQ(actions.find("MAXIMIZE"), std::string::npos) << actions;
    EXPECT_NE(actions.find("_NET_WM_ACTION_CLOSE"), std::string::npos) << actions;
    EXPECT_NE(actions.find("_NET_WM_ACTION_MINIMIZE"), std::string::npos) << actions;

    const std::filesystem::path start_shot = ARTEFACTS / "window_start.png";
    ASSERT_TRUE(save_screenshot(start_shot));
    // 标签3 (client 80, 48, 192 x 16) is empty at start: nothing darker than the face.
    EXPECT_GT(darkest(start_shot, g.client_left + 80, g.client_top + 48, 192, 16), 0.5);

    type_day(window, add_days(today(), -2));
    click_start(window);
    const std::string notice = wait_window(process->pid(), NOTICE_TITLE, 30s);
    ASSERT_FALSE(notice.empty()) << "no finish notice";
    // The notice sits over the main window: move it aside to see 标签3.
    shell("xdotool windowmove --sync " + notice + " 0 0");
    std::this_thread::sleep_for(300ms);
    const std::filesystem::path end_shot = ARTEFACTS / "window_after_harvest.png";
    ASSERT_TRUE(save_screenshot(end_shot));
    EXPECT_LT(darkest(end_shot, g.client_left + 80, g.client_top + 48, 192, 16), 0.3)
        << "标签3 shows the progress";

    // Three days with five draws each; tomorrow has none.
    expect_whole_lines(read_file(dir / "彩票信息.txt"), 15);

    shell("xdotool windowactivate --sync " + notice + " key --clearmodifiers Return");
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!windows_of(process->pid(), NOTICE_TITLE).empty() &&
           std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(windows_of(process->pid(), NOTICE_TITLE).empty()) << "the notice closes";

    close_with_alt_f4(window);
    EXPECT_EQ(process->wait_exit(15s), std::optional<int>(0));
}

TEST_F(ExportWindow, ClosingDuringAHarvestStopsItAndExitsWithZero) {
    // The second day's page never comes: the harvest is in the middle of a request.
    const DateTime first = add_days(today(), -2);
    const DateTime stalled = add_days(today(), -1);
    ASSERT_TRUE(
        write_file(dir / "faults.json", "{\"" + iso_day(stalled) + "\": {\"mode\": \"stall\"}}"));
    DrawSiteProcess site({"--today", iso_day(today()), "--rows-per-day", "5", "--faults",
                          (dir / "faults.json").string(), "--log", (dir / "site.log").string()});
    ASSERT_TRUE(site.ok()) << site.error();
    const std::string window = open(site);
    ASSERT_FALSE(window.empty()) << "no window titled " << TITLE;
    settled_geometry(window);

    type_day(window, first);
    click_start(window);
    const std::string stalled_day = std::to_string(year_of(stalled)) + "/" +
                                    std::to_string(month_of(stalled)) + "/" +
                                    std::to_string(day_of(stalled));
    bool asked = false;
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (!asked && std::chrono::steady_clock::now() < end) {
        for (const std::string& request : read_request_log(dir / "site.log")) {
            if (request.find("d=" + stalled_day + " ") != std::string::npos) asked = true;
        }
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_TRUE(asked) << "the stalled day was never requested";
    save_screenshot(ARTEFACTS / "window_during_harvest.png");

    close_with_alt_f4(window);
    EXPECT_EQ(process->wait_exit(15s), std::optional<int>(0));
    expect_whole_lines(read_file(dir / "彩票信息.txt"), 5);
}

}  // namespace
}  // namespace kl8
