// The main window inside the test process: its controls, the date box, and a harvest against
// the local draw-list site, read from the widgets themselves.

#include "app/window_frame.h"

#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/stattext.h>

#include <string>

#include "app/window_date_text.h"
#include "harvest/harvest_runner.h"
#include "harvest/harvest_state.h"
#include "tests/app/desktop.h"
#include "tests/support/site_process.h"
#include "web/draw_site.h"

namespace kl8 {
namespace {

using namespace test;

std::string utf8(const wxString& s) { return std::string(s.utf8_str()); }

// The texts of a dialog's labels, joined by "\n".
std::string dialog_text(wxDialog* dialog) {
    std::string text;
    for (wxWindow* child : dialog->GetChildren()) {
        if (auto* label = dynamic_cast<wxStaticText*>(child)) {
            text += (text.empty() ? "" : "\n") + utf8(label->GetLabel());
        }
    }
    return text;
}

void click(wxWindow* button) {
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->ProcessWindowEvent(event);
}

int count_lines(const std::string& bytes) {
    int lines = 0;
    for (std::size_t at = 0; (at = bytes.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    return lines;
}

class MainWindow : public ::testing::Test {
   protected:
    void SetUp() override { ASSERT_TRUE(start_wx()) << "no display"; }
    void TearDown() override {
        stop_harvest();
        if (frame) frame->Destroy();
        pump_until([] { return wxTopLevelWindows.empty(); }, 2s);
        harvest_state().record_file.reset();
        set_site_host(Text());
    }
    MainFrame* open(const std::filesystem::path& record_path) {
        frame = new MainFrame(record_path);
        frame->Show();
        pump_until([this] { return frame->IsShownOnScreen(); }, 5s);
        return frame;
    }

    TempDir dir{"kl8-window"};
    MainFrame* frame = nullptr;
};

TEST_F(MainWindow, ShowsItsControlsAsLaidOut) {
    open(dir / "彩票信息.txt");
    EXPECT_EQ(utf8(frame->GetTitle()), "北京快乐8 彩票数据——Zarnovel");
    ASSERT_EQ(frame->GetIcons().GetIconCount(), 1u);
    const wxIcon icon = frame->GetIcons().GetIconByIndex(0);
    EXPECT_EQ(icon.GetWidth(), 48);
    EXPECT_EQ(icon.GetHeight(), 48);
    EXPECT_EQ(utf8(frame->标签1->GetLabel()), "从那天开始导出：");
    EXPECT_EQ(utf8(frame->按钮1->GetLabel()), "开始");
    EXPECT_EQ(utf8(frame->标签3->GetLabel()), "");
    EXPECT_EQ(utf8(frame->标签2->GetLabelText()).find("该彩票是从2010.9.3开卖的！"), 0u);
    EXPECT_EQ(frame->标签2->GetForegroundColour(), wxColour(255, 0, 0));
    EXPECT_EQ(utf8(frame->日期框1->GetValue()), "2010年9月3日");
    EXPECT_EQ(frame->日期框1->value(), make_datetime(2010, 9, 3));
    EXPECT_TRUE(frame->按钮1->IsEnabled());

    struct Box {
        wxWindow* control;
        wxRect expected;
        const char* why;
    };
    const Box boxes[] = {
        {frame->日期框1, wxRect(144, 14, 112, 25), "日期框1"},
        {frame->按钮1, wxRect(265, 3, 88, 48), "按钮1"},
        {frame->标签2, wxRect(7, 73, 344, 48), "标签2"},
    };
    for (const Box& b : boxes) {
        SCOPED_TRACE(b.why);
        EXPECT_EQ(b.control->GetRect(), b.expected);
    }
    // The one-line labels are centred vertically in their boxes.
    const Box centred[] = {
        {frame->标签1, wxRect(24, 14, 104, 32), "标签1"},
        {frame->标签3, wxRect(80, 48, 192, 16), "标签3"},
    };
    for (const Box& b : centred) {
        SCOPED_TRACE(b.why);
        const wxRect r = b.control->GetRect();
        EXPECT_EQ(r.x, b.expected.x);
        EXPECT_EQ(r.width, b.expected.width);
        EXPECT_NEAR(r.y + r.height / 2.0, b.expected.y + b.expected.height / 2.0, 1.0);
    }
}

TEST_F(MainWindow, TakesATypedDayAndPutsBackAWrongOne) {
    open(dir / "彩票信息.txt");
    struct Case {
        std::string typed;
        DateTime expected;
        std::string shown;
        const char* why;
    };
    const Case cases[] = {
        {"2024-05-01", make_datetime(2024, 5, 1), "2024年5月1日", "ISO form"},
        {"no day", make_datetime(2024, 5, 1), "2024年5月1日", "the last day stays"},
        {"2015年2月28日", make_datetime(2015, 2, 28), "2015年2月28日", "the box's own form"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        frame->日期框1->SetValue(wxString::FromUTF8(c.typed));
        EXPECT_EQ(frame->日期框1->value(), c.expected);
        EXPECT_EQ(utf8(frame->日期框1->GetValue()), c.shown);
    }
}

TEST_F(MainWindow, HarvestShowsProgressThenTheFinishNotice) {
    DrawSiteProcess site({"--today", iso_day(today()), "--rows-per-day", "5"});
    ASSERT_TRUE(site.ok()) << site.error();
    set_site_host(Text(site.host_port()));
    open(dir / "彩票信息.txt");

    // Two days before today: four days up to tomorrow, three of them with draws.
    frame->日期框1->set_value(add_days(today(), -2));
    click(frame->按钮1);
    EXPECT_FALSE(frame->按钮1->IsEnabled()) << "disabled while the harvest runs";
    wxDialog* notice = nullptr;
    ASSERT_TRUE(pump_until([&] { return (notice = shown_dialog("信息：")) != nullptr; }, 30s));

    EXPECT_EQ(dialog_text(notice), "获取结束");
    // The last progress is today's: tomorrow, the last day, is not reported.
    EXPECT_EQ(utf8(frame->标签3->GetLabel()), "当前导出数据：" + date_box_text(today()));
    EXPECT_FALSE(frame->按钮1->IsEnabled()) << "disabled until the notice is closed";
    EXPECT_EQ(count_lines(read_file(dir / "彩票信息.txt")), 15);

    click(notice->FindWindow(wxID_OK));
    EXPECT_TRUE(pump_until([] { return shown_dialog("信息：") == nullptr; }, 5s));
    EXPECT_TRUE(frame->按钮1->IsEnabled());
    EXPECT_EQ(frame->日期框1->value(), add_days(today(), -2)) << "a harvest keeps the day";
}

TEST_F(MainWindow, StartAfterTomorrowGivesANoteAndNoHarvest) {
    open(dir / "彩票信息.txt");
    frame->日期框1->set_value(add_days(today(), 2));
    click(frame->按钮1);
    wxDialog* note = nullptr;
    ASSERT_TRUE(pump_until([&] { return (note = shown_dialog("信息：")) != nullptr; }, 5s));
    EXPECT_EQ(dialog_text(note), "开始日期不能晚于明天");
    EXPECT_FALSE(harvest_running());
    EXPECT_TRUE(frame->按钮1->IsEnabled());
}

TEST_F(MainWindow, RecordFileThatCannotBeOpenedIsReportedAtStart) {
    // A directory in the file's place cannot be opened as the record file.
    std::filesystem::create_directory(dir / "彩票信息.txt");
    open(dir / "彩票信息.txt");
    wxDialog* note = nullptr;
    ASSERT_TRUE(pump_until([&] { return (note = shown_dialog("信息：")) != nullptr; }, 5s));
    EXPECT_EQ(dialog_text(note).rfind("记录文件无法打开，没有写入任何数据：", 0), 0u)
        << dialog_text(note);
    EXPECT_TRUE(frame->IsShown()) << "the window works on";
    EXPECT_TRUE(frame->按钮1->IsEnabled());
}

}  // namespace
}  // namespace kl8
