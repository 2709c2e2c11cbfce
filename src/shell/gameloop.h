// The level loop: one attempt at the level at a fixed 40 ticks a second, its camera and the
// keyboard waits.
#ifndef GAMELOOP_H
#define GAMELOOP_H

#include <allegro.h>

class girl_character;

// Where the girl starts every attempt, in map pixels.
constexpr int GIRL_START_X = 1350;
constexpr int GIRL_START_Y = 447;

enum level_result {
    level_load_failed = -1,
    level_playing = 0,
    level_quit = 1,
    level_died = 2,
};

// Play one attempt on the map file, drawing into bmp. Returns level_quit (ESC or a request to
// close the window), level_died (fell out of the map) or level_load_failed (maperror tells
// why). Ticks that arrived before the attempt, or while the window was without the keyboard
// focus, are dropped; every other tick is run.
int play_level(BITMAP *bmp, const char *mapfile);

// MapLoad with block graphics made for the picture's colour depth rather than the screen's.
int load_map_for(BITMAP *picture, const char *mapfile);

// Wait until the key is up, then empty the keyboard buffer.
void wait_for_clear(int k);
// Wait until the key is up, then until it is down again.
void wait_for_key(int k);

// Drag the camera so that the girl stays inside the dead zone of the screen.
void update_offset(girl_character *player, int &xoff, int &yoff);
// Keep the camera inside the map.
void sanity_check(int &xoff, int &yoff);

#endif
