#include "app/window_date_box.h"

#include <wx/calctrl.h>
#include <wx/textctrl.h>

#include "app/window_date_text.h"

namespace kl8 {
namespace {

wxDateTime to_wx_date(DateTime day) {
    return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(day_of(day)),
                      static_cast<wxDateTime::Month>(month_of(day) - 1), year_of(day));
}

DateTime from_wx_date(const wxDateTime& date) {
    return make_datetime(date.GetYear(), static_cast<int>(date.GetMonth()) + 1, date.GetDay());
}

#ifdef __WXGTK3__
// wx applies a style sheet of its own to a GTK widget through a protected member; this opens
// it to the date box.
struct CssAccess : wxWindow {
    using wxWindow::GTKApplyCssStyle;
};
#endif

// The GTK theme pads an entry by 8 pixels a side, which leaves too little of the box's 112
// pixels for "2010年9月3日" beside the drop-down button.
void narrow_padding(wxTextCtrl* typed) {
#ifdef __WXGTK3__
    auto apply = static_cast<void (wxWindow::*)(const char*)>(&CssAccess::GTKApplyCssStyle);
    (typed->*apply)("entry { padding-left: 3px; padding-right: 1px; min-height: 0; }");
#else
    (void)typed;
#endif
}

// The drop-down calendar. A chosen day goes into the box at once; a double click, Return or
// Escape closes the calendar, as does a click anywhere outside it.
class CalendarPopup : public wxCalendarCtrl, public wxComboPopup {
   public:
    bool Create(wxWindow* parent) override {
        if (!wxCalendarCtrl::Create(
                parent, wxID_ANY, wxDefaultDateTime, wxDefaultPosition, wxDefaultSize,
                wxCAL_SHOW_HOLIDAYS | wxCAL_SEQUENTIAL_MONTH_SELECTION | wxBORDER_SIMPLE)) {
            return false;
        }
        Bind(wxEVT_CALENDAR_SEL_CHANGED, [this](wxCalendarEvent&) { choose(false); });
        Bind(wxEVT_CALENDAR_DOUBLECLICKED, [this](wxCalendarEvent&) { choose(true); });
        Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& event) {
            const int key = event.GetKeyCode();
            if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
                choose(true);
            } else if (key == WXK_ESCAPE) {
                Dismiss();
            } else {
                event.Skip();
            }
        });
        return true;
    }
    wxWindow* GetControl() override { return this; }
    void SetStringValue(const wxString& text) override {
        if (auto day = read_date_box_text(std::string(text.utf8_str()))) SetDate(to_wx_date(*day));
    }
    wxString GetStringValue() const override {
        return wxString::FromUTF8(date_box_text(from_wx_date(GetDate())));
    }
    wxSize GetAdjustedSize(int min_width, int, int) override {
        const wxSize best = GetBestSize();
        return wxSize(std::max(min_width, best.x), best.y);
    }

   private:
    void choose(bool close) {
        if (auto* box = dynamic_cast<DateBox*>(GetComboCtrl())) {
            box->set_value(from_wx_date(GetDate()));
        }
        if (close) Dismiss();
    }
};

}  // namespace

DateBox::DateBox(wxWindow* parent, wxWindowID id, DateTime day, const wxPoint& position,
                 const wxSize& size)
    : wxComboCtrl(parent, id, wxEmptyString, position, size, wxTE_PROCESS_ENTER),
      day_(whole_day(day)) {
    SetPopupControl(new CalendarPopup);
    set_value(day_);
    Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { take_typed_text(); });
    if (wxTextCtrl* typed = GetTextCtrl()) {
        narrow_padding(typed);
        typed->Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) {
            // Not while the calendar takes the focus: it sets the value itself.
            if (!IsPopupShown()) take_typed_text();
            event.Skip();
        });
    }
}

DateTime DateBox::value() {
    take_typed_text();
    return day_;
}

void DateBox::set_value(DateTime day) {
    day_ = whole_day(day);
    const wxString text = wxString::FromUTF8(date_box_text(day_));
    if (GetValue() != text) SetValue(text);
}

bool DateBox::take_typed_text() {
    std::optional<DateTime> typed = read_date_box_text(std::string(GetValue().utf8_str()));
    if (typed) day_ = *typed;
    set_value(day_);
    return typed.has_value();
}

}  // namespace kl8
