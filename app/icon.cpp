#include "app/icon.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/font.h>

namespace kl8 {

wxIcon make_window_icon() {
    wxBitmap picture(ICON_SIZE, ICON_SIZE, 24);
    {
        wxMemoryDC dc(picture);
        // The corners, outside the ball, in the button face of the window it sits on.
        dc.SetBackground(wxBrush(wxColour(240, 240, 240)));
        dc.Clear();
        dc.SetPen(wxPen(wxColour(150, 0, 0), 2));
        dc.SetBrush(wxBrush(wxColour(220, 20, 30)));
        dc.DrawCircle(24, 24, 22);
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(*wxWHITE_BRUSH);
        dc.DrawCircle(24, 24, 14);
        // A gleam at the upper left makes it read as a ball.
        dc.SetBrush(wxBrush(wxColour(255, 140, 140)));
        dc.DrawEllipse(9, 8, 8, 6);
        dc.SetTextForeground(wxColour(200, 0, 0));
        dc.SetFont(wxFontInfo(wxSize(0, 22)).Bold());
        const wxString eight = "8";
        const wxSize extent = dc.GetTextExtent(eight);
        dc.DrawText(eight, (ICON_SIZE - extent.x) / 2, (ICON_SIZE - extent.y) / 2);
    }
    wxIcon icon;
    icon.CopyFromBitmap(picture);
    return icon;
}

}  // namespace kl8
