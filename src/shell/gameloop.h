// The level loop: one attempt at the level at a fixed 40 ticks a second, its camera and the
// keyboard waits.
#ifndef GAMELOOP_H
#define GAMELOOP_H

#include "attempt.h"
#include "level.h"
#include "screenshot.h"

#include <allegro.h>

class girl_character;

// What the level loop keeps from one pass to the next.
struct level_play {
    explicit level_play(map_point start) : now(start) {}

    attempt now;
    screenshot_taker screenshots;
    bool paused = false; // the window is without the keyboard focus
};

// Play one attempt at the level, its map loaded afresh, drawing into bmp. Returns level_quit
// (ESC or a request to close the window), level_died (fell out of the map) or
// level_load_failed (maperror tells why). Ticks that arrived before the attempt, or while the
// window was without the keyboard focus, are dropped; every other tick is run.
int play_level(BITMAP *bmp, const level &lvl);

// One pass of the level loop over the `ticks` that have arrived since the last: the controls
// are sampled and the ticks run, and a frame is drawn and presented after at least one (with a
// screenshot when S was pressed). While the window is without the keyboard focus the frame
// stands with "Paused" over it and the ticks are dropped. ESC, or a request to close the
// window, ends the attempt with level_quit after the batch.
void level_pass(level_play &play, BITMAP *bmp, int ticks);

// Wait until the key is up, then empty the keyboard buffer.
void wait_for_clear(int k);
// Wait until the key is up, then until it is down again.
void wait_for_key(int k);

// Drag the camera so that the girl stays inside the dead zone of the screen.
void update_offset(girl_character *player, int &xoff, int &yoff);
// Keep the camera inside the map.
void sanity_check(int &xoff, int &yoff);

#endif
