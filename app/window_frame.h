#pragma once
// The main window: 标签1, 日期框1, 按钮1, 标签3 and 标签2 at fixed client positions in a
// fixed-size frame of 362 x 133 (outer size), centred on the screen.
//
// Created handler: opens the record file and keeps it in harvest_state(); a file that cannot
// be opened is reported in a notice (the window works on, and a harvest says it wrote nothing).
// 按钮1 starts a harvest from the date box's day to tomorrow and stays disabled until the
// harvest's finish notice is closed. Progress reaches 标签3 through the UI thread.
// Closing the window during a harvest stops the chain (the request in flight is cancelled,
// the running worker finishes its whole lines) and then destroys the window.
//
// UI thread only, except where a comment says otherwise.

#include <wx/button.h>
#include <wx/frame.h>
#include <wx/stattext.h>

#include <filesystem>
#include <memory>
#include <thread>

#include "app/window_date_box.h"
#include "harvest/harvest_runner.h"

namespace kl8 {

inline constexpr int WINDOW_WIDTH = 362;
inline constexpr int WINDOW_HEIGHT = 133;

// Where the workers hand their reports to the UI thread. The frame clears it when it goes, so
// a report that comes later is dropped instead of reaching a destroyed window.
struct FrameLink;

class MainFrame : public wxFrame {
   public:
    // record_path: the record file to open, beside the executable in the program.
    explicit MainFrame(const std::filesystem::path& record_path);
    ~MainFrame() override;

    // The controls, by their given names.
    wxStaticText* 标签1 = nullptr;
    DateBox* 日期框1 = nullptr;
    wxButton* 按钮1 = nullptr;
    wxStaticText* 标签3 = nullptr;
    wxStaticText* 标签2 = nullptr;

   private:
    void on_created(const std::filesystem::path& record_path);
    void on_start();
    void on_close(wxCloseEvent& event);
    void on_size(wxSizeEvent& event);
    void centre_on_screen();
    void harvest_finished(const HarvestSummary& summary);
    HarvestFrontEnd front_end();

    std::shared_ptr<FrameLink> link_;
    bool closing_ = false;
    // Times the outer size was put right after the window manager's decorations came in.
    int size_fixes_ = 0;
    // Waits for the stopped harvest off the UI thread, so that the UI keeps serving the
    // workers (a fatal report on a worker needs it) while the chain winds down.
    std::thread stopper_;
};

}  // namespace kl8
