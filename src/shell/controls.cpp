// The player's controls: the keys of the level loop and the first gamepad, read together.
#include "controls.h"

namespace {

// The first stick's axes and the buttons, as the library numbers them.
constexpr int STICK = 0;
constexpr int AXIS_X = 0;
constexpr int AXIS_Y = 1;
constexpr int BUTTON_JUMP = 0; // A, or the cross
constexpr int BUTTON_RUN = 1;  // B, or the circle
// Start sits at 7 on pads laid out like the Xbox's and at 9 on most others.
constexpr int START_BUTTONS[] = {7, 9};

bool button_down(const JOYSTICK_INFO &pad, int button)
{
    return button < pad.num_buttons && pad.button[button].b;
}

// The first pad, freshly read, or nullptr without one.
const JOYSTICK_INFO *first_pad()
{
    if (num_joysticks < 1)
        return nullptr;
    poll_joystick();
    return &joy[0];
}

} // namespace

void install_pad()
{
    install_joystick(JOY_TYPE_AUTODETECT);
}

control_state pad_controls(const JOYSTICK_INFO &pad)
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
    c.jump = button_down(pad, BUTTON_JUMP);
    c.run = button_down(pad, BUTTON_RUN);
    return c;
}

control_state read_controls()
{
    control_state c;
    if (const JOYSTICK_INFO *pad = first_pad())
        c = pad_controls(*pad);
    c.left = c.left || key[KEY_LEFT];
    c.right = c.right || key[KEY_RIGHT];
    c.up = c.up || key[KEY_UP];
    c.down = c.down || key[KEY_DOWN];
    c.jump = c.jump || key[KEY_LCONTROL]; // left Ctrl only
    c.run = c.run || key[KEY_ALT];        // left Alt only
    c.spare = key[KEY_SPACE];
    return c;
}

bool start_pressed()
{
    if (key[KEY_SPACE])
        return true;
    const JOYSTICK_INFO *pad = first_pad();
    if (!pad)
        return false;
    for (int button : START_BUTTONS)
        if (button_down(*pad, button))
            return true;
    return false;
}
