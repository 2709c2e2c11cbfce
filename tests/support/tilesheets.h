// A tile sheet for tests of the level compiler, made in memory rather than read from a PCX.
#ifndef TESTS_TILESHEETS_H
#define TESTS_TILESHEETS_H

#include "testmaps.h"
#include "tilesheet.h"

// `count` graphics, graphic n filled with palette index n; a black palette, no names.
inline TileSheet solid_sheet(int count)
{
    TileSheet sheet;
    sheet.count = count;
    for (int n = 0; n < count; ++n)
        sheet.pixels.insert(sheet.pixels.end(), TILE_PIXELS * TILE_PIXELS,
                            static_cast<unsigned char>(n));
    sheet.cmap = testmaps::black_cmap();
    return sheet;
}

#endif
