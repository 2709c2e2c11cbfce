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
constexpr int CANVAS_W = 96, CANVAS_H = 72;
constexpr int ANIM_STEPS = 3;
constexpr int CELL_BYTES = 2;

const std::vector<unsigned char> &map_image(bool staggered)
{
    static const std::vector<unsigned char> images[2] = {fuzz::small_map_image(false),
                                                         fuzz::small_map_image(true)};
    return images[staggered];
}

// The layer image: the fuzzed cells, cut or padded with zeros to exactly one layer of the
// loaded map.
std::vector<unsigned char> layer_image(const std::uint8_t *cells, std::size_t size)
{
    std::vector<unsigned char> image(cells, cells + size);
    image.resize(static_cast<std::size_t>(mapwidth) * mapheight * CELL_BYTES, 0);
    return image;
}

void query_everywhere()
{
    const int margin = 2 * mapblockwidth;
    const int right = mapwidth * mapblockwidth + margin, bottom = mapheight * mapblockheight + margin;
    for (int y = -margin; y < bottom; ++y)
        for (int x = -margin; x < right; ++x)
            fuzz::check_block(MapGetBlockInPixels(x, y));
    for (int row = 0; row < mapheight; ++row)
        for (int column = 0; column < mapwidth; ++column)
            fuzz::check_block(MapGetBlock(column, row));
}

void draw_everything(const std::uint8_t *control)
{
    BITMAP *canvas = create_bitmap(CANVAS_W, CANVAS_H);
    const int mapx = static_cast<std::int8_t>(control[CTRL_MAP_X]) * POSITION_SCALE;
    const int mapy = static_cast<std::int8_t>(control[CTRL_MAP_Y]) * POSITION_SCALE;
    const int wx = static_cast<std::int8_t>(control[CTRL_WINDOW_X]);
    const int wy = static_cast<std::int8_t>(control[CTRL_WINDOW_Y]);
    fuzz::draw_window(canvas, mapx, mapy, wx, wy, control[CTRL_WINDOW_W], control[CTRL_WINDOW_H]);
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
