// The controls from the keyboard and the first gamepad together, read through the library's
// joystick state as a real pad fills it.
#include "controls.h"
#include "headless.h"

#include <gtest/gtest.h>

namespace {

TEST(Controls, ThePadsStickMovesItsButtonsJumpRunAndStartAlongsideTheKeyboard)
{
    headless::install();
    // A two-axis stick and twelve buttons, as the library describes a pad.
    JOYSTICK_INFO &pad = joy[0] = JOYSTICK_INFO{};
    num_joysticks = pad.num_sticks = 1;
    pad.stick[0].num_axis = 2;
    pad.num_buttons = 12;
    JOYSTICK_AXIS_INFO &across = pad.stick[0].axis[0], &along = pad.stick[0].axis[1];
    across.d2 = along.d1 = pad.button[0].b = 1; // right, up, A
    key[KEY_LEFT] = 1;
    control_state c = read_controls();
    EXPECT_TRUE(c.left && c.right && c.up && c.jump) << "keyboard and pad together";
    EXPECT_FALSE(c.down || c.run);
    EXPECT_FALSE(start_pressed()) << "jumping does not leave the title";

    across.d2 = along.d1 = pad.button[0].b = key[KEY_LEFT] = 0;
    along.d2 = pad.button[1].b = 1; // down, B
    c = read_controls();
    EXPECT_TRUE(c.down && c.run);
    EXPECT_FALSE(c.left || c.up || c.jump);
    for (int start : {7, 9}) { // Start on Xbox-like and on other pads
        pad.button[start].b = 1;
        EXPECT_TRUE(start_pressed()) << start;
        pad.button[start].b = 0;
    }

    // Without a pad its last state is not read; SPACE still starts.
    pad.button[7].b = 1;
    num_joysticks = 0;
    EXPECT_FALSE(start_pressed());
    EXPECT_FALSE(read_controls().run);
    key[KEY_SPACE] = 1;
    EXPECT_TRUE(start_pressed());
    key[KEY_SPACE] = 0;
    joy[0] = JOYSTICK_INFO{};
}

TEST(Controls, TheSevenControlsComeFromTheirKeysOnly)
{
    headless::install();
    for (int k : {KEY_RIGHT, KEY_UP, KEY_DOWN, KEY_LCONTROL, KEY_ALT, KEY_SPACE})
        key[k] = 1;
    control_state c = read_controls();
    EXPECT_TRUE(c.right && c.up && c.down && c.jump && c.run && c.spare);
    EXPECT_FALSE(c.left);
    for (int k : {KEY_RIGHT, KEY_UP, KEY_DOWN, KEY_LCONTROL, KEY_ALT, KEY_SPACE})
        key[k] = 0;
    key[KEY_RCONTROL] = key[KEY_ALTGR] = 1;
    c = read_controls();
    EXPECT_FALSE(c.jump) << "right Ctrl does not jump";
    EXPECT_FALSE(c.run) << "AltGr does not run";
    key[KEY_RCONTROL] = key[KEY_ALTGR] = 0;
}

} // namespace
