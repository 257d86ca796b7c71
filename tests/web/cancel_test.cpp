#include "web/cancel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace kl8 {
namespace {

using std::chrono::milliseconds;

TEST(CancelToken, FlagWaitAndReset) {
    CancelToken token;
    EXPECT_FALSE(token.is_cancelled());
    EXPECT_FALSE(token.wait_for(milliseconds(1))) << "a wait without cancel runs out";
    token.cancel();
    EXPECT_TRUE(token.is_cancelled());
    EXPECT_TRUE(token.wait_for(milliseconds(0))) << "already cancelled before the wait";
    token.reset();
    EXPECT_FALSE(token.is_cancelled());
}

TEST(CancelToken, CancelFromAnotherThreadEndsTheWait) {
    CancelToken token;
    std::thread canceller([&] { token.cancel(); });
    // Returns as soon as the other thread cancels; the hour is never waited out.
    EXPECT_TRUE(token.wait_for(std::chrono::hours(1)));
    canceller.join();
}

TEST(CancelToken, HooksRunOnCancelUntilReleased) {
    CancelToken token;
    std::atomic<int> calls = 0;
    {
        CancelToken::Hook hook = token.on_cancel([&] { ++calls; });
        CancelToken::Hook moved = std::move(hook);
        token.cancel();
        EXPECT_EQ(calls, 1) << "a moved hook stays registered once";
    }
    token.reset();
    token.cancel();
    EXPECT_EQ(calls, 1) << "a destroyed hook is not called";
}

}  // namespace
}  // namespace kl8
