// Fuzz target mar_load: arbitrary bytes as a map array file, plain or packed, read by name into
// a layer of a small loaded map, which is then drawn and queried.
#include "fuzz_target.h"
#include "maplib.h"

#include <cstdlib>

namespace {

// Input layout: one control byte (the layer, -1 to 8, and whether the map is staggered), then
// the file.
constexpr int LAYER_CHOICES = 10;
constexpr int STAGGERED_BIT = 0x80;
constexpr int CANVAS_W = 64, CANVAS_H = 48;

} // namespace

int fuzz_mar_load(const std::uint8_t *data, std::size_t size)
{
    const int control = size ? data[0] : 0;
    const int layer = (control & ~STAGGERED_BIT) % LAYER_CHOICES - 1;
    const char *path = fuzz::scratch_file(size ? data + 1 : data, size ? size - 1 : 0);

    fuzz::use_screen(8);
    if (MapDecode(fuzz::small_map_image((control & STAGGERED_BIT) != 0).data()) != 0)
        std::abort(); // the map is built here and must load
    if (MapLoadMAR(path, layer) == 0 && MapChangeLayer(layer) == layer) {
        BITMAP *canvas = create_bitmap(CANVAS_W, CANVAS_H);
        fuzz::draw_window(canvas, 0, 0, 0, 0, CANVAS_W, CANVAS_H);
        destroy_bitmap(canvas);
        fuzz::query_edges();
    }
    MapFreeMem();
    fuzz::leave_screen();
    return 0;
}

ORVIA_FUZZ_TARGET("mar_load", fuzz_mar_load)
