// Setting the game's screen: 320 x 240 in 8-bit colour, full screen where the display allows,
// else in a window.
#ifndef SCREENMODE_H
#define SCREENMODE_H

#include <allegro.h>

constexpr int GAME_SCREEN_W = 320;
constexpr int GAME_SCREEN_H = 240;

// Sets a graphics mode as set_gfx_mode does; tests stand in their own.
using set_mode_function = int (*)(int card, int w, int h, int v_w, int v_h);

// Tries full screen, then a window. Returns false, after telling the person why neither
// works, when there is no screen; the colour depth must be selected first.
bool open_game_screen(set_mode_function set_mode = set_gfx_mode);

#endif
