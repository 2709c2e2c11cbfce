// The "Redefine keys" screen: each control asked in turn for a key, then the pad's jump and
// run for a button when a pad is there; ESC leaves the keys as they were.
#ifndef KEYSCREEN_H
#define KEYSCREEN_H

#include "keymap.h"

#include <allegro.h>

// The player's answers so far. A key or button given to one control is taken from any other
// that had it; once every control has been asked, those left without one are asked again, in
// order, so that the keys chosen in the end leave no control without one.
struct key_choice {
    key_choice(const key_bindings &current, bool pad_present);

    key_bindings chosen;  // UNBOUND where a control has lost its key to another
    int questions;        // the controls asked: all of them with a pad, the six keys without
    int asked = 0;        // how many of them have been asked in order so far
    int refused_key = 0;  // the game's own key just pressed, to say so; 0 when none
};

// The control asked now, or binding_count once every control has its key.
binding asked_now(const key_choice &choice);
// The answer to the question asked now: a scancode for a key, a number for a pad button. The
// game's own keys are refused and the question stays.
void answer(key_choice &choice, int value);
// The screen as it stands, into a 320 x 240 picture: the heading, each control asked with
// its key, the question, and what ESC does (or which key was refused).
void draw_key_choice(BITMAP *picture, const key_choice &choice);

enum class key_screen_end { saved, not_saved, kept, window_closed };

// Shows the screen in `picture` until every control is answered, ESC or a request to close
// the window. A key answers when it goes down, so that keys held from before count only once
// released. Completed, the keys become `keys` and are saved (not_saved after a warning: they
// serve all the same); otherwise `keys` and the controls file stay as they were.
key_screen_end redefine_keys(BITMAP *picture, key_bindings &keys);

#endif
