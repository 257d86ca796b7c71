#pragma once
// A modeless message box: a text, one OK button, no icon. The finish notice "获取结束" and the
// window's other messages use it, so that the main window stays usable while one is open (a
// modal box would block it, and wxMessageBox is application-modal on GTK).

#include <wx/dialog.h>

#include <functional>

namespace kl8 {

class NoticeDialog : public wxDialog {
   public:
    // Shows itself at once, centred over parent. on_closed runs once on the UI thread when
    // the user closes the notice (OK, Return, Escape or the close box); not when the notice is
    // destroyed together with its parent.
    NoticeDialog(wxWindow* parent, const wxString& caption, const wxString& text,
                 std::function<void()> on_closed = {});

   private:
    void close_notice();

    std::function<void()> on_closed_;
};

}  // namespace kl8
