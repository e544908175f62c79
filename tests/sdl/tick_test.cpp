#include <sys/sysinfo.h>
#include <time.h>

#include <gtest/gtest.h>

#include "core/frontend.h"

namespace {

// The game's tick is the system's uptime, like the tick count it was made
// for, not the time since the program started.
TEST(Tick, IsTheUptimeInMilliseconds) {
    struct sysinfo info {};
    ASSERT_EQ(sysinfo(&info), 0);
    const uint32_t tick = GetTick();
    const auto expected = static_cast<uint32_t>(static_cast<uint64_t>(info.uptime) * 1000u);
    // The uptime comes in whole seconds; the difference is taken modulo 2^32.
    const auto difference = static_cast<int32_t>(tick - expected);
    EXPECT_GE(difference, -1500);
    EXPECT_LE(difference, 2500);
}

TEST(Tick, CountsMilliseconds) {
    const uint32_t before = GetTick();
    const timespec pause{0, 60 * 1000 * 1000};
    nanosleep(&pause, nullptr);
    const uint32_t elapsed = GetTick() - before;
    EXPECT_GE(elapsed, 59u);
    EXPECT_LT(elapsed, 5000u) << "a loaded machine may stretch the pause, not by seconds";
}

}  // namespace
