// The map renderer.
#include "maprender.h"

#include "inputfiles.h"
#include "maplib.h"

#include <loadpng.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr int CMAP_ENTRY_SIZE = 3;
// Allegro writes the fourth byte of a 32-bit pixel as alpha, which map pixels leave at 0: such
// a picture is saved from a 24-bit copy, so that it comes out opaque.
constexpr int ALPHA_DEPTH = 32, OPAQUE_DEPTH = 24;

struct PictureFormat {
    const char *extension;
    const char *name;
    int (*save)(const char *path, BITMAP *picture, const RGB *palette);
};

// Allegro's own writer picks BMP, PCX or TGA by the extension; PNG comes from its add-on.
const PictureFormat picture_formats[] = {
    {".png", "PNG", save_png},
    {".bmp", "BMP", save_bitmap},
    {".pcx", "PCX", save_bitmap},
    {".tga", "TGA", save_bitmap},
};

// The format a file name asks for by its extension, in any case; null for none.
const PictureFormat *picture_format(const std::string &path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const PictureFormat &format : picture_formats)
        if (extension == format.extension)
            return &format;
    return nullptr;
}

// The backdrop in the picture's depth: the palette index itself at 8 bits, else the colour
// the map's palette gives that index.
int backdrop(BITMAP *picture)
{
    if (bitmap_color_depth(picture) == MAP_PALETTE_DEPTH)
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

// A picture at the depth of the map's block graphics. Map sizes and gaps come from the file:
// their product can exceed any bitmap, or an int, so the size is checked first. Null with the
// reason otherwise.
BITMAP *new_picture(long long w, long long h, std::string &problem)
{
    if (!MapBitmapFits(w, h, mapdepth)) {
        problem = "the whole map would be " + MapBitmapSizeText(w, h, mapdepth);
        return nullptr;
    }
    BITMAP *picture = create_bitmap_ex(mapdepth, static_cast<int>(w), static_cast<int>(h));
    if (!picture)
        problem = "not enough memory for a picture of " + std::to_string(w) + " x " +
                  std::to_string(h) + " pixels";
    return picture;
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

BITMAP *render_loaded_map(std::string &problem)
{
    if (!mappt) {
        problem = "the map has no layer 0";
        return nullptr;
    }
    const PictureFrame frame = picture_frame();
    const bool overhang = mapblockwidth > mapblockgapx || mapblockheight > mapblockgapy;
    BITMAP *picture = new_picture(frame.width, frame.height, problem);
    if (!picture || !overhang) {
        if (picture)
            draw_map(picture, frame.mapx, frame.mapy);
        return picture;
    }
    // The library walks only the cells that begin near the window; drawn with a margin of a
    // whole graphic, the cells whose graphics reach in from outside are drawn too.
    BITMAP *canvas = new_picture(frame.width + 2LL * mapblockwidth,
                                 frame.height + 2LL * mapblockheight, problem);
    if (!canvas) {
        destroy_bitmap(picture);
        return nullptr;
    }
    draw_map(canvas, frame.mapx - mapblockwidth, frame.mapy - mapblockheight);
    blit(canvas, picture, mapblockwidth, mapblockheight, 0, 0, frame.width, frame.height);
    destroy_bitmap(canvas);
    return picture;
}

bool check_picture_name(const std::string &path, std::string &problem)
{
    if (picture_format(path))
        return true;
    problem = path + ": maprender writes only .png, .bmp, .pcx and .tga pictures";
    return false;
}

bool save_map_picture(const std::string &path, BITMAP *picture, std::string &problem)
{
    const PictureFormat *format = picture_format(path);
    if (!format)
        return check_picture_name(path, problem);
    BITMAP *opaque = picture;
    if (bitmap_color_depth(picture) == ALPHA_DEPTH) {
        opaque = create_bitmap_ex(OPAQUE_DEPTH, picture->w, picture->h);
        if (!opaque) {
            problem = path + ": out of memory for a " + std::to_string(OPAQUE_DEPTH) + "-bit copy";
            return false;
        }
        blit(picture, opaque, 0, 0, 0, 0, picture->w, picture->h);
    }
    const RGB *palette = mapcmappt ? mapcmap6bit : default_palette;
    const MapOutputFile file{path, [&](const char *temporary, std::string &reason) {
                                 errno = 0;
                                 if (format->save(temporary, opaque, palette) == 0)
                                     return true;
                                 reason = failed_writing(std::string("cannot write the ") +
                                                         format->name + " file");
                                 return false;
                             }};
    const bool saved = MapReplaceFiles({file}, &problem) == 0;
    if (opaque != picture)
        destroy_bitmap(opaque);
    return saved;
}
