#include "web/cancel.h"

#include <utility>

namespace kl8 {

CancelToken::Hook::Hook(Hook&& other) noexcept
    : token_(std::exchange(other.token_, nullptr)), id_(other.id_) {}

CancelToken::Hook& CancelToken::Hook::operator=(Hook&& other) noexcept {
    if (this != &other) {
        release();
        token_ = std::exchange(other.token_, nullptr);
        id_ = other.id_;
    }
    return *this;
}

CancelToken::Hook::~Hook() { release(); }

void CancelToken::Hook::release() {
    if (token_ == nullptr) return;
    std::lock_guard lock(token_->mutex_);
    token_->hooks_.erase(id_);
    token_ = nullptr;
}

void CancelToken::cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    // Hooks run under the lock so that a Hook being destroyed on another thread waits for
    // them: whatever a hook touches is still alive while it runs.
    for (auto& [id, hook] : hooks_) hook();
    changed_.notify_all();
}

bool CancelToken::is_cancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

void CancelToken::reset() {
    std::lock_guard lock(mutex_);
    cancelled_ = false;
}

bool CancelToken::wait_for(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return cancelled_; });
}

CancelToken::Hook CancelToken::on_cancel(std::function<void()> on_cancel) {
    std::lock_guard lock(mutex_);
    const int id = next_hook_id_++;
    hooks_.emplace(id, std::move(on_cancel));
    return Hook(this, id);
}

}  // namespace kl8
