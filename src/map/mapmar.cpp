// Map array files: the raw little-endian cells of one layer, in number or offset form, read from
// a file or an image into a layer of the loaded map. A failed read leaves the layer untouched.
#include "mapformat.h"
#include "mapinternal.h"
#include "mapwalk.h"

#include <cstring>
#include <memory>

namespace {

constexpr short OFFSET_FORM_LOW_BITS = 15; // offset-form cells are multiples of 16
constexpr int OFFSET_BLOCK_RECORD_SIZE = 32; // fixed, whatever mapblockstrsize says

// A layer buffer in the making: allocated as MapFreeMem expects to release it.
struct FreeCells {
    void operator()(short *cells) const { MapRelease(cells); }
};
using CellBuffer = std::unique_ptr<short[], FreeCells>;

long layer_cell_count()
{
    return static_cast<long>(mapwidth) * mapheight;
}

bool layer_can_be_replaced(int layer)
{
    return static_cast<unsigned>(layer) < MAP_LAYERS && mapblockstrpt && mapwidth > 0 &&
           mapheight > 0;
}

CellBuffer allocate_cells()
{
    return CellBuffer(MapAllocate<short>(static_cast<std::size_t>(layer_cell_count())));
}

// Turn the little-endian bytes at the start of a buffer into its cells, in place: cell i is
// made from bytes 2i and 2i + 1, which it then occupies.
void cells_from_bytes(short *cells, long count)
{
    const unsigned char *bytes = reinterpret_cast<const unsigned char *>(cells);
    for (long i = 0; i < count; ++i) {
        const unsigned low = bytes[mapformat::CELL_SIZE * i];
        const unsigned high = bytes[mapformat::CELL_SIZE * i + 1];
        cells[i] = static_cast<short>(low | (high << 8));
    }
}

// Offset form (every cell a multiple of 16): byte offsets into 32-byte block records and
// negative byte offsets into 16-byte animation records become numbers. Any other layer is
// already in number form.
void convert_offset_form(short *cells, long count)
{
    for (long i = 0; i < count; ++i)
        if (cells[i] & OFFSET_FORM_LOW_BITS)
            return;
    for (long i = 0; i < count; ++i)
        cells[i] = static_cast<short>(cells[i] >= 0 ? cells[i] / OFFSET_BLOCK_RECORD_SIZE
                                                    : cells[i] / mapformat::ANIM_RECORD_SIZE);
}

// Convert and check the cells, then put them into the layer, creating it when it is missing.
int store_layer(CellBuffer cells, int layer)
{
    const long count = layer_cell_count();
    convert_offset_form(cells.get(), count);
    if (!MapCellsAreSound(cells.get(), count))
        return -1;
    if (mapmappt[layer])
        std::memcpy(mapmappt[layer], cells.get(), count * sizeof(short));
    else
        mapmappt[layer] = cells.release();
    return 0;
}

} // namespace

int MapLoadMAR(const char *filename, int layer)
{
    if (!layer_can_be_replaced(layer) || !filename)
        return -1;
    PACKFILE *file = MapOpenFile(filename);
    if (!file)
        return -1;
    CellBuffer cells = allocate_cells();
    const long bytes = layer_cell_count() * mapformat::CELL_SIZE;
    const bool complete = cells && pack_fread(cells.get(), bytes, file) == bytes;
    pack_fclose(file);
    if (!complete)
        return -1;
    cells_from_bytes(cells.get(), layer_cell_count());
    return store_layer(std::move(cells), layer);
}

int MapDecodeMAR(const unsigned char *image, int layer)
{
    if (!layer_can_be_replaced(layer) || !image)
        return -1;
    CellBuffer cells = allocate_cells();
    if (!cells)
        return -1;
    std::memcpy(cells.get(), image, layer_cell_count() * mapformat::CELL_SIZE);
    cells_from_bytes(cells.get(), layer_cell_count());
    return store_layer(std::move(cells), layer);
}
