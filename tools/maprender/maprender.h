// The map renderer: the whole loaded map in one picture, its layers in the order the game
// draws them.
#ifndef MAPRENDER_H
#define MAPRENDER_H

#include <allegro.h>

#include <string>

// Palette index of the backdrop that shows through see-through blocks.
constexpr int BACKDROP_COLOUR = 54;

// A new bitmap at the depth of the loaded map's block graphics and at the map's full size,
// holding the backdrop, the background drawn see-through, then the three foreground layers. A
// staggered map's picture holds its shifted rows whole; graphics larger than the gaps between
// cells are drawn centred on their cells. Null with the reason in problem when the map has no
// layer 0, would make a picture larger than MapBitmapFits allows, or memory runs out. Caller
// destroys it.
BITMAP *render_loaded_map(std::string &problem);

// True when the file name's extension (any case) names a format the renderer writes: .png,
// .bmp, .pcx or .tga; false with a message in problem otherwise.
bool check_picture_name(const std::string &path, std::string &problem);

// Save a rendered map in the format its name asks for; 8-bit pictures take the map's palette
// (Allegro's default one when the map has none), true-colour ones are saved opaque. A file
// already there is replaced only by a complete picture, and never through a symbolic link.
// False with a message in problem.
bool save_map_picture(const std::string &path, BITMAP *picture, std::string &problem);

#endif
