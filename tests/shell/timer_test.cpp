// The game timer's tick counter: one tick per callback, none lost while the loop consumes them.
#include "timer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <type_traits>
#include <vector>

namespace {

static_assert(std::is_same_v<decltype(counter), std::atomic<int>>,
              "the tick counter is shared with the timer context and must be atomic");

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

TEST_F(TimerTest, InitialisingTheTimerLeavesTheCountAlone)
{
    counter = 7;
    init_game_timer();
    EXPECT_EQ(counter.load(), 7);
}

// Ticks added from other threads while the main thread consumes them are neither lost nor
// counted twice.
TEST_F(TimerTest, TicksAddedWhileConsumingAreNeitherLostNorDoubled)
{
    constexpr int THREADS = 4;
    constexpr int TICKS_PER_THREAD = 50000;
    constexpr int CONSUMED = 60000;
    std::vector<std::thread> timers;
    for (int t = 0; t < THREADS; ++t)
        timers.emplace_back([] {
            for (int i = 0; i < TICKS_PER_THREAD; ++i)
                game_timer();
        });
    int consumed = 0;
    while (consumed < CONSUMED) {
        if (counter.load() > 0) {
            counter.fetch_sub(1);
            ++consumed;
        }
    }
    for (std::thread &t : timers)
        t.join();
    EXPECT_EQ(counter.load(), THREADS * TICKS_PER_THREAD - CONSUMED);
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
