// The player's controls from the keyboard and the first gamepad together: either one presses
// a control.
#ifndef CONTROLS_H
#define CONTROLS_H

#include "keymap.h"

#include <allegro.h>

struct control_state {
    bool left = false, right = false, up = false, down = false;
    bool jump = false, run = false, spare = false;
};

// Looks for gamepads; without one the keyboard alone plays.
void install_pad();

// The seven controls now: the chosen keys, or the pad's stick and chosen buttons; the spare
// control is SPACE.
control_state read_controls(const key_bindings &keys = key_bindings{});
// The first pad, freshly read, or nullptr without one.
const JOYSTICK_INFO *first_pad();

// The pad's Start button is down.
bool pad_start_down();
// SPACE, or the pad's Start button: leaves the title.
bool start_pressed();

// A key or button that acts once for each press, however long it is held: asked every pass
// whether it is down, it answers true only for the first pass of a press.
class press {
public:
    // Held: a press under way now is not one.
    explicit press(bool held = false) : held_(held) {}
    bool pressed(bool down);

private:
    bool held_;
};

#endif
