#pragma once
// 日期框1: a date box that shows the long date of its day ("2010年9月3日") whatever the locale,
// with a drop-down calendar. Its value is always a whole day at 00:00:00.
//
// The user may also type a day in any form read_date_box_text reads; the text is taken on
// Return, when the box loses the focus, and when the value is read. A text that names no day
// puts the box back to its last day.

#include <wx/combo.h>

#include "foundation/datetime.h"

namespace kl8 {

class DateBox : public wxComboCtrl {
   public:
    DateBox(wxWindow* parent, wxWindowID id, DateTime day, const wxPoint& position,
            const wxSize& size);

    // Takes a typed text first.
    DateTime value();
    // Shows day (its time of day dropped).
    void set_value(DateTime day);
    // Takes the typed text: true when it named a day, which is now the value; otherwise the
    // text shows the value again.
    bool take_typed_text();

   private:
    DateTime day_;
};

}  // namespace kl8
