// The player's controls: the keys of the level loop and the first gamepad, read together.
#include "controls.h"

namespace {

// The first stick's axes and the buttons, as the library numbers them.
constexpr int STICK = 0;
constexpr int AXIS_X = 0;
constexpr int AXIS_Y = 1;
// Start sits at 7 on pads laid out like the Xbox's and at 9 on most others.
constexpr int START_BUTTONS[] = {7, 9};

bool button_down(const JOYSTICK_INFO &pad, int button)
{
    return button >= 0 && button < pad.num_buttons && pad.button[button].b;
}

bool key_down(int scancode)
{
    return scancode > 0 && scancode < KEY_MAX && key[scancode];
}

// What one pad presses: its first stick moves, one button jumps, another runs.
control_state pad_controls(const JOYSTICK_INFO &pad, const key_bindings &keys)
{
    control_state c;
    if (pad.num_sticks > STICK) {
        const JOYSTICK_STICK_INFO &stick = pad.stick[STICK];
        if (stick.num_axis > AXIS_X) {
            c.left = stick.axis[AXIS_X].d1;
            c.right = stick.axis[AXIS_X].d2;
        }
        if (stick.num_axis > AXIS_Y) {
            c.up = stick.axis[AXIS_Y].d1;
            c.down = stick.axis[AXIS_Y].d2;
        }
    }
    c.jump = button_down(pad, keys.of[binding_pad_jump]);
    c.run = button_down(pad, keys.of[binding_pad_run]);
    return c;
}

} // namespace

const JOYSTICK_INFO *first_pad()
{
    if (num_joysticks < 1)
        return nullptr;
    poll_joystick();
    return &joy[0];
}

void install_pad()
{
    install_joystick(JOY_TYPE_AUTODETECT);
}

control_state read_controls(const key_bindings &keys)
{
    control_state c;
    if (const JOYSTICK_INFO *pad = first_pad())
        c = pad_controls(*pad, keys);
    c.left = c.left || key_down(keys.of[binding_left]);
    c.right = c.right || key_down(keys.of[binding_right]);
    c.up = c.up || key_down(keys.of[binding_up]);
    c.down = c.down || key_down(keys.of[binding_down]);
    c.jump = c.jump || key_down(keys.of[binding_jump]);
    c.run = c.run || key_down(keys.of[binding_run]);
    c.spare = key[KEY_SPACE];
    return c;
}

bool pad_start_down()
{
    const JOYSTICK_INFO *pad = first_pad();
    if (!pad)
        return false;
    for (int button : START_BUTTONS)
        if (button_down(*pad, button))
            return true;
    return false;
}

bool start_pressed()
{
    return key[KEY_SPACE] || pad_start_down();
}

bool press::pressed(bool down)
{
    const bool pressed_now = down && !held_;
    held_ = down;
    return pressed_now;
}
