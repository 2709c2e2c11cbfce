// One attempt at the level as a value: the girl, the camera and how the attempt stands. It is
// advanced pass by pass from given controls and ticks, and drawn as one frame; the level loop,
// the tests and anything else that plays the level drive it through these functions alone.
#ifndef ATTEMPT_H
#define ATTEMPT_H

#include "controls.h"
#include "girlchar.h"

#include <allegro.h>

// A map pixel: where the girl's feet are.
struct map_point {
    int x, y;
};

// Where the girl starts when nothing else says.
constexpr map_point GIRL_START{1350, 447};

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

// One pass of the level loop on the loaded map: the controls latched once, then `ticks` ticks.
// A death does not cut the batch short. With no tick the controls are still latched.
void advance(attempt &a, const control_state &controls, int ticks);
// One tick: the girl moves, a fall out of the map ends the attempt (level_died) and the camera
// follows her.
void run_tick(attempt &a);

// The frame of the attempt as it stands, into a 320 x 240 picture: the camera is kept inside
// the map first, then the backdrop, the map's layers, the girl and the two lines of text.
void draw_attempt(BITMAP *picture, attempt &a);

#endif
