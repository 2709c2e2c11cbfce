// The girl's starting state, the status setter and the jump latch of set_control.
#include "girlchar.h"

#include <gtest/gtest.h>

namespace {

TEST(GirlControl, ANewGirlStandsFacingRightReadyToJumpAndGrab)
{
    girl_character g;
    EXPECT_EQ(g.half_width, 4);
    EXPECT_EQ(g.height, 19);
    EXPECT_EQ(g.status, status_stand);
    EXPECT_FALSE(g.facing_left);
    EXPECT_TRUE(g.jump_ready);
    EXPECT_FALSE(g.jump_pending);
    EXPECT_TRUE(g.grab_ready);
    EXPECT_EQ(g.xv.v, 0);
    EXPECT_EQ(g.yv.v, 0);
}

TEST(GirlControl, SettingAStatusRestartsItsAnimationOnly)
{
    girl_character g;
    g.frame = 7;
    g.timer = 3;
    g.set_status(status_climb);
    EXPECT_EQ(g.status, status_climb);
    EXPECT_EQ(g.frame, 0);
    EXPECT_EQ(g.timer, 3);
}

TEST(GirlControl, DirectionsAndRunAreCopiedEveryPass)
{
    girl_character g;
    g.set_control(true, false, true, false, false, true, true);
    EXPECT_TRUE(g.btn_left);
    EXPECT_FALSE(g.btn_right);
    EXPECT_TRUE(g.btn_up);
    EXPECT_FALSE(g.btn_down);
    EXPECT_TRUE(g.btn_run);
    EXPECT_TRUE(g.btn_spare);
    g.set_control(false, true, false, true, false, false, false);
    EXPECT_FALSE(g.btn_left);
    EXPECT_TRUE(g.btn_right);
    EXPECT_TRUE(g.btn_down);
    EXPECT_FALSE(g.btn_run);
    EXPECT_FALSE(g.btn_spare);
}

TEST(GirlControl, AHeldJumpIsOnePressUntilReleased)
{
    girl_character g;
    g.set_control(false, false, false, false, true, false, false);
    EXPECT_TRUE(g.jump_held);
    EXPECT_TRUE(g.jump_pending);
    EXPECT_FALSE(g.jump_ready);
    g.jump_pending = false; // a status rule used it
    g.set_control(false, false, false, false, true, false, false);
    EXPECT_FALSE(g.jump_pending) << "still the same press";
    g.set_control(false, false, false, false, false, false, false);
    EXPECT_FALSE(g.jump_held);
    EXPECT_TRUE(g.jump_ready);
    g.set_control(false, false, false, false, true, false, false);
    EXPECT_TRUE(g.jump_pending) << "a new press";
}

TEST(GirlControl, ReleasingDropsAnUnusedPress)
{
    girl_character g;
    g.set_control(false, false, false, false, true, false, false);
    g.set_control(false, false, false, false, true, false, false);
    EXPECT_TRUE(g.jump_pending) << "waits while the control stays down";
    g.set_control(false, false, false, false, false, false, false);
    EXPECT_FALSE(g.jump_pending);
    g.set_control(false, false, false, false, false, false, false);
    EXPECT_FALSE(g.jump_pending);
    EXPECT_TRUE(g.jump_ready);
}

} // namespace
