// The level loop: one attempt at the level at a fixed 40 ticks a second, and the keyboard
// waits.
#ifndef GAMELOOP_H
#define GAMELOOP_H

#include "attempt.h"
#include "controls.h"
#include "cues.h"
#include "replayplay.h"
#include "screenshot.h"
#include "session.h"

#include <allegro.h>

#include <optional>

// What the level loop keeps from one pass to the next.
struct level_play {
    explicit level_play(game_session &s);

    game_session &session;
    attempt now;
    screenshot_taker screenshots;
    cue_watcher cues;
    press pause_key{true}; // a press from before the attempt does not count
    bool paused_by_player = false; // P, or the pad's Start
    bool showing_paused = false;   // the frame stands with "Paused" over it
    std::optional<replay_ghost> ghost;
};

// Play one attempt at the session's level, its map loaded afresh, drawing into bmp. Returns
// level_quit (ESC or a request to close the window), level_died (fell out of the map) or
// level_load_failed (maperror tells why). Ticks that arrived before the attempt, while play was
// paused or while the level was built anew, are dropped; every other tick is run.
int play_level(BITMAP *bmp, game_session &session);

// One pass of the level loop over the `ticks` that have arrived since the last: the controls
// are sampled and the ticks run (or, playing back, the next recorded pass once its ticks have
// arrived), their sounds played, the pass recorded and the ghost moved on, and a frame is drawn
// and presented after at least one tick (with a screenshot when S was pressed). While play is
// paused (P, the pad's Start, or the window without the keyboard focus) the frame stands with
// "Paused" over it and the ticks are dropped. ESC, or a request to close the window, ends the
// attempt with level_quit after the batch, as does the end of a recorded attempt. Returns the
// ticks used or dropped.
int level_pass(level_play &play, BITMAP *bmp, int ticks);

// The attempt goes on after the session's level was built again: replaced, its map is loaded
// and the girl stays as she is where her body is clear of its solid blocks, starting afresh at
// its start otherwise; refused, the map she was playing is loaded again. The camera keeps its
// place inside the map, and the frame is shown at once. Returns false, the attempt ended with
// level_load_failed, when the map cannot be loaded.
bool go_on_after_reload(level_play &play, BITMAP *bmp, reload_outcome outcome);

// Wait until the key is up, then empty the keyboard buffer.
void wait_for_clear(int k);
// Wait until the key is up, then until it is down again.
void wait_for_key(int k);

#endif
