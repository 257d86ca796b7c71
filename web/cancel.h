#pragma once
// A stop flag that one thread raises and others check or wait on.
//
// Thread-safe. cancel() wakes every wait_for at once and runs every registered hook (on the
// cancelling thread) so that work blocked elsewhere, such as a transfer waiting on a socket,
// can be interrupted. The flag stays raised until reset().

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>

namespace kl8 {

class CancelToken {
   public:
    // Keeps a hook registered for its lifetime; destroying it unregisters the hook, after
    // which the hook is never called again (a cancel() running the hook finishes first).
    class Hook {
       public:
        Hook() = default;
        Hook(Hook&& other) noexcept;
        Hook& operator=(Hook&& other) noexcept;
        Hook(const Hook&) = delete;
        Hook& operator=(const Hook&) = delete;
        ~Hook();

       private:
        friend class CancelToken;
        Hook(CancelToken* token, int id) : token_(token), id_(id) {}
        void release();
        CancelToken* token_ = nullptr;
        int id_ = 0;
    };

    CancelToken() = default;
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    void cancel();
    [[nodiscard]] bool is_cancelled() const;
    void reset();
    // Waits up to timeout; true when the token is cancelled before or during the wait.
    [[nodiscard]] bool wait_for(std::chrono::milliseconds timeout);

    // Registers on_cancel to run on every later cancel(). It must be quick and must not call
    // back into this token. When the token is already cancelled it is not run now: callers
    // check is_cancelled() after registering.
    [[nodiscard]] Hook on_cancel(std::function<void()> on_cancel);

   private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool cancelled_ = false;
    int next_hook_id_ = 1;
    std::map<int, std::function<void()>> hooks_;
};

}  // namespace kl8
