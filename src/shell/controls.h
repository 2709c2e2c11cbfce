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
// What one pad presses: its first stick moves, one button jumps, another runs.
control_state pad_controls(const JOYSTICK_INFO &pad, const key_bindings &keys);
// The first pad, freshly read, or nullptr without one.
const JOYSTICK_INFO *first_pad();

// SPACE, or the pad's Start button: leaves the title.
bool start_pressed();

#endif
