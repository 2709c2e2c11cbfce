// Block queries and editing of the current layer: lookups by pixel (ordinary and staggered maps
// with their click mask) and by block position, cell edits, layer switching, attribute search.
#include "mapinternal.h"
#include "mapwalk.h"

namespace {

enum ClickAxis { AXIS_COLUMN = 0, AXIS_ROW = 1 };

// The cell at a block position of the current layer: through the row table when there is one,
// which spares the multiplication on the lookups the game makes every tick.
short *cell_at(int column, int row)
{
    if (maparraypt)
        return maparraypt[row] + column;
    return mappt + row * mapwidth + column;
}

bool pixel_in_layer(int x, int y)
{
    return mappt && x >= 0 && y >= 0 && x < mapwidth * mapblockwidth &&
           y < mapheight * mapblockheight;
}

int clamp_to(int value, int size)
{
    if (value < 0)
        return 0;
    if (value >= size)
        return size - 1;
    return value;
}

bool click_mask_exists()
{
    return abmTiles && mapclickmask >= 0 && mapclickmask < mapnumblockgfx &&
           abmTiles[mapclickmask];
}

// Attributes compare as the fields store them: 3 and 4 as unsigned 16-bit numbers, 5 to 7 as
// unsigned bytes, so a negative value never matches them.
bool attribute_matches(const BlockStr &block, int attribute, int value)
{
    switch (attribute) {
    case 1: return value == block.attr1;
    case 2: return value == block.attr2;
    case 3: return value == block.attr3;
    case 4: return value == block.attr4;
    case 5: return value == block.attr5;
    case 6: return value == block.attr6;
    case 7: return value == block.attr7;
    default: return false;
    }
}

} // namespace

BlockStr *MapGetBlockInPixels(int x, int y)
{
    if (!pixel_in_layer(x, y))
        return nullptr;
    return MapCellBlock(*cell_at(MapGetXOffset(x, y), MapGetYOffset(x, y)));
}

BlockStr *MapGetBlock(int column, int row)
{
    return MapCellBlock(*cell_at(column, row));
}

void MapSetBlockInPixels(int x, int y, int value)
{
    if (!pixel_in_layer(x, y))
        return;
    *cell_at(MapGetXOffset(x, y), MapGetYOffset(x, y)) = static_cast<short>(value);
}

void MapSetBlock(int column, int row, int value)
{
    *cell_at(column, row) = static_cast<short>(value);
}

int MapChangeLayer(int layer)
{
    if (static_cast<unsigned>(layer) >= MAP_LAYERS || !mapmappt[layer])
        return -1;
    mappt = mapmappt[layer];
    maparraypt = mapmaparraypt[layer];
    return layer;
}

int MapGetBlockID(int value, int attribute)
{
    if (!mapblockstrpt)
        return -1;
    for (int i = 0; i < mapnumblockstr; ++i)
        if (attribute_matches(mapblockstrpt[i], attribute, value))
            return i;
    return -1;
}

int MapGetXOffset(int x, int y)
{
    const bool staggered = MapIsStaggered();
    if (staggered) {
        x += mapblockstaggerx;
        y += mapblockstaggery;
    }
    int column = x / mapblockgapx;
    if (staggered && mapclickmask)
        column += MEClickmask(x, y, AXIS_COLUMN);
    return clamp_to(column, mapwidth);
}

int MapGetYOffset(int x, int y)
{
    const bool staggered = MapIsStaggered();
    if (staggered) {
        x += mapblockstaggerx;
        y += mapblockstaggery;
    }
    int row = y / mapblockgapy;
    // A staggered map has two rows per gap step: the even one inside the block's shape, the
    // odd one above or below it.
    if (staggered && mapclickmask)
        row = 2 * row + MEClickmask(x, y, AXIS_ROW);
    return clamp_to(row, mapheight);
}

int MEClickmask(int x, int y, int axis)
{
    if (!click_mask_exists() || (axis != AXIS_COLUMN && axis != AXIS_ROW))
        return 0;
    x %= mapblockgapx;
    y %= mapblockgapy;
    // Right of the block graphic: the column stays, the row is the odd one above or below.
    if (x >= mapblockwidth) {
        if (axis == AXIS_COLUMN)
            return 0;
        return y >= mapblockstaggery ? 1 : -1;
    }
    // Below the block graphic: the odd row below, and the column to the left before the stagger.
    if (y >= mapblockheight) {
        if (axis == AXIS_ROW)
            return 1;
        return x >= mapblockstaggerx ? 0 : -1;
    }
    if (getpixel(abmTiles[mapclickmask], x, y) != MapMaskColour(mapdepth))
        return 0;
    if (axis == AXIS_COLUMN)
        return x < mapblockwidth / 2 ? -1 : 0;
    return y < mapblockheight / 2 ? -1 : 1;
}
