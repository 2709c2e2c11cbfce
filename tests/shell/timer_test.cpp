// The game timer's tick counter: one tick per callback, and the loop's sleep until the next.
#include "timer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

class TimerTest : public ::testing::Test {
protected:
    void SetUp() override { counter = 0; }
    void TearDown() override { counter = 0; }
};

TEST_F(TimerTest, EachCallbackAddsOneTick)
{
    game_timer();
    EXPECT_EQ(counter.load(), 1);
    game_timer();
    game_timer();
    EXPECT_EQ(counter.load(), 3);
}

// The loop sleeps until the timer's next tick instead of polling.
TEST_F(TimerTest, TheWaitEndsWithTheNextTick)
{
    wait_for_tick(1); // the counter is 0, not 1: returns at once
    std::atomic<bool> ticked{false};
    std::thread timer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        ticked = true;
        game_timer();
    });
    wait_for_tick(0);
    EXPECT_TRUE(ticked.load()) << "woke before the tick";
    timer.join();
}

} // namespace
