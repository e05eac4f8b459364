#include "core/poweroffrequests.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

using namespace ringvale;

namespace {

// Waits for a condition another thread makes true, without a fixed sleep.
template <typename Condition> bool eventually(Condition condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::yield();
    }
    return true;
}

TEST(PowerOffRequests, RunOffTheCallersThreadOneAtATimeAndRetryARefusalAfterAPause) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> runs{0};
    std::atomic<bool> accept{false};
    auto now = std::chrono::steady_clock::time_point{};
    PowerOffRequests requests(
        [&] {
            ++runs;
            released.wait();
            return accept.load();
        },
        [&] { return now; });

    requests.requestPowerOff(); // returns although the command blocks
    requests.requestPowerOff();
    ASSERT_TRUE(eventually([&] { return runs == 1; }));
    EXPECT_EQ(requests.startedCount(), 1);
    EXPECT_TRUE(requests.isOutstanding());

    release.set_value(); // refused
    ASSERT_TRUE(eventually([&] { return !requests.isOutstanding(); }));
    now += PowerOffRequests::kRetryInterval - std::chrono::milliseconds(1);
    requests.requestPowerOff();
    EXPECT_EQ(requests.startedCount(), 1);

    now += std::chrono::milliseconds(1);
    accept = true;
    requests.requestPowerOff();
    EXPECT_EQ(requests.startedCount(), 2);
    ASSERT_TRUE(eventually([&] { return !requests.isOutstanding(); }));
    EXPECT_EQ(runs, 2);
}

} // namespace
