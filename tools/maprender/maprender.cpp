// The map renderer.
#include "maprender.h"

#include "maplib.h"

#include <loadpng.h>

#include <algorithm>
#include <cstdlib>

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

// Where the picture lies in map pixels, and its size. It covers the cells' grid: on a staggered
// map the odd rows stick out by the stagger and the rows overlap, each a gap high. Graphics
// larger than the gap stand centred on their cells, reaching out equally on every side.
struct PictureFrame {
    int mapx = 0, mapy = 0, width = 0, height = 0;
};

PictureFrame picture_frame()
{
    const int reach_x = std::max(0, (mapblockwidth - mapblockgapx) / 2);
    const int reach_y = std::max(0, (mapblockheight - mapblockgapy) / 2);
    if (!mapblockstaggerx && !mapblockstaggery)
        return {reach_x, reach_y, mapwidth * mapblockgapx, mapheight * mapblockgapy};
    // The library draws the first cell one gap up and left of the stagger. A negative stagger
    // shifts the even rows instead of the odd ones; the picture is as wide as a row and, when
    // there is more than one, the shift.
    const int first_x = mapblockstaggerx - mapblockgapx, first_y = mapblockstaggery - mapblockgapy;
    const bool odd_rows = mapheight > 1;
    auto row_top = [](int row) {
        return row / 2 * mapblockgapy + (row % 2 ? mapblockstaggery : 0);
    };
    const int left = std::min(0, mapblockstaggerx);
    const int top = std::min(0, mapblockstaggery);
    const int width = mapwidth * mapblockgapx + (odd_rows ? std::abs(mapblockstaggerx) : 0);
    const int bottom =
        std::max(row_top(mapheight - 1), odd_rows ? row_top(mapheight - 2) : 0) + mapblockgapy;
    return {first_x + left + reach_x, first_y + top + reach_y, width, bottom - top};
}

// The backdrop, the background drawn see-through, then the three foreground layers.
void draw_map(BITMAP *picture, int mapx, int mapy)
{
    constexpr int first_foreground = 0, second_foreground = 1, third_foreground = 2;
    const int w = picture->w, h = picture->h;
    clear_to_color(picture, backdrop(picture));
    MapDrawBGT(picture, mapx, mapy, 0, 0, w, h);
    for (int layer : {first_foreground, second_foreground, third_foreground})
        MapDrawFG(picture, mapx, mapy, 0, 0, w, h, layer);
}

} // namespace

BITMAP *render_loaded_map()
{
    if (!mappt)
        return nullptr;
    const PictureFrame frame = picture_frame();
    BITMAP *picture = create_bitmap(frame.width, frame.height);
    if (!picture)
        return nullptr;
    const bool overhang = mapblockwidth > mapblockgapx || mapblockheight > mapblockgapy;
    if (!overhang) {
        draw_map(picture, frame.mapx, frame.mapy);
        return picture;
    }
    // The library walks only the cells that begin near the window; drawn with a margin of a
    // whole graphic, the cells whose graphics reach in from outside are drawn too.
    BITMAP *canvas =
        create_bitmap(frame.width + 2 * mapblockwidth, frame.height + 2 * mapblockheight);
    if (!canvas) {
        destroy_bitmap(picture);
        return nullptr;
    }
    draw_map(canvas, frame.mapx - mapblockwidth, frame.mapy - mapblockheight);
    blit(canvas, picture, mapblockwidth, mapblockheight, 0, 0, frame.width, frame.height);
    destroy_bitmap(canvas);
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
