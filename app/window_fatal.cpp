#include "app/window_fatal.h"

#include <wx/app.h>
#include <wx/msgdlg.h>
#include <wx/thread.h>

#include <condition_variable>
#include <mutex>

#include "app/window_text.h"
#include "foundation/gbk_literals.h"

namespace kl8 {
namespace {

void show_fatal_box(const Text& report) {
    wxMessageDialog box(nullptr, ui_text(report), ui_text(Text(gbk::FATAL_CAPTION)),
                        wxOK | wxICON_ERROR | wxCENTRE);
    box.ShowModal();
}

}  // namespace

void install_window_fatal_reporter() {
    set_fatal_reporter([](const Text& report) {
        if (wxThread::IsMain() || !wxTheApp) {
            show_fatal_box(report);
            return;
        }
        struct Shown {
            std::mutex mutex;
            std::condition_variable closed_cv;
            bool closed = false;
        };
        auto shown = std::make_shared<Shown>();
        wxTheApp->CallAfter([report, shown] {
            show_fatal_box(report);
            {
                std::lock_guard lock(shown->mutex);
                shown->closed = true;
            }
            shown->closed_cv.notify_all();
        });
        std::unique_lock lock(shown->mutex);
        shown->closed_cv.wait(lock, [&] { return shown->closed; });
    });
}

}  // namespace kl8
