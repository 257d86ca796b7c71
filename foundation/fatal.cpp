#include "foundation/fatal.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "foundation/codepage.h"
#include "foundation/gbk_literals.h"

namespace kl8 {
namespace {

std::mutex reporter_mutex;
FatalReporter installed_reporter;

void write_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

void report_to_stderr(const Text& report) {
    // Terminals here speak UTF-8; the report itself is code page 936.
    write_all(STDERR_FILENO, text_to_utf8(report));
}

}  // namespace

Text fatal_report_text(int code, const Text& message) {
    Text report(gbk::FATAL_HEADER);
    if (code != 0) {
        report = concat_text(report, Text(gbk::FATAL_CODE_LABEL), int_text(code), Text("\r\n\r\n"));
    }
    if (!message.empty()) {
        report = concat_text(report, Text(gbk::FATAL_MESSAGE_LABEL), message, Text("\r\n"));
    }
    return report;
}

void set_fatal_reporter(FatalReporter reporter) {
    std::lock_guard lock(reporter_mutex);
    installed_reporter = std::move(reporter);
}

void report_fatal_error(int code, const Text& message) {
    // One report at a time: a second thread that fails meanwhile waits here until the
    // process ends.
    static std::mutex one_report;
    one_report.lock();
    Text report = fatal_report_text(code, message);
    FatalReporter reporter;
    {
        std::lock_guard lock(reporter_mutex);
        reporter = installed_reporter;
    }
    if (reporter) {
        reporter(report);
    } else {
        report_to_stderr(report);
    }
    std::_Exit(-1);
}

void report_out_of_memory(long long requested_bytes) {
    // The count goes into a fixed buffer: no allocation is needed to say that allocation failed.
    // The message's "%d" takes the count.
    const char* format = gbk::MSG_OUT_OF_MEMORY;
    const char* slot = std::strstr(format, "%d");
    char message[128];
    std::snprintf(message, sizeof message, "%.*s%lld%s", static_cast<int>(slot - format), format,
                  requested_bytes, slot + 2);
    report_fatal_error(0, Text(message));
}

}  // namespace kl8

// Every allocation of the program goes through here, so a failed one ends in the one fatal
// report with the size that was asked for. Sanitizer builds keep their own allocator.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KL8_KEEP_SYSTEM_NEW 1
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && !defined(KL8_KEEP_SYSTEM_NEW)
void* operator new(std::size_t size) {
    if (size == 0) size = 1;
    for (;;) {
        if (void* p = std::malloc(size)) return p;
        if (std::new_handler handler = std::get_new_handler()) {
            handler();
            continue;
        }
        kl8::report_out_of_memory(static_cast<long long>(size));
    }
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#endif
