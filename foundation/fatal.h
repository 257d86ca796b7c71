#pragma once
// The one fatal path: build the report, show it, end the process with exit code -1 (status 255).
//
// How the report is shown is replaceable: the command line writes it to standard error (the
// default), the window installs a modal message box. The reporter is called on the thread that
// raised the error and must return once the user has seen the report; the process then ends.

#include <functional>

#include "foundation/text.h"

namespace kl8 {

// "运行时出错!\r\n\r\n", then "错误代码：<code>\r\n\r\n" unless code is 0, then
// "错误信息：<message>\r\n" unless message is empty. Code page 936.
Text fatal_report_text(int code, const Text& message);

using FatalReporter = std::function<void(const Text& report)>;
// Installs the reporter; an empty function restores the standard-error one.
void set_fatal_reporter(FatalReporter reporter);

[[noreturn]] void report_fatal_error(int code, const Text& message);

// The reports the foundation raises.
[[noreturn]] void report_out_of_memory(long long requested_bytes);

}  // namespace kl8
