// Fuzz target gfx_dat: arbitrary bytes as the graphics datafile. What the structure check
// passes must load with Allegro's loader, and its fonts, pictures and palettes must work as
// the game uses them.
#include "datcheck.h"
#include "fuzz_target.h"

#include <allegro.h>

#include <cstdlib>

namespace {

constexpr int GAME_DEPTH = 8;
constexpr int CANVAS_W = 64, CANVAS_H = 32;
constexpr int TEXT_COLOUR = 15;
const char *const SAMPLE_TEXT = "Sorry, YOU DIED! Try again? (y/n) ~^";

void use_object(BITMAP *canvas, const DATAFILE &object)
{
    switch (object.type) {
    case DAT_FONT: {
        const FONT *font = static_cast<FONT *>(object.dat);
        textout_ex(canvas, font, SAMPLE_TEXT, 0, 0, TEXT_COLOUR, -1);
        text_length(font, SAMPLE_TEXT);
        text_height(font);
        break;
    }
    case DAT_BITMAP: {
        BITMAP *picture = static_cast<BITMAP *>(object.dat);
        draw_sprite(canvas, picture, 0, 0);
        draw_sprite_h_flip(canvas, picture, CANVAS_W - picture->w, 0);
        break;
    }
    case DAT_PALETTE:
        set_palette(static_cast<RGB *>(object.dat));
        break;
    default:
        std::abort(); // the check passes no other kind
    }
}

} // namespace

int fuzz_gfx_dat(const std::uint8_t *data, std::size_t size)
{
    fuzz::use_screen(GAME_DEPTH);
    const char *path = fuzz::scratch_file(data, size);
    if (datafile_is_sound(path)) {
        DATAFILE *file = load_datafile(path);
        if (!file)
            std::abort(); // passed by the check, refused by the loader
        BITMAP *canvas = create_bitmap(CANVAS_W, CANVAS_H);
        for (const DATAFILE *object = file; object->type != DAT_END; ++object)
            use_object(canvas, *object);
        destroy_bitmap(canvas);
        unload_datafile(file);
    }
    fuzz::leave_screen();
    return 0;
}

ORVIA_FUZZ_TARGET("gfx_dat", fuzz_gfx_dat)
