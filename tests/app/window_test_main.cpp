// The window tests' main: a failed wx check fails the test that made it instead of opening
// wx's assertion dialog, which would hang a run with nobody at the screen.

#include <gtest/gtest.h>
#include <wx/debug.h>
#include <wx/string.h>

namespace {

void fail_on_wx_assertion(const wxString& file, int line, const wxString& func,
                          const wxString& cond, const wxString& message) {
    ADD_FAILURE() << "wx assertion " << cond.utf8_str() << " in " << func.utf8_str() << " ("
                  << file.utf8_str() << ":" << line << "): " << message.utf8_str();
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    wxSetAssertHandler(fail_on_wx_assertion);
    return RUN_ALL_TESTS();
}
