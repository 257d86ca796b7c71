#include "app/window_text.h"

#include "foundation/codepage.h"

namespace kl8 {

wxString ui_text(const Text& gbk) {
    wxString text = wxString::FromUTF8(text_to_utf8(gbk));
    text.Replace("\r\n", "\n");
    return text;
}

}  // namespace kl8
