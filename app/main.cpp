// kl8-export: with no arguments it opens the window; otherwise the command line runs.

#include <cstdio>

#include "app/cli.h"
#ifdef KL8_WITH_WINDOW
#include "app/window_app.h"
#endif

int main(int argc, char** argv) {
    if (std::optional<int> code = kl8::run_command_line(argc, argv)) return *code;
#ifdef KL8_WITH_WINDOW
    return kl8::run_window(argc, argv);
#else
    std::fputs("kl8-export: this build has no window; run it with --from DAY (see --help)\n",
               stderr);
    return 2;
#endif
}
