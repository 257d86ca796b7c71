#include "app/window_frame.h"

#include <wx/display.h>
#include <wx/panel.h>
#include <wx/settings.h>

#include <mutex>

#include "app/icon.h"
#include "app/window_date_text.h"
#include "app/window_notice.h"
#include "app/window_text.h"
#include "foundation/gbk_literals.h"
#include "harvest/harvest_state.h"
#include "harvest/record_file.h"

namespace kl8 {

struct FrameLink {
    std::mutex mutex;
    MainFrame* frame = nullptr;

    // Any thread: runs action on the UI thread, unless the frame is gone by then.
    template <typename Action>
    void post(Action action) {
        std::lock_guard lock(mutex);
        if (frame)
            frame->CallAfter([target = frame, action = std::move(action)] { action(*target); });
    }
};

namespace {

// A one-line label in the box (left, top, width, height), its text centred vertically: a
// label of wx takes its own height, so it is placed in the middle of the box.
wxStaticText* box_label(wxWindow* parent, const wxString& name, const wxString& text, int left,
                        int top, int width, int height) {
    auto* label = new wxStaticText(parent, wxID_ANY, text, wxPoint(left, top), wxSize(width, -1),
                                   wxST_NO_AUTORESIZE | wxALIGN_LEFT, name);
    // The height of one line of this font, whatever the caption (标签3 starts empty).
    const int line = label->GetTextExtent(wxString::FromUTF8("国")).y;
    label->SetSize(left, top + (height - line) / 2, width, line);
    label->SetForegroundColour(*wxBLACK);
    return label;
}

}  // namespace

MainFrame::MainFrame(const std::filesystem::path& record_path)
    : wxFrame(nullptr, wxID_ANY, ui_text(Text(gbk::WINDOW_TITLE)), wxDefaultPosition,
              wxSize(WINDOW_WIDTH, WINDOW_HEIGHT),
              wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX),
      link_(std::make_shared<FrameLink>()) {
    link_->frame = this;
    SetIcon(make_window_icon());
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));

    auto* face = new wxPanel(this, wxID_ANY);
    face->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
    // 9 points, the size of the system's dialog font that the layout's boxes were made for;
    // the usual 10 points of GTK would not fit "从那天开始导出：" into 标签1's 104 pixels.
    face->SetFont(wxFontInfo(9));

    标签1 = box_label(face, wxString::FromUTF8("标签1"), ui_text(Text(gbk::LABEL1_TEXT)), 24, 14,
                      104, 32);
    日期框1 =
        new DateBox(face, wxID_ANY, initial_date_box_day(), wxPoint(144, 14), wxSize(112, 25));
    日期框1->SetName(wxString::FromUTF8("日期框1"));
    按钮1 = new wxButton(face, wxID_ANY, ui_text(Text(gbk::BUTTON1_TEXT)), wxPoint(265, 3),
                         wxSize(88, 48), 0, wxDefaultValidator, wxString::FromUTF8("按钮1"));
    标签3 = box_label(face, wxString::FromUTF8("标签3"), wxEmptyString, 80, 48, 192, 16);
    标签2 = new wxStaticText(face, wxID_ANY, ui_text(Text(gbk::LABEL2_TEXT)), wxPoint(7, 73),
                             wxSize(344, 48), wxST_NO_AUTORESIZE | wxALIGN_LEFT,
                             wxString::FromUTF8("标签2"));
    标签2->SetForegroundColour(wxColour(255, 0, 0));
    标签2->Wrap(344);

    // Fixed: the outer size is the only size (no resize border, no maximise box).
    SetSizeHints(GetSize(), GetSize());
    centre_on_screen();
    Bind(wxEVT_SIZE, &MainFrame::on_size, this);

    按钮1->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { on_start(); });
    Bind(wxEVT_CLOSE_WINDOW, &MainFrame::on_close, this);
    on_created(record_path);
}

MainFrame::~MainFrame() {
    {
        std::lock_guard lock(link_->mutex);
        link_->frame = nullptr;
    }
    if (stopper_.joinable()) stopper_.join();
}

void MainFrame::centre_on_screen() {
    const int display = wxDisplay::GetFromWindow(this);
    const wxRect screen =
        wxDisplay(display == wxNOT_FOUND ? 0u : static_cast<unsigned>(display)).GetGeometry();
    Move(screen.x + (screen.width - WINDOW_WIDTH) / 2,
         screen.y + (screen.height - WINDOW_HEIGHT) / 2);
}

void MainFrame::on_size(wxSizeEvent& event) {
    event.Skip();
    // wxGTK learns the size of the window manager's frame only once the window is mapped, and
    // then keeps the client size it had guessed, which changes the outer size (and the window
    // manager may have placed it anew). Put both right, a few times at most: a window manager
    // that insists on another size wins.
    const wxSize outer(WINDOW_WIDTH, WINDOW_HEIGHT);
    if (GetSize() == outer || size_fixes_ >= 3) return;
    ++size_fixes_;
    CallAfter([this, outer] {
        SetSizeHints(outer, outer);
        SetSize(outer);
        centre_on_screen();
    });
}

void MainFrame::on_created(const std::filesystem::path& record_path) {
    std::shared_ptr<RecordFile> file = RecordFile::open(record_path);
    harvest_state().record_file = file;
    if (!file->is_open()) {
        // After the window is up, so that the notice has it to sit on.
        const wxString note =
            ui_text(Text(gbk::NO_RECORD_FILE_NOTE)) + "\n" + wxString::FromUTF8(file->error());
        CallAfter(
            [this, note] { new NoticeDialog(this, ui_text(Text(gbk::FINISH_CAPTION)), note); });
    }
}

HarvestFrontEnd MainFrame::front_end() {
    HarvestFrontEnd front;
    // Both run on the worker threads: they only queue work for the UI thread.
    front.show_progress = [link = link_](const Text& progress) {
        link->post(
            [caption = ui_text(progress)](MainFrame& frame) { frame.标签3->SetLabel(caption); });
    };
    front.finished = [link = link_](const HarvestSummary& summary) {
        link->post([summary](MainFrame& frame) { frame.harvest_finished(summary); });
    };
    return front;
}

void MainFrame::on_start() {
    if (closing_) return;
    HarvestSettings settings;
    settings.start_day = 日期框1->value();
    switch (start_harvest(settings, front_end())) {
        case StartResult::started:
            按钮1->Disable();
            break;
        case StartResult::start_after_end:
            new NoticeDialog(this, ui_text(Text(gbk::FINISH_CAPTION)),
                             ui_text(Text(gbk::START_AFTER_END_NOTE)));
            break;
        case StartResult::already_running:
            // The button is disabled while a harvest runs; a click queued before that is
            // dropped.
            break;
    }
}

void MainFrame::harvest_finished(const HarvestSummary& summary) {
    if (closing_) return;
    new NoticeDialog(this, ui_text(Text(gbk::FINISH_CAPTION)), ui_text(finish_notice_text(summary)),
                     [this] { 按钮1->Enable(); });
}

void MainFrame::on_close(wxCloseEvent& event) {
    if (closing_) {
        if (event.CanVeto()) event.Veto();
        return;
    }
    closing_ = true;
    if (!harvest_running()) {
        Destroy();
        return;
    }
    if (!event.CanVeto()) {
        stop_harvest();
        Destroy();
        return;
    }
    event.Veto();
    Hide();
    stopper_ = std::thread([link = link_] {
        stop_harvest();
        link->post([](MainFrame& frame) { frame.Destroy(); });
    });
}

}  // namespace kl8
