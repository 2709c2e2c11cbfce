// The controls from the keyboard and the first gamepad together, read through the library's
// joystick state as a real pad fills it.
#include "controls.h"
#include "headless.h"

#include <gtest/gtest.h>

namespace {

constexpr int PAD_BUTTONS = 12;

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless::install();
        release_everything();
    }
    void TearDown() override { release_everything(); }

    static void release_everything()
    {
        for (int k = 0; k < KEY_MAX; ++k)
            key[k] = 0;
        joy[0] = JOYSTICK_INFO{};
        num_joysticks = 0;
    }

    // One pad as the library describes a common one: a two-axis stick and twelve buttons.
    static JOYSTICK_INFO &plug_in_pad()
    {
        num_joysticks = 1;
        JOYSTICK_INFO &pad = joy[0];
        pad.flags = JOYFLAG_DIGITAL;
        pad.num_sticks = 1;
        pad.stick[0].num_axis = 2;
        pad.num_buttons = PAD_BUTTONS;
        return pad;
    }
};

TEST_F(ControlsTest, TheStickMovesOneButtonJumpsAnotherRunsAndTheKeyboardStillCounts)
{
    JOYSTICK_INFO &pad = plug_in_pad();
    pad.stick[0].axis[0].d2 = 1; // right
    pad.stick[0].axis[1].d1 = 1; // up
    pad.button[0].b = 1;
    key[KEY_LEFT] = 1;
    control_state c = read_controls();
    EXPECT_TRUE(c.left) << "the keyboard";
    EXPECT_TRUE(c.right) << "the stick";
    EXPECT_TRUE(c.up);
    EXPECT_FALSE(c.down);
    EXPECT_TRUE(c.jump) << "the first button";
    EXPECT_FALSE(c.run);

    pad = JOYSTICK_INFO{};
    plug_in_pad();
    pad.stick[0].axis[0].d1 = 1;
    pad.stick[0].axis[1].d2 = 1;
    pad.button[1].b = 1;
    key[KEY_LEFT] = 0;
    key[KEY_LCONTROL] = 1;
    c = read_controls();
    EXPECT_TRUE(c.left);
    EXPECT_FALSE(c.right);
    EXPECT_TRUE(c.down);
    EXPECT_TRUE(c.run) << "the second button";
    EXPECT_TRUE(c.jump) << "left Ctrl while the pad does not jump";
}

TEST_F(ControlsTest, StartLeavesTheTitleAsSpaceDoesAndWithoutAPadNothingChanges)
{
    EXPECT_FALSE(start_pressed());
    key[KEY_SPACE] = 1;
    EXPECT_TRUE(start_pressed());
    key[KEY_SPACE] = 0;

    JOYSTICK_INFO &pad = plug_in_pad();
    for (int start : {7, 9}) {
        pad.button[start].b = 1;
        EXPECT_TRUE(start_pressed()) << "button " << start;
        pad.button[start].b = 0;
    }
    pad.button[0].b = 1;
    EXPECT_FALSE(start_pressed()) << "jumping does not start";

    // The same state left behind by a pad that is gone is not read.
    pad.button[7].b = 1;
    pad.stick[0].axis[0].d2 = 1;
    num_joysticks = 0;
    EXPECT_FALSE(start_pressed());
    const control_state c = read_controls();
    EXPECT_FALSE(c.right || c.jump);
}

} // namespace
