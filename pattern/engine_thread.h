#pragma once
// The per-thread side of the pattern engine: what a thread must hold before it can make engine
// objects, and what those objects share on that thread.
//
// EngineThread::enter() is taken once by each matcher when it is made and released when the
// matcher is destroyed, so that a matcher's life is bracketed by one enter and one release on
// its thread. The first enter on a thread sets the environment up; the last release tears it
// down. The environment holds PCRE2's match context (with the work limits) and the JIT stack;
// both are used by one match at a time, so an engine object must be used only on the thread
// whose environment it holds.

#include <cstddef>
#include <memory>

struct pcre2_real_match_context_16;
struct pcre2_real_jit_stack_16;

namespace kl8 {

class EngineThread {
   public:
    // One more hold on the calling thread's environment, made on first use.
    static std::shared_ptr<EngineThread> enter();

    EngineThread(const EngineThread&) = delete;
    EngineThread& operator=(const EngineThread&) = delete;
    ~EngineThread() = default;

    // Match context with the limits below and the thread's JIT stack.
    pcre2_real_match_context_16* match_context() const { return match_context_.get(); }

    // Limits for one search (one pcre2_match call). Running out ends the search with no match.
    static constexpr unsigned MATCH_LIMIT = 10'000'000;
    static constexpr unsigned DEPTH_LIMIT = 100'000;
    static constexpr unsigned HEAP_LIMIT_KIB = 64 * 1024;
    static constexpr std::size_t JIT_STACK_MAX = 1024 * 1024;

   private:
    struct Key {
        explicit Key() = default;
    };

   public:
    explicit EngineThread(Key);

   private:
    struct MatchContextFree {
        void operator()(pcre2_real_match_context_16* p) const;
    };
    struct JitStackFree {
        void operator()(pcre2_real_jit_stack_16* p) const;
    };
    std::unique_ptr<pcre2_real_match_context_16, MatchContextFree> match_context_;
    std::unique_ptr<pcre2_real_jit_stack_16, JitStackFree> jit_stack_;
};

}  // namespace kl8
