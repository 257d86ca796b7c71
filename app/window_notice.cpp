#include "app/window_notice.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace kl8 {

NoticeDialog::NoticeDialog(wxWindow* parent, const wxString& caption, const wxString& text,
                           std::function<void()> on_closed)
    : wxDialog(parent, wxID_ANY, caption, wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      on_closed_(std::move(on_closed)) {
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(new wxStaticText(this, wxID_ANY, text), wxSizerFlags().Border(wxALL, 16));
    auto* ok = new wxButton(this, wxID_OK);
    column->Add(ok, wxSizerFlags().Centre().Border(wxLEFT | wxRIGHT | wxBOTTOM, 12));
    SetSizerAndFit(column);
    SetMinSize(wxSize(200, -1));
    Fit();
    // Return and Escape both press OK, as they do in a message box with one button.
    SetAffirmativeId(wxID_OK);
    SetEscapeId(wxID_OK);
    ok->SetDefault();
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { close_notice(); }, wxID_OK);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { close_notice(); });
    CentreOnParent();
    Show();
    ok->SetFocus();
}

void NoticeDialog::close_notice() {
    if (!IsShown()) return;
    Hide();
    if (on_closed_) {
        // Taken out first: the callback may destroy windows, this one's parent included.
        std::function<void()> closed = std::move(on_closed_);
        on_closed_ = nullptr;
        closed();
    }
    Destroy();
}

}  // namespace kl8
