// Fuzz target mar_decode: arbitrary bytes as a map array image put into a layer of a small
// loaded map (ordinary or staggered), which is then drawn every way and queried everywhere.
#include "fuzz_target.h"
#include "maplib.h"

#include <cstdlib>
#include <vector>

namespace {

// Input layout: eight control bytes, then the cells of the layer.
enum ControlByte {
    CTRL_LAYER,     // layer -1 .. 8, so that numbers outside 0..7 are tried too
    CTRL_OPTIONS,   // OPTION_* bits
    CTRL_MAP_X,     // signed, scaled: map positions before, inside and past the map
    CTRL_MAP_Y,
    CTRL_WINDOW_X,  // signed: windows reaching off the canvas
    CTRL_WINDOW_Y,
    CTRL_WINDOW_W,
    CTRL_WINDOW_H,
    CONTROL_BYTES,
};

enum Option {
    OPTION_STAGGERED = 1,      // use the staggered map with a click mask
    OPTION_ROWS_BEFORE = 2,    // row tables built before the layer is replaced
    OPTION_ROWS_AFTER = 4,     // and after
    OPTION_MAKE_CURRENT = 8,   // switch to the replaced layer before drawing
    OPTION_ANIMATE = 16,       // step the animations a few times first
};

constexpr int LAYER_CHOICES = 10;
constexpr int POSITION_SCALE = 3;
constexpr int MAP_W = 10, MAP_H = 8, BLOCK = 8;
constexpr int GRAPHICS = 6, BLOCKS = 8;
constexpr int CANVAS_W = 96, CANVAS_H = 72;
constexpr int ANIM_STEPS = 3;
constexpr int CELL_BYTES = 2;

// The small map: block b shows graphic b % GRAPHICS as background and later graphics as
// foregrounds; flags cover see-through, stacking and both half masks; layers 0 to 2 hold a
// mix of blocks and animations, layers 3 to 7 are missing.
MapFile small_map(bool staggered)
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
    for (int b = 0; b < BLOCKS; ++b) {
        MapFileBlock block;
        block.gfx_bg = b % GRAPHICS;
        block.gfx_fg1 = (b + 1) % GRAPHICS;
        block.gfx_fg2 = (b + 2) % GRAPHICS;
        block.gfx_fg3 = (b + 3) % GRAPHICS;
        block.flags = flag_sets[b];
        map.blocks.push_back(block);
    }
    map.animseq = {1, 2, 3, 4, 7};
    const std::int8_t types[] = {anim_loop_forward, anim_pingpong_forward, anim_once};
    for (int k = 0; k < 3; ++k) {
        MapFileAnim anim;
        anim.type = types[k];
        anim.first = k;
        anim.end = k + 3;
        map.anims.push_back(anim);
    }
    for (int layer = 0; layer < 3; ++layer) {
        map.layers[layer].resize(MAP_W * MAP_H);
        for (int i = 0; i < MAP_W * MAP_H; ++i)
            map.layers[layer][i] = static_cast<short>((i + layer) % 11 - 3);
    }
    return map;
}

const std::vector<unsigned char> &map_image(bool staggered)
{
    static const std::vector<unsigned char> images[2] = {MapEncode(small_map(false)),
                                                         MapEncode(small_map(true))};
    return images[staggered];
}

// The layer image: the fuzzed cells, cut or padded with zeros to exactly one layer.
std::vector<unsigned char> layer_image(const std::uint8_t *cells, std::size_t size)
{
    std::vector<unsigned char> image(cells, cells + size);
    image.resize(static_cast<std::size_t>(MAP_W) * MAP_H * CELL_BYTES, 0);
    return image;
}

void check_block(const BlockStr *block)
{
    if (block && (block < mapblockstrpt || block >= mapblockstrpt + mapnumblockstr))
        std::abort();
}

void check_cell_call(int column, int row, int, int)
{
    if (column < 0 || column >= mapwidth || row < 0 || row >= mapheight)
        std::abort();
}

void query_everywhere()
{
    const int margin = 2 * BLOCK;
    const int right = mapwidth * mapblockwidth + margin, bottom = mapheight * mapblockheight + margin;
    for (int y = -margin; y < bottom; ++y)
        for (int x = -margin; x < right; ++x)
            check_block(MapGetBlockInPixels(x, y));
    for (int row = 0; row < mapheight; ++row)
        for (int column = 0; column < mapwidth; ++column)
            check_block(MapGetBlock(column, row));
}

void draw_everything(const std::uint8_t *control)
{
    BITMAP *canvas = create_bitmap(CANVAS_W, CANVAS_H);
    BITMAP *source = create_bitmap(CANVAS_W / 2, CANVAS_H / 3);
    clear_to_color(source, 3);
    const int mapx = static_cast<std::int8_t>(control[CTRL_MAP_X]) * POSITION_SCALE;
    const int mapy = static_cast<std::int8_t>(control[CTRL_MAP_Y]) * POSITION_SCALE;
    const int wx = static_cast<std::int8_t>(control[CTRL_WINDOW_X]);
    const int wy = static_cast<std::int8_t>(control[CTRL_WINDOW_Y]);
    const int ww = control[CTRL_WINDOW_W], wh = control[CTRL_WINDOW_H];
    MapDrawBG(canvas, mapx, mapy, wx, wy, ww, wh);
    MapDrawBGT(canvas, mapx, mapy, wx, wy, ww, wh);
    for (int layer = 0; layer < 3; ++layer)
        MapDrawFG(canvas, mapx, mapy, wx, wy, ww, wh, layer);
    for (int row = -2; row < MAP_H + 2; ++row)
        MapDrawRow(canvas, mapx, mapy, wx, wy, ww, wh, row, check_cell_call);
    BITMAP *picture = MapMakeParallaxBitmap(source, 0);
    MapDrawParallax(canvas, picture, mapx, mapy, wx, wy, ww, wh);
    destroy_bitmap(picture);
    destroy_bitmap(source);
    destroy_bitmap(canvas);
}

} // namespace

int fuzz_mar_decode(const std::uint8_t *data, std::size_t size)
{
    std::uint8_t control[CONTROL_BYTES] = {};
    for (std::size_t i = 0; i < CONTROL_BYTES && i < size; ++i)
        control[i] = data[i];
    const std::size_t cells = size > CONTROL_BYTES ? size - CONTROL_BYTES : 0;
    const std::uint8_t *cell_bytes = cells ? data + CONTROL_BYTES : nullptr;
    const int layer = control[CTRL_LAYER] % LAYER_CHOICES - 1;
    const int options = control[CTRL_OPTIONS];

    fuzz::use_screen(8);
    if (MapDecode(map_image(options & OPTION_STAGGERED).data()) != 0)
        std::abort(); // the map is built here and must load
    if (options & OPTION_ROWS_BEFORE)
        MapGenerateYLookup();
    const std::vector<unsigned char> image = layer_image(cell_bytes, cells);
    MapDecodeMAR(image.data(), layer);
    if (options & OPTION_ROWS_AFTER)
        MapGenerateYLookup();
    if (options & OPTION_MAKE_CURRENT)
        MapChangeLayer(layer);
    if (options & OPTION_ANIMATE)
        for (int i = 0; i < ANIM_STEPS; ++i)
            MapUpdateAnims();
    query_everywhere();
    draw_everything(control);
    MapFreeMem();
    fuzz::leave_screen();
    return 0;
}

ORVIA_FUZZ_TARGET("mar_decode", fuzz_mar_decode)
