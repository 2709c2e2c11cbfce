// Presenting the game's picture: the rows that changed since the last frame are enlarged, and
// converted from palette indices to the screen's colours, into a bitmap kept between frames,
// then copied to the middle of the screen, one blit for each band of changed rows.
#include "display.h"

#include "maplib.h"
#include "notes.h"
#include "screenmode.h"
#include "windowevents.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The screen colour of every palette index.
using colour_table = std::uint32_t[PAL_SIZE];

// What is kept from one frame to the next: only rows that changed are converted and copied.
BITMAP *enlarged = nullptr;     // the picture at the screen's scale and depth
BITMAP *shown = nullptr;        // the picture as last presented
colour_table colours_used = {}; // the screen colours it was converted with,
PALETTE palette_used;           // made from this palette
int colours_depth = 0;          // for a screen of this depth (0: none made yet)
bool whole_picture_due = true;  // a new screen, bitmap or palette needs every row
BITMAP *last_picture = nullptr; // shown again after a switch of screen mode
BITMAP *noted = nullptr;        // the last picture with the notes over it

// One pixel's byte repeated across a 64-bit word: in 8 bits a square up to this wide is one
// store.
using wide_store = std::uint64_t;
constexpr wide_store EVERY_BYTE = 0x0101010101010101u;
constexpr int WIDE_STORE_BYTES = sizeof(wide_store);

// A row of palette indices, each repeated `scale` times. A word store writes past the pixel's
// own square into the next one, which the next store overwrites; the last pixels, whose
// stores would leave the row, are written byte by byte.
void widen_indices(const unsigned char *from, unsigned char *to, int width, int scale)
{
    int x = 0;
    if (scale < WIDE_STORE_BYTES) {
        const int inside_row = width - (WIDE_STORE_BYTES + scale - 1) / scale;
        for (; x < inside_row; ++x) {
            const wide_store square_row = from[x] * EVERY_BYTE;
            std::memcpy(to + x * scale, &square_row, WIDE_STORE_BYTES);
        }
    }
    for (; x < width; ++x)
        std::memset(to + x * scale, from[x], scale);
}

// A row of palette indices turned into screen colours of 15, 16 or 32 bits, each repeated.
template <typename Pixel>
void widen_colours(const unsigned char *from, unsigned char *to, int width, int scale,
                   const colour_table &colours)
{
    auto *out = reinterpret_cast<Pixel *>(to);
    for (int x = 0; x < width; ++x) {
        const auto colour = static_cast<Pixel>(colours[from[x]]);
        for (int i = 0; i < scale; ++i)
            *out++ = colour;
    }
}

// The same in 24 bits: three bytes a pixel, lowest first.
void widen_colours_24(const unsigned char *from, unsigned char *to, int width, int scale,
                      const colour_table &colours)
{
    for (int x = 0; x < width; ++x) {
        const std::uint32_t colour = colours[from[x]];
        for (int i = 0; i < scale; ++i) {
            *to++ = static_cast<unsigned char>(colour);
            *to++ = static_cast<unsigned char>(colour >> 8);
            *to++ = static_cast<unsigned char>(colour >> 16);
        }
    }
}

// A palette in the colours of a screen of this depth.
void fill_colour_table(colour_table &colours, const PALETTE palette, int depth)
{
    for (int i = 0; i < PAL_SIZE; ++i)
        colours[i] = static_cast<std::uint32_t>(
            makecol_depth(depth, _rgb_scale_6[palette[i].r], _rgb_scale_6[palette[i].g],
                          _rgb_scale_6[palette[i].b]));
}

void widen_row(const unsigned char *from, unsigned char *to, int width, int scale, int depth,
               const colour_table &colours)
{
    switch (depth) {
    case MAP_PALETTE_DEPTH:
        widen_indices(from, to, width, scale);
        break;
    case 15:
    case 16:
        widen_colours<std::uint16_t>(from, to, width, scale, colours);
        break;
    case 24:
        widen_colours_24(from, to, width, scale, colours);
        break;
    default:
        widen_colours<std::uint32_t>(from, to, width, scale, colours);
        break;
    }
}

// Makes `kept` a bitmap of w x h pixels in `depth` unless it is one (or none can be made);
// true when it was made anew.
bool fitted(BITMAP *&kept, int w, int h, int depth)
{
    if (kept && kept->w == w && kept->h == h && bitmap_color_depth(kept) == depth)
        return false;
    destroy_bitmap(kept);
    kept = create_bitmap_ex(depth, w, h);
    return true;
}

// The bitmap for a picture enlarged `scale` times, in the given depth, made again only when
// they change. Only every scale-th row holds pixels: the rows under it are made to point at
// it, so the blit to the screen repeats each row and nothing copies rows beforehand.
BITMAP *enlarged_bitmap(int depth, const BITMAP *picture, int scale)
{
    const int w = picture->w * scale, h = picture->h * scale;
    if (fitted(enlarged, w, h, depth)) {
        for (int y = 0; enlarged && y < h; ++y)
            enlarged->line[y] = enlarged->line[y - y % scale];
        whole_picture_due = true;
    }
    return enlarged;
}

// The picture as last presented, to find the rows that changed since.
bool keep_copy(const BITMAP *picture)
{
    if (fitted(shown, picture->w, picture->h, MAP_PALETTE_DEPTH))
        whole_picture_due = true;
    return shown != nullptr;
}

// Rows [top, bottom) of the picture.
struct row_band {
    int top, bottom;
};

// Changed rows this close together are sent as one band: each band is one request to the
// display, each unchanged row in it a row sent for nothing.
constexpr int JOIN_GAP_ROWS = 4;

// Calls `send` with each band of rows that differ from the picture last presented.
template <typename Send>
void for_each_changed_band(const BITMAP *picture, Send send)
{
    auto changed = [picture](int y) {
        return whole_picture_due || std::memcmp(picture->line[y], shown->line[y], picture->w) != 0;
    };
    row_band band{-1, -1};
    for (int y = 0; y < picture->h; ++y) {
        if (!changed(y))
            continue;
        if (band.top >= 0 && y - band.bottom >= JOIN_GAP_ROWS) {
            send(band);
            band.top = -1;
        }
        if (band.top < 0)
            band.top = y;
        band.bottom = y + 1;
    }
    if (band.top >= 0)
        send(band);
}

void enlarge_rows(const BITMAP *picture, BITMAP *to, int scale, row_band rows,
                  const colour_table &colours)
{
    const int depth = bitmap_color_depth(to);
    for (int y = rows.top; y < rows.bottom; ++y)
        widen_row(picture->line[y], to->line[y * scale], picture->w, scale, depth, colours);
}

// The screen colours for the selected palette, made again only when the palette or the
// screen's depth has changed; then every row changes.
void update_colours(int depth)
{
    if (depth == MAP_PALETTE_DEPTH)
        return;
    PALETTE now;
    get_palette(now);
    if (depth == colours_depth && std::memcmp(now, palette_used, sizeof now) == 0)
        return;
    std::memcpy(palette_used, now, sizeof now);
    colours_depth = depth;
    fill_colour_table(colours_used, now, depth);
    whole_picture_due = true;
}

// The picture itself, or a copy of it with the notes over it while there are any.
BITMAP *with_notes(BITMAP *picture)
{
    if (!have_notes())
        return picture;
    fitted(noted, picture->w, picture->h, MAP_PALETTE_DEPTH);
    if (!noted)
        return picture;
    blit(picture, noted, 0, 0, 0, 0, picture->w, picture->h);
    draw_notes(noted);
    return noted;
}

void present_as_it_is(BITMAP *picture)
{
    const picture_layout at = layout_for(screen->w, screen->h);
    const int depth = bitmap_color_depth(screen);
    update_colours(depth);
    const bool direct = at.scale == 1 && depth == MAP_PALETTE_DEPTH;
    BITMAP *source = direct ? picture : enlarged_bitmap(depth, picture, at.scale);
    if (!source || !keep_copy(picture)) { // short of memory: the library converts, unscaled
        blit(picture, screen, 0, 0, (screen->w - picture->w) / 2, (screen->h - picture->h) / 2,
             picture->w, picture->h);
        whole_picture_due = true;
        return;
    }
    for_each_changed_band(picture, [&](row_band rows) {
        if (!direct)
            enlarge_rows(picture, source, at.scale, rows, colours_used);
        blit(source, screen, 0, rows.top * at.scale, at.x, at.y + rows.top * at.scale,
             source->w, (rows.bottom - rows.top) * at.scale);
        blit(picture, shown, 0, rows.top, 0, rows.top, picture->w, rows.bottom - rows.top);
    });
    whole_picture_due = false;
}

} // namespace

void present(BITMAP *picture)
{
    last_picture = picture;
    present_as_it_is(with_notes(picture));
    notes_presented();
}

void follow_notes()
{
    if (notes_changed() && last_picture)
        present(last_picture);
}

void follow_screen_keys()
{
    if (!alt_enter_pressed())
        return;
    // Without any screen the game cannot go on; the library closes itself at exit.
    if (!switch_full_screen())
        std::exit(EXIT_FAILURE);
    colours_depth = 0; // a new screen may lay its colours out otherwise
    whole_picture_due = true;
    if (last_picture)
        present(last_picture);
}

void release_display()
{
    for (BITMAP **kept : {&enlarged, &shown, &noted}) {
        if (*kept)
            destroy_bitmap(*kept);
        *kept = nullptr;
    }
    last_picture = nullptr;
    colours_depth = 0;
    whole_picture_due = true;
}
