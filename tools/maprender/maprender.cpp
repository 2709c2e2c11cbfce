// The map renderer.
#include "maprender.h"

#include "maplib.h"

#include <loadpng.h>

namespace {

constexpr int PALETTE_DEPTH = 8;
constexpr int CMAP_ENTRY_SIZE = 3;

// The backdrop in the picture's depth: the palette index itself at 8 bits, else the colour
// the map's palette gives that index.
int backdrop(BITMAP *picture)
{
    if (bitmap_color_depth(picture) == PALETTE_DEPTH)
        return BACKDROP_COLOUR;
    if (!mapcmappt)
        return makecol_depth(bitmap_color_depth(picture), 0, 0, 0);
    const unsigned char *rgb = mapcmappt + BACKDROP_COLOUR * CMAP_ENTRY_SIZE;
    return makecol_depth(bitmap_color_depth(picture), rgb[0], rgb[1], rgb[2]);
}

} // namespace

BITMAP *render_loaded_map()
{
    if (mapblockstaggerx || mapblockstaggery || !mappt)
        return nullptr;
    int w = mapwidth * mapblockgapx;
    int h = mapheight * mapblockgapy;
    BITMAP *picture = create_bitmap(w, h);
    if (!picture)
        return nullptr;
    constexpr int first_foreground = 0, second_foreground = 1;
    clear_to_color(picture, backdrop(picture));
    MapDrawBGT(picture, 0, 0, 0, 0, w, h);
    MapDrawFG(picture, 0, 0, 0, 0, w, h, first_foreground);
    MapDrawFG(picture, 0, 0, 0, 0, w, h, second_foreground);
    return picture;
}

bool save_map_png(const std::string &path, BITMAP *picture, std::string &problem)
{
    const RGB *palette = mapcmappt ? mapcmap6bit : default_palette;
    if (save_png(path.c_str(), picture, palette) != 0) {
        problem = path + ": cannot write the PNG file";
        return false;
    }
    return true;
}
