// What the fuzz targets do with maps: loads on each kind of screen, a small map of every kind
// of block to put layers into, drawing a window every way, and block queries at the edges,
// each checked.
#include "fuzz_target.h"
#include "maplib.h"
#include "testmaps.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace fuzz {

namespace {

constexpr int MAP_W = 10, MAP_H = 8, BLOCK = 8;
constexpr int GRAPHICS = 6, BLOCKS = 8;
constexpr int STACKED_LAYERS = 3;
constexpr int PARALLAX_W = 48, PARALLAX_H = 24, PARALLAX_COLOUR = 3;
constexpr int ROW_MARGIN = 2;  // MapDrawRow is asked for rows this far outside the window too
constexpr int ROWS_AT_MOST = 64;
constexpr int ANIM_UPDATES = 3;
constexpr int SCREEN_DEPTHS[] = {8, 32};

void check_cell_call(int column, int row, int, int)
{
    if (column < 0 || column >= mapwidth || row < 0 || row >= mapheight)
        std::abort();
}

// The clip rectangle the canvas carries into every call, to be found again afterwards.
struct Clip {
    int left, top, right, bottom;
    bool operator==(const Clip &o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

Clip clip_of(BITMAP *bitmap)
{
    Clip c;
    get_clip_rect(bitmap, &c.left, &c.top, &c.right, &c.bottom);
    return c;
}

} // namespace

int clamped_to_int(long long value)
{
    return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

void load_on_each_screen(const std::function<int()> &load)
{
    for (int depth : SCREEN_DEPTHS) {
        use_screen(depth);
        if (load() == 0) {
            MapGenerateYLookup();
            for (int i = 0; i < ANIM_UPDATES; ++i)
                MapUpdateAnims();
        }
        MapFreeMem();
    }
    leave_screen();
}

std::vector<unsigned char> small_map_image(bool staggered)
{
    MapFile map;
    map.width = MAP_W;
    map.height = MAP_H;
    map.blockwidth = map.blockheight = map.gapx = map.gapy = BLOCK;
    if (staggered) {
        map.gapx = 2 * BLOCK;
        map.blockwidth = 2 * BLOCK;
        map.staggerx = BLOCK;
        map.staggery = BLOCK / 2;
        map.clickmask = 1;
    }
    map.numgfx = GRAPHICS;
    const int pixels = map.blockwidth * map.blockheight;
    map.gfx.resize(GRAPHICS * pixels);
    for (int i = 0; i < GRAPHICS * pixels; ++i)
        map.gfx[i] = static_cast<unsigned char>((i / pixels) * ((i % 3) != 0));
    const std::uint8_t flag_sets[BLOCKS] = {0, BLOCK_SEE_THROUGH, BLOCK_STACK_NEXT,
                                            BLOCK_LEFT_HALF, BLOCK_RIGHT_HALF,
                                            BLOCK_LEFT_HALF | BLOCK_RIGHT_HALF,
                                            BLOCK_SEE_THROUGH | BLOCK_STACK_NEXT,
                                            BLOCK_STACK_NEXT};
    for (int b = 0; b < BLOCKS; ++b)
        testmaps::add_block(map, b % GRAPHICS, (b + 1) % GRAPHICS, (b + 2) % GRAPHICS,
                            (b + 3) % GRAPHICS, flag_sets[b]);
    map.animseq = {1, 2, 3, 4, 7};
    const std::int8_t types[] = {anim_loop_forward, anim_pingpong_forward, anim_once};
    for (int k = 0; k < 3; ++k) {
        MapFileAnim anim;
        anim.type = types[k];
        anim.first = k;
        anim.end = k + 3;
        map.anims.push_back(anim);
    }
    for (int layer = 0; layer < STACKED_LAYERS; ++layer) {
        map.layers[layer].resize(MAP_W * MAP_H);
        for (int i = 0; i < MAP_W * MAP_H; ++i)
            map.layers[layer][i] = static_cast<short>((i + layer) % 11 - 3);
    }
    return MapEncode(map);
}

void check_block(const BlockStr *block)
{
    if (block && (block < mapblockstrpt || block >= mapblockstrpt + mapnumblockstr))
        std::abort();
}

void draw_window(BITMAP *canvas, int mapx, int mapy, int wx, int wy, int ww, int wh)
{
    const Clip before = clip_of(canvas);
    MapDrawBG(canvas, mapx, mapy, wx, wy, ww, wh);
    MapDrawBGT(canvas, mapx, mapy, wx, wy, ww, wh);
    for (int layer = 0; layer < STACKED_LAYERS; ++layer)
        MapDrawFG(canvas, mapx, mapy, wx, wy, ww, wh, layer);
    const int rows = std::min(wh / std::max(mapblockgapy, 1) + 2 * ROW_MARGIN, ROWS_AT_MOST);
    for (int row = -ROW_MARGIN; row < rows; ++row)
        MapDrawRow(canvas, mapx, mapy, wx, wy, ww, wh, row, check_cell_call);
    BITMAP *source = create_bitmap(PARALLAX_W, PARALLAX_H);
    clear_to_color(source, PARALLAX_COLOUR);
    BITMAP *picture = MapMakeParallaxBitmap(source, 0);
    MapDrawParallax(canvas, picture, mapx, mapy, wx, wy, ww, wh);
    if (picture)
        destroy_bitmap(picture);
    destroy_bitmap(source);
    if (!(clip_of(canvas) == before))
        std::abort();
}

void query_edges()
{
    const long long right = static_cast<long long>(mapwidth) * mapblockwidth;
    const long long bottom = static_cast<long long>(mapheight) * mapblockheight;
    for (long long y : {-1LL, 0LL, bottom / 2, bottom - 1, bottom}) {
        for (long long x : {-1LL, 0LL, right / 2, right - 1, right}) {
            const int px = clamped_to_int(x), py = clamped_to_int(y);
            check_block(MapGetBlockInPixels(px, py));
            const int column = MapGetXOffset(px, py), row = MapGetYOffset(px, py);
            if (mappt && (column < 0 || column >= mapwidth || row < 0 || row >= mapheight))
                std::abort();
            MEClickmask(px, py, 0);
            MEClickmask(px, py, 1);
        }
    }
    if (mappt) {
        check_block(MapGetBlock(0, 0));
        check_block(MapGetBlock(mapwidth - 1, mapheight - 1));
    }
}

} // namespace fuzz
