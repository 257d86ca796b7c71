#pragma once
// The main window's own icon: a red lottery ball with a white "8", 48 x 48, 24-bit colour,
// drawn at run time.

#include <wx/icon.h>

namespace kl8 {

inline constexpr int ICON_SIZE = 48;

// Needs a running wx application (a display).
wxIcon make_window_icon();

}  // namespace kl8
