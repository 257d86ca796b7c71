#pragma once
// The window of kl8-export, run when the program gets no arguments.

namespace kl8 {

// Opens the main window and runs the UI until it is closed: 0 then, 255 (exit code -1) after
// a fatal report, which ends the process from inside. Call from main, before any thread.
int run_window(int argc, char** argv);

}  // namespace kl8
