// The graphics datafile "gfx.dat" (font, palette, the girl's pictures) and drawing the girl's
// picture for her status and animation frame.
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

// Animation numbers: the girl's statuses.
enum animation {
    anim_stand = 0,
    anim_walk = 1,
    anim_run = 2,
    anim_jump = 3,
    anim_run_jump = 4,
    anim_fall = 5,
    anim_run_fall = 6,
    anim_hang = 7,
    anim_hang_climb = 8,
    anim_climb = 9,
};

// Entries of the girl table.
enum picture {
    picture_stand = 1,
    picture_run_first = 4,
    picture_jump = 8,
    picture_fall_slow = 9,
    picture_fall = 10,
    picture_fall_fast = 11,
    picture_hang = 12,
    picture_pull_up = 13,
    picture_pull_up_late = 14,
    picture_climb = 15,
};

// Ticks each picture of a cycle is shown, and the cycles' lengths in ticks.
constexpr long WALK_TICKS_PER_PICTURE = 3;
constexpr long RUN_TICKS_PER_PICTURE = 6;
constexpr long WALK_CYCLE = 12;
constexpr long RUN_CYCLE = 24;
constexpr long PULL_UP_LATE_FROM = 4;  // pull-up frames from this one show the later picture
constexpr long CLIMB_MIRRORED_FROM = 8; // climbing frames from this one are drawn mirrored
// Falling speeds, pixels per tick, above which the faster falling pictures show.
constexpr int FALL_FAST_SPEED = 4;
constexpr int FALL_SPEED = 2;

// The picture's top-left corner lies this far left of and above her feet-centre point.
constexpr int SPRITE_LEFT = 16;
constexpr int SPRITE_UP = 31;
// Pulling up, the picture sits lower and leans toward the ledge.
constexpr int PULL_UP_DOWN = 11;
constexpr int PULL_UP_SIDE = 5;

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

struct choice {
    BITMAP *picture;
    int x, y;
    bool flip;
};

// A cycle's picture; a frame outside the cycle, which the girl never produces, shows her
// standing rather than reading past the table.
BITMAP *cycle_picture(int first, long frame, long cycle, long ticks_per_picture)
{
    if (frame < 0 || frame >= cycle)
        return girl[picture_stand];
    return girl[first + frame / ticks_per_picture];
}

BITMAP *fall_picture(fix speed)
{
    if (speed > FALL_FAST_SPEED)
        return girl[picture_fall_fast];
    if (speed > FALL_SPEED)
        return girl[picture_fall];
    return girl[picture_fall_slow];
}

choice choose_picture(int x, int y, int anim, long frame, bool flip, fix speed)
{
    choice c{girl[picture_stand], x - SPRITE_LEFT, y - SPRITE_UP, flip};
    switch (anim) {
    case anim_walk:
        c.picture = cycle_picture(0, frame, WALK_CYCLE, WALK_TICKS_PER_PICTURE);
        break;
    case anim_run:
        c.picture = cycle_picture(picture_run_first, frame, RUN_CYCLE, RUN_TICKS_PER_PICTURE);
        break;
    case anim_jump:
    case anim_run_jump:
        c.picture = girl[picture_jump];
        break;
    case anim_fall:
    case anim_run_fall:
        c.picture = fall_picture(speed);
        break;
    case anim_hang:
        c.picture = girl[picture_hang];
        break;
    case anim_hang_climb:
        c.picture = girl[frame >= PULL_UP_LATE_FROM ? picture_pull_up_late : picture_pull_up];
        c.y += PULL_UP_DOWN;
        c.x += flip ? PULL_UP_SIDE : -PULL_UP_SIDE;
        break;
    case anim_climb:
        c.picture = girl[picture_climb];
        c.flip = frame >= CLIMB_MIRRORED_FROM;
        break;
    default:
        break;
    }
    return c;
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

void draw_anim(BITMAP *bmp, int x, int y, int anim, long frame, bool flip, fix speed)
{
    const choice c = choose_picture(x, y, anim, frame, flip, speed);
    if (!c.picture)
        return; // nothing loaded
    if (c.flip)
        draw_sprite_h_flip(bmp, c.picture, c.x, c.y);
    else
        draw_sprite(bmp, c.picture, c.x, c.y);
}
