// The keyboard waits: until a key is up (emptying the buffer), and until it is pressed anew.
#include "gameloop.h"
#include "headless.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

class KeyWaitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless::install();
        key[KEY_ENTER] = 0;
        clear_keybuf();
    }
    void TearDown() override { key[KEY_ENTER] = 0; }
};

void after_ms(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

TEST_F(KeyWaitTest, WaitForClearEmptiesTheKeyboardBufferOnceTheKeyIsUp)
{
    simulate_keypress('a');
    simulate_keypress('b');
    ASSERT_TRUE(keypressed());
    wait_for_clear(KEY_ENTER);
    EXPECT_FALSE(keypressed());
}

TEST_F(KeyWaitTest, WaitForClearWaitsForAHeldKeyToBeReleased)
{
    key[KEY_ENTER] = 1;
    std::atomic<bool> released{false};
    std::thread person([&] {
        after_ms(120);
        released = true;
        key[KEY_ENTER] = 0;
    });
    wait_for_clear(KEY_ENTER);
    const bool returned_after_release = released;
    person.join();
    EXPECT_TRUE(returned_after_release);
}

TEST_F(KeyWaitTest, WaitForKeyNeedsAReleaseThenAFreshPress)
{
    key[KEY_ENTER] = 1;
    std::atomic<int> stage{0}; // 1: released, 2: pressed again
    std::thread person([&] {
        after_ms(120);
        key[KEY_ENTER] = 0;
        stage = 1;
        after_ms(120);
        stage = 2;
        key[KEY_ENTER] = 1;
    });
    wait_for_key(KEY_ENTER);
    const int stage_at_return = stage;
    person.join();
    EXPECT_EQ(stage_at_return, 2);
}

} // namespace
