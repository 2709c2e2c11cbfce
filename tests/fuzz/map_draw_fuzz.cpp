// Fuzz target map_draw: whatever MapDecode accepts is drawn with every drawing function from
// the map's corners, middle and beyond, into windows inside and across the canvas, on every
// layer it has, before and after animation steps, and queried at its edges.
#include "fuzz_target.h"
#include "maplib.h"

#include <iterator>

namespace {

constexpr int CANVAS_W = 80, CANVAS_H = 60;
constexpr int ANIM_UPDATES = 2;

struct Window {
    int x, y, w, h;
};

// A window filling the canvas, a small odd one inside it, and ones reaching past its edges.
constexpr Window WINDOWS[] = {
    {0, 0, CANVAS_W, CANVAS_H},
    {5, 7, 13, 11},
    {-9, -9, 40, 30},
    {CANVAS_W - 20, CANVAS_H - 15, 64, 64},
};

// Map positions shown at a window's corner: the map's origin, its middle, its far corner less
// the window, its far corner itself, and one gap before the origin.
void draw_from_everywhere(BITMAP *canvas, const Window &window)
{
    const long long right = static_cast<long long>(mapwidth) * mapblockgapx;
    const long long bottom = static_cast<long long>(mapheight) * mapblockgapy;
    const long long xs[] = {0, right / 2, right - window.w, right, -mapblockgapx};
    const long long ys[] = {0, bottom / 2, bottom - window.h, bottom, -mapblockgapy};
    for (std::size_t i = 0; i < std::size(xs); ++i)
        fuzz::draw_window(canvas, fuzz::clamped_to_int(xs[i]), fuzz::clamped_to_int(ys[i]),
                          window.x, window.y, window.w, window.h);
}

void draw_every_layer(BITMAP *canvas)
{
    for (int layer = 0; layer < MAP_LAYERS; ++layer) {
        if (MapChangeLayer(layer) != layer)
            continue;
        for (const Window &window : WINDOWS)
            draw_from_everywhere(canvas, window);
        fuzz::query_edges();
    }
}

} // namespace

int fuzz_map_draw(const std::uint8_t *data, std::size_t size)
{
    const std::vector<unsigned char> image = fuzz::complete_map_image(data, size);
    fuzz::use_screen(8);
    if (MapDecode(image.data()) == 0) {
        BITMAP *canvas = create_bitmap(CANVAS_W, CANVAS_H);
        draw_every_layer(canvas);
        MapGenerateYLookup();
        for (int i = 0; i < ANIM_UPDATES; ++i)
            MapUpdateAnims();
        draw_every_layer(canvas);
        destroy_bitmap(canvas);
    }
    MapFreeMem();
    fuzz::leave_screen();
    return 0;
}

ORVIA_FUZZ_TARGET("map_draw", fuzz_map_draw)
