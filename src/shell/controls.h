// The player's controls from the keyboard and the first gamepad together: either one presses
// a control.
#ifndef CONTROLS_H
#define CONTROLS_H

#include <allegro.h>

struct control_state {
    bool left = false, right = false, up = false, down = false;
    bool jump = false, run = false, spare = false;
};

// Looks for gamepads; without one the keyboard alone plays.
void install_pad();

// The seven controls now: the keys of the level loop, or the pad's stick and buttons.
control_state read_controls();
// What one pad presses: its first stick moves, one button jumps, another runs.
control_state pad_controls(const JOYSTICK_INFO &pad);

// SPACE, or the pad's Start button: leaves the title.
bool start_pressed();

#endif
