#pragma once
// The system's texts (code page 936) as wx shows them. wx needs Unicode: under the C locale a
// narrow literal with Chinese text would turn into an empty string.

#include <wx/string.h>

#include "foundation/text.h"

namespace kl8 {

// Through UTF-8; the line breaks "\r\n" of the system's texts become "\n".
wxString ui_text(const Text& gbk);

}  // namespace kl8
