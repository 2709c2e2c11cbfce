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

BITMAP *render_loaded_map(std::string &problem)
{
    if (mapblockstaggerx || mapblockstaggery) {
        problem = "the map is staggered: its cells do not tile a rectangle";
        return nullptr;
    }
    if (!mappt) {
        problem = "the map has no layer 0";
        return nullptr;
    }
    // Map sizes and gaps come from the file: their product can exceed any bitmap, or an int.
    const long long w = static_cast<long long>(mapwidth) * mapblockgapx;
    const long long h = static_cast<long long>(mapheight) * mapblockgapy;
    if (!MapBitmapFits(w, h, get_color_depth())) {
        problem = "the whole map would be " + MapBitmapSizeText(w, h, get_color_depth());
        return nullptr;
    }
    BITMAP *picture = create_bitmap(static_cast<int>(w), static_cast<int>(h));
    if (!picture) {
        problem = "not enough memory for a picture of " + std::to_string(w) + " x " +
                  std::to_string(h) + " pixels";
        return nullptr;
    }
    constexpr int first_foreground = 0, second_foreground = 1;
    clear_to_color(picture, backdrop(picture));
    MapDrawBGT(picture, 0, 0, 0, 0, picture->w, picture->h);
    MapDrawFG(picture, 0, 0, 0, 0, picture->w, picture->h, first_foreground);
    MapDrawFG(picture, 0, 0, 0, 0, picture->w, picture->h, second_foreground);
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
