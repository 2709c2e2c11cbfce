// Block graphics turned into bitmaps of the screen's colour depth or one the caller names: pixel
// conversion, one bitmap per graphic linked into the block records, repainting after video
// memory loss, the palette.
#include "mapinternal.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int PALETTE_MASK_INDEX = 0; // the transparent colour of an 8-bit screen
constexpr int PALETTE_ENTRIES = 256;
constexpr int PALETTE_ENTRY_SIZE = 3;  // red, green, blue
constexpr int PALETTE_6BIT_SHIFT = 2;  // 8-bit components to the 6 bits of a PALETTE
constexpr long NOVC_NUMBER_LIMIT = 1L << 20; // above every graphic number

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
};
// Transparent in the 15, 16, 24 and 32-bit graphics of a map file.
constexpr Rgb MAP_MASK_RGB{255, 0, 255};

int widen5(int v)
{
    return v << 3 | v >> 2;
}

int widen6(int v)
{
    return v << 2 | v >> 4;
}

// Components of one true-colour source pixel; 15 and 16-bit pixels are stored high byte first.
Rgb true_colour(const unsigned char *px, int depth)
{
    switch (depth) {
    case 15:
        return {widen5(px[0] >> 2 & 0x1F), widen5((px[0] & 0x03) << 3 | px[1] >> 5),
                widen5(px[1] & 0x1F)};
    case 16:
        return {widen5(px[0] >> 3), widen6((px[0] & 0x07) << 3 | px[1] >> 5),
                widen5(px[1] & 0x1F)};
    case 24:
        return {px[0], px[1], px[2]};
    default: // 32: a byte that is not read, then red, green, blue
        return {px[1], px[2], px[3]};
    }
}

// Colour value of one source pixel in a bitmap of depth `depth`: palette index 0 and the
// magenta of true-colour maps become that depth's mask colour.
int colour_value(const unsigned char *px, int source_depth, int depth)
{
    if (source_depth == MAP_PALETTE_DEPTH) {
        if (depth == MAP_PALETTE_DEPTH)
            return px[0];
        if (px[0] == PALETTE_MASK_INDEX)
            return MapMaskColour(depth);
        const unsigned char *entry = mapcmappt + px[0] * PALETTE_ENTRY_SIZE;
        return makecol_depth(depth, entry[0], entry[1], entry[2]);
    }
    const Rgb rgb = true_colour(px, source_depth);
    if (depth == MAP_PALETTE_DEPTH && rgb == MAP_MASK_RGB)
        return PALETTE_MASK_INDEX;
    return makecol_depth(depth, rgb.r, rgb.g, rgb.b);
}

// The converted buffer's form of a colour value: 16-bit numbers in the machine's byte order,
// 24 and 32-bit values high byte first (32 after a zero byte).
void store_colour(unsigned char *to, int colour, int bytes)
{
    switch (bytes) {
    case 1:
        to[0] = static_cast<unsigned char>(colour);
        break;
    case 2: {
        const auto value = static_cast<std::uint16_t>(colour);
        std::memcpy(to, &value, sizeof value);
        break;
    }
    case 3:
        to[0] = static_cast<unsigned char>(colour >> 16);
        to[1] = static_cast<unsigned char>(colour >> 8);
        to[2] = static_cast<unsigned char>(colour);
        break;
    default:
        to[0] = 0;
        store_colour(to + 1, colour, 3);
        break;
    }
}

// The colour value back from the converted buffer, the value the conversion computed: so the
// bitmaps get the right colours whatever the screen's component layout.
int stored_colour(const unsigned char *from, int bytes)
{
    switch (bytes) {
    case 1:
        return from[0];
    case 2: {
        std::uint16_t value;
        std::memcpy(&value, from, sizeof value);
        return value;
    }
    case 3:
        return from[0] << 16 | from[1] << 8 | from[2];
    default:
        return stored_colour(from + 1, 3);
    }
}

int fail_load(int code)
{
    MapFreeMem();
    return MapSetError(code);
}

std::size_t tile_bytes()
{
    return std::size_t(mapblockwidth) * std::size_t(mapblockheight) * MapBytesPerPixel(mapdepth);
}

// One row of a memory bitmap written straight into its line: a load makes hundreds of tiles,
// and the library's general putpixel costs a call through the bitmap's driver for each pixel.
void paint_memory_row(BITMAP *tile, int y, const unsigned char *pixels, int bytes)
{
    if (bytes == 1) {
        std::memcpy(tile->line[y], pixels, static_cast<std::size_t>(mapblockwidth));
        return;
    }
    void (*const put)(BITMAP *, int, int, int) =
        bytes == 2 ? _putpixel16 : bytes == 3 ? _putpixel24 : _putpixel32;
    for (int x = 0; x < mapblockwidth; ++x, pixels += bytes)
        put(tile, x, y, stored_colour(pixels, bytes));
}

// Paints one block bitmap from the converted buffer; returns the first byte after it.
const unsigned char *paint_tile(BITMAP *tile, const unsigned char *pixels)
{
    const int bytes = MapBytesPerPixel(mapdepth);
    const std::size_t row_bytes = static_cast<std::size_t>(mapblockwidth) * bytes;
    if (is_memory_bitmap(tile)) {
        for (int y = 0; y < mapblockheight; ++y, pixels += row_bytes)
            paint_memory_row(tile, y, pixels, bytes);
        return pixels;
    }
    acquire_bitmap(tile);
    for (int y = 0; y < mapblockheight; ++y)
        for (int x = 0; x < mapblockwidth; ++x, pixels += bytes)
            putpixel(tile, x, y, stored_colour(pixels, bytes));
    release_bitmap(tile);
    return pixels;
}

// A decimal number of the NOVC text; an empty run of digits gives 0, and a long one stops
// growing once it is beyond every graphic number.
long read_novc_number(const char *&p)
{
    long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        value = std::min(value * 10 + (*p - '0'), NOVC_NUMBER_LIMIT);
    return value;
}

bool is_novc_char(char c)
{
    return (c >= '0' && c <= '9') || c == '-' || c == ',';
}

// Sets the flags of the graphics the NOVC text names ("0-10,15"). Reading ends at the first
// other character, at a number beyond the graphics or at a reversed range.
void mark_excluded(unsigned char *excluded)
{
    char text[MAP_NOVC_SIZE + 1];
    std::memcpy(text, mapnovctext, MAP_NOVC_SIZE);
    text[MAP_NOVC_SIZE] = 0;
    const char *p = text;
    while (is_novc_char(*p)) {
        const long first = read_novc_number(p);
        if (first >= mapnumblockgfx)
            return;
        long last = first;
        if (*p == '-') {
            ++p;
            last = read_novc_number(p);
            if (last < first || last >= mapnumblockgfx)
                return;
        }
        std::fill(excluded + first, excluded + last + 1, 1);
        if (*p == ',')
            ++p;
    }
}

// A video bitmap where asked for, allowed and available (no display driver means no video
// memory), else a memory bitmap. Null when even that fails.
BITMAP *create_tile(bool excluded, int depth)
{
    if (mapgfxinbitmaps == MAP_GFX_IN_VIDEO && !excluded && gfx_driver) {
        BITMAP *tile = create_video_bitmap(mapblockwidth, mapblockheight);
        if (tile) {
            ++mapblocksinvidmem;
            return tile;
        }
    }
    BITMAP *tile = create_bitmap_ex(depth, mapblockwidth, mapblockheight);
    if (tile)
        ++mapblocksinsysmem;
    return tile;
}

BITMAP *tile_of(std::intptr_t number)
{
    return number >= 0 && number < mapnumblockgfx ? abmTiles[number] : nullptr;
}

// Graphic numbers become bitmaps; a foreground number 0 means no graphic.
void link_blocks()
{
    if (!mapblockstrpt)
        return;
    for (int k = 0; k < mapnumblockstr; ++k) {
        BlockStr &b = mapblockstrpt[k];
        b.gfx_bg.bitmap = tile_of(b.gfx_bg.number);
        for (BlockGfx *fg : {&b.gfx_fg1, &b.gfx_fg2, &b.gfx_fg3}) {
            const std::intptr_t number = fg->number;
            fg->bitmap = number ? tile_of(number) : nullptr;
        }
    }
}

// Creates and paints every block bitmap, at the depth of the converted pixels; abmTiles stays
// null-terminated after each one so that a failure can release what exists. The block size
// comes from the file, so it is checked before Allegro multiplies it out.
int create_tiles(const unsigned char *excluded)
{
    const int depth = mapdepth;
    const std::size_t bytes = tile_bytes();
    const unsigned char *pixels = mapblockgfxpt;
    abmTiles[0] = nullptr;
    if (mapnumblockgfx > 0 && !MapBitmapFits(mapblockwidth, mapblockheight, depth))
        return -1;
    for (int g = 0; g < mapnumblockgfx; ++g, pixels += bytes) {
        abmTiles[g + 1] = nullptr;
        BITMAP *tile = create_tile(excluded[g] != 0, depth);
        if (!tile)
            return -1;
        abmTiles[g] = tile;
        set_clip_state(tile, FALSE);
        paint_tile(tile, pixels);
    }
    return 0;
}

// Any bitmaps of an earlier relocation are released first, so the list always matches the
// current number of graphics.
int make_tiles()
{
    if (MapGraphicsPixels() > 0 && !mapblockgfxpt)
        return fail_load(MER_MAPLOADERROR);
    const auto count = static_cast<std::size_t>(std::max<short>(mapnumblockgfx, 0));
    auto *excluded = MapAllocate<unsigned char>(count);
    if (!excluded)
        return fail_load(MER_OUTOFMEM);
    std::fill(excluded, excluded + count, 0);
    mark_excluded(excluded);
    MapDestroyTiles();
    abmTiles = MapAllocate<BITMAP *>(count + 2);
    int code = MER_NONE;
    if (!abmTiles)
        code = MER_OUTOFMEM;
    else if (create_tiles(excluded) != 0)
        code = MER_CVBFAILED;
    MapRelease(excluded);
    if (code != MER_NONE)
        return fail_load(code);
    link_blocks();
    return 0;
}

} // namespace

int MapMaskColour(int depth)
{
    if (depth == MAP_PALETTE_DEPTH)
        return PALETTE_MASK_INDEX;
    return makecol_depth(depth, MAP_MASK_RGB.r, MAP_MASK_RGB.g, MAP_MASK_RGB.b);
}

// No depth (no screen) and a depth the conversion does not know fail alike.
int MapConvertGraphics(int depth)
{
    if (!MapIsSupportedDepth(depth))
        return fail_load(MER_NOSCREEN);
    if (!MapIsSupportedDepth(mapdepth))
        return fail_load(MER_MAPTOONEW);
    const std::uint64_t pixels = MapGraphicsPixels();
    if (pixels > 0 && !mapblockgfxpt)
        return fail_load(MER_MAPLOADERROR);
    if (mapdepth == MAP_PALETTE_DEPTH && depth > MAP_PALETTE_DEPTH && !mapcmappt)
        return fail_load(MER_MAPLOADERROR);
    const int source_bytes = MapBytesPerPixel(mapdepth);
    const int converted_bytes = MapBytesPerPixel(depth);
    auto *converted = MapAllocate<unsigned char>(pixels * converted_bytes);
    if (!converted)
        return fail_load(MER_OUTOFMEM);
    for (std::uint64_t i = 0; i < pixels; ++i)
        store_colour(converted + i * converted_bytes,
                     colour_value(mapblockgfxpt + i * source_bytes, mapdepth, depth),
                     converted_bytes);
    MapRelease(mapblockgfxpt);
    mapblockgfxpt = converted;
    mapdepth = static_cast<short>(depth);
    return make_tiles();
}

int MapRelocate()
{
    return MapConvertGraphics(MapScreenDepth());
}

int MapRelocate2()
{
    if (!screen)
        return fail_load(MER_NOSCREEN);
    return make_tiles();
}

void MapDestroyTiles()
{
    if (abmTiles) {
        for (BITMAP **tile = abmTiles; *tile; ++tile)
            destroy_bitmap(*tile);
        MapRelease(abmTiles);
    }
    mapblocksinvidmem = 0;
    mapblocksinsysmem = 0;
}

void MapRestore()
{
    if (mapgfxinbitmaps != MAP_GFX_IN_VIDEO || !abmTiles || !mapblockgfxpt)
        return;
    const unsigned char *pixels = mapblockgfxpt;
    for (BITMAP **tile = abmTiles; *tile; ++tile)
        pixels = paint_tile(*tile, pixels);
}

void Mapconv8to6pal(const unsigned char *cmap)
{
    if (!cmap)
        return;
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const unsigned char *entry = cmap + i * PALETTE_ENTRY_SIZE;
        mapcmap6bit[i].r = static_cast<unsigned char>(entry[0] >> PALETTE_6BIT_SHIFT);
        mapcmap6bit[i].g = static_cast<unsigned char>(entry[1] >> PALETTE_6BIT_SHIFT);
        mapcmap6bit[i].b = static_cast<unsigned char>(entry[2] >> PALETTE_6BIT_SHIFT);
    }
}

void MapSetPal8()
{
    if (screen && bitmap_color_depth(screen) == MAP_PALETTE_DEPTH && mapdepth == MAP_PALETTE_DEPTH)
        set_palette(mapcmap6bit);
}

void MapCorrectColours()
{
}
