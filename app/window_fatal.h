#pragma once
// The fatal report as the window shows it: a modal error box titled "错误" with the report
// text, an error icon and one OK button.

#include "foundation/fatal.h"

namespace kl8 {

// Installs a reporter for report_fatal_error. On the UI thread the box is shown at once; on
// another thread it is shown by the UI thread, and the calling thread waits until it is
// closed. Needs a running wx application.
void install_window_fatal_reporter();

}  // namespace kl8
