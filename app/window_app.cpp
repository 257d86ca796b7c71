#include "app/window_app.h"

#include <wx/app.h>
#include <wx/init.h>

#include <cstdio>

#include "app/window_fatal.h"
#include "app/window_frame.h"
#include "harvest/harvest_state.h"
#include "harvest/record_file.h"
#include "web/fetch.h"

namespace kl8 {
namespace {

// wx's own checks go to standard error: a dialog of wx's would block the window (and a run
// without anyone at the screen).
void report_wx_assertion(const wxString& file, int line, const wxString& func, const wxString& cond,
                         const wxString& message) {
    std::fprintf(stderr, "kl8-export: wx assertion %s failed in %s (%s:%d): %s\n",
                 static_cast<const char*>(cond.utf8_str()),
                 static_cast<const char*>(func.utf8_str()),
                 static_cast<const char*>(file.utf8_str()), line,
                 static_cast<const char*>(message.utf8_str()));
}

class WindowApp : public wxApp {
   public:
    bool OnInit() override {
        install_window_fatal_reporter();
        auto* frame = new MainFrame(default_record_path());
        frame->Show();
        return true;
    }

    int OnExit() override {
        // The window is gone; a harvest still running (the window was destroyed by force)
        // ends here, before its state is released.
        stop_harvest();
        set_fatal_reporter({});
        return wxApp::OnExit();
    }
};

}  // namespace

int run_window(int argc, char** argv) {
    web_global_init();
    wxSetAssertHandler(report_wx_assertion);
    wxApp::SetInstance(new WindowApp);
    const int code = wxEntry(argc, argv);
    // The exit handler: the state's texts, then the record file, closed here.
    harvest_state().release_texts();
    harvest_state().record_file.reset();
    return code;
}

}  // namespace kl8
