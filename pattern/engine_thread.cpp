#define PCRE2_CODE_UNIT_WIDTH 16
#include "pattern/engine_thread.h"

#include <pcre2.h>

#include "foundation/fatal.h"

namespace kl8 {

void EngineThread::MatchContextFree::operator()(pcre2_match_context_16* p) const {
    pcre2_match_context_free_16(p);
}
void EngineThread::JitStackFree::operator()(pcre2_jit_stack_16* p) const {
    pcre2_jit_stack_free_16(p);
}

EngineThread::EngineThread(Key) : match_context_(pcre2_match_context_create_16(nullptr)) {
    if (!match_context_) report_out_of_memory(static_cast<long long>(sizeof(void*) * 16));
    pcre2_set_match_limit_16(match_context_.get(), MATCH_LIMIT);
    pcre2_set_depth_limit_16(match_context_.get(), DEPTH_LIMIT);
    pcre2_set_heap_limit_16(match_context_.get(), HEAP_LIMIT_KIB);
    // Without a stack of its own, JIT code runs on 32 KiB of the machine stack, and patterns
    // that nest repeats run out of it on a long page. The stack grows on demand up to its
    // maximum; when it cannot be had, JIT code keeps the machine-stack default.
    jit_stack_.reset(pcre2_jit_stack_create_16(32 * 1024, JIT_STACK_MAX, nullptr));
    if (jit_stack_) pcre2_jit_stack_assign_16(match_context_.get(), nullptr, jit_stack_.get());
}

std::shared_ptr<EngineThread> EngineThread::enter() {
    // A weak reference: the environment lives exactly as long as some hold on it does.
    thread_local std::weak_ptr<EngineThread> current;
    if (auto held = current.lock()) return held;
    auto made = std::make_shared<EngineThread>(Key{});
    current = made;
    return made;
}

}  // namespace kl8
