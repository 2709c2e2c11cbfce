// One attempt at the level as a value: the girl, the camera and how the attempt stands. It is
// advanced pass by pass from given controls and ticks, and drawn as one frame; the level loop,
// the tests and anything else that plays the level drive it through these functions alone.
#ifndef ATTEMPT_H
#define ATTEMPT_H

#include "controls.h"
#include "girlchar.h"
#include "levelcheck.h"

#include <allegro.h>

enum level_result {
    level_load_failed = -1,
    level_playing = 0,
    level_quit = 1,
    level_died = 2,
};

struct attempt {
    // The girl placed at `start`, the camera at its first position, still playing.
    explicit attempt(map_point start);

    girl_character girl;
    int xoff, yoff; // the camera: the map pixel at the picture's top-left corner
    int result = level_playing;
};

// Told of each tick of a pass once it has run, for what it did (sounds, records); it sees the
// attempt and cannot change it.
class tick_watcher {
public:
    virtual void after_tick(const girl_character &before, const attempt &now) = 0;

protected:
    ~tick_watcher() = default;
};

// One pass of the level loop on the loaded map: the controls latched once, then `ticks` ticks,
// each moving the girl, noting a fall out of the map (level_died) and dragging the camera, and
// then telling the watcher, if any. A death does not cut the batch short. With no tick the
// controls are still latched.
void advance(attempt &a, const control_state &controls, int ticks,
             tick_watcher *watcher = nullptr);
// The two halves of a pass, for a follower whose passes straddle the level loop's.
void latch_controls(attempt &a, const control_state &controls);
void run_ticks(attempt &a, int ticks, tick_watcher *watcher = nullptr);

// Drag the camera so that the girl stays inside the dead zone of the screen.
void update_offset(girl_character *player, int &xoff, int &yoff);
// Keep the camera inside the map.
void sanity_check(int &xoff, int &yoff);

// Drawn into the frame over the map's first foreground layer and behind the girl, at the
// frame's camera.
class frame_underlay {
public:
    virtual void draw(BITMAP *picture, int xoff, int yoff) const = 0;

protected:
    ~frame_underlay() = default;
};

// The frame of the attempt as it stands, into a 320 x 240 picture: the camera is kept inside
// the map first, then the backdrop, the map's layers, the underlay if any, the girl and the
// two lines of text.
void draw_attempt(BITMAP *picture, attempt &a, const frame_underlay *underlay = nullptr);

#endif
