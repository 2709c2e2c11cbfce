// The graphics datafile "gfx.dat" (font, palette, the girl's pictures) and drawing a picture
// of it.
#include "graphic.h"

#include "datcheck.h"

DATAFILE *gfx = nullptr;
FONT *comicf = nullptr;
RGB *pal = nullptr;
BITMAP *girl[GIRL_PICTURES] = {};

namespace {

// Objects of "gfx.dat" by position: the font, the palette, then the pictures.
constexpr int OBJECT_FONT = 0;
constexpr int OBJECT_PALETTE = 1;
constexpr int FIRST_PICTURE_OBJECT = 2;
constexpr int EXPECTED_OBJECTS = FIRST_PICTURE_OBJECT + 14;

// The datafile object that each entry of the girl table shows. Entries 3 and 7 repeat
// pictures so that the walking and running cycles have four steps each.
constexpr int PICTURE_OBJECT[GIRL_PICTURES] = {14, 13, 15, 13, 10, 11, 12, 11,
                                                 9,  3,  4,  5,  6,  7,  8,  2};

bool has_type(const DATAFILE &object, int type)
{
    return object.type == type && object.dat != nullptr;
}

// A font, a palette and fourteen bitmaps, in that order, and perhaps more objects after them.
bool is_game_datafile(const DATAFILE *data)
{
    for (int i = 0; i < EXPECTED_OBJECTS; ++i)
        if (data[i].type == DAT_END)
            return false;
    if (!has_type(data[OBJECT_FONT], DAT_FONT) || !has_type(data[OBJECT_PALETTE], DAT_PALETTE))
        return false;
    for (int i = FIRST_PICTURE_OBJECT; i < EXPECTED_OBJECTS; ++i)
        if (!has_type(data[i], DAT_BITMAP))
            return false;
    return true;
}

} // namespace

int load_graphics(const char *file)
{
    unload_graphics();
    DATAFILE *data = datafile_is_sound(file) ? load_datafile(file) : nullptr;
    if (!data)
        return -1;
    if (!is_game_datafile(data)) {
        unload_datafile(data);
        return -1;
    }
    gfx = data;
    for (int entry = 0; entry < GIRL_PICTURES; ++entry)
        girl[entry] = static_cast<BITMAP *>(gfx[PICTURE_OBJECT[entry]].dat);
    pal = static_cast<RGB *>(gfx[OBJECT_PALETTE].dat);
    set_palette(pal);
    comicf = static_cast<FONT *>(gfx[OBJECT_FONT].dat);
    return 0;
}

void unload_graphics()
{
    unload_datafile(gfx);
    gfx = nullptr;
    comicf = nullptr;
    pal = nullptr;
    for (BITMAP *&entry : girl)
        entry = nullptr;
}

void draw_picture(BITMAP *bmp, BITMAP *picture, int x, int y, bool flip)
{
    if (!picture)
        return; // nothing loaded
    if (flip)
        draw_sprite_h_flip(bmp, picture, x, y);
    else
        draw_sprite(bmp, picture, x, y);
}
