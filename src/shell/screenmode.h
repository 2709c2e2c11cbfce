// The game's screen: which modes are tried in which order, where the enlarged 320 x 240
// picture lies on them, and switching between full screen and window.
#ifndef SCREENMODE_H
#define SCREENMODE_H

#include "options.h"

#include <allegro.h>

#include <vector>

constexpr int GAME_SCREEN_W = 320;
constexpr int GAME_SCREEN_H = 240;

// The picture on a screen: every game pixel a scale x scale square, top-left corner at (x, y).
struct picture_layout {
    int scale, x, y;
};

// The largest whole factor that fits the screen (at least 1), centred.
picture_layout layout_for(int screen_w, int screen_h);

struct screen_mode {
    bool full_screen;
    int w, h;
};

// The modes to try, in order, for the options on a desktop of the given size.
std::vector<screen_mode> modes_to_try(const game_options &options, int desktop_w, int desktop_h);

// Stand-ins for the display, so that tests can decide what works.
using set_mode_function = int (*)(int card, int w, int h, int v_w, int v_h);
using desktop_size_function = int (*)(int *w, int *h);
struct screen_system {
    set_mode_function set_mode = set_gfx_mode;
    desktop_size_function desktop_size = get_desktop_resolution;
};

// Sets the first mode that works, in the desktop's colour depth; bitmaps made afterwards are
// 8-bit, as the game composes its picture. Returns false, after telling the person why none
// works, when there is no screen. Later switches use the same system.
bool open_game_screen(const game_options &options, const screen_system &system = {});

// Full screen to window or back. A switch that fails keeps the mode the game had; returns
// false, after telling the person, only when not even that mode can be set again.
bool switch_full_screen();

#endif
