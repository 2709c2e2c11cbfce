// The map renderer.
#include "maprender.h"

#include "maplib.h"

#include <loadpng.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

constexpr int PALETTE_DEPTH = 8;
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
    const bool saved = format->save(path.c_str(), opaque, palette) == 0;
    if (opaque != picture)
        destroy_bitmap(opaque);
    if (!saved)
        problem = path + ": cannot write the " + format->name + " file";
    return saved;
}
