// The map renderer: the whole loaded map in one picture, its layers in the order the game
// draws them.
#ifndef MAPRENDER_H
#define MAPRENDER_H

#include <allegro.h>

#include <string>

// Palette index of the backdrop that shows through see-through blocks.
constexpr int BACKDROP_COLOUR = 54;

// A new bitmap at the screen's depth, the loaded map's full size, holding the backdrop, the
// background drawn see-through, then the three foreground layers. A staggered map's picture
// holds its shifted rows whole; graphics larger than the gaps between cells are drawn centred
// on their cells. Null without a current layer or when memory runs out. Caller destroys it.
BITMAP *render_loaded_map();

// Save a rendered map as PNG; 8-bit pictures take the map's palette (Allegro's default one
// when the map has none). False with a message in problem.
bool save_map_png(const std::string &path, BITMAP *picture, std::string &problem);

#endif
