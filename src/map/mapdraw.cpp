// Drawing a window of the current layer: opaque and see-through backgrounds, one foreground
// graphic per block, and single rows of stacked foregrounds for interleaving sprites.
#include "mapwalk.h"

namespace {

// Where the walk of a window begins: the first column and row and the pixel at which they lie.
struct WalkOrigin {
    int column, row;
    int x, y;
};

// Divisions truncate toward zero, so for a negative map position the first column lies inside
// the window; the cell positions come out the same either way.
WalkOrigin walk_origin(int mapx, int mapy, int x, int y)
{
    return {mapx / mapblockgapx, mapy / mapblockgapy, x - mapx % mapblockgapx,
            y - mapy % mapblockgapy};
}

// A staggered walk starts one gap up and left of the window, from the map position less the
// stagger, so that the shifted odd rows also cover the window's top and left edges.
WalkOrigin staggered_origin(int mapx, int mapy, int x, int y)
{
    return walk_origin(mapx - mapblockstaggerx, mapy - mapblockstaggery, x - mapblockgapx,
                       y - mapblockgapy);
}

bool layer_drawable()
{
    return mapgfxinbitmaps != 0 && mappt && mapblockstrpt && abmTiles;
}

bool is_graphic_zero(const BITMAP *graphic)
{
    return graphic == abmTiles[0];
}

void draw_opaque(BITMAP *dest, BITMAP *graphic, int x, int y)
{
    if (graphic)
        blit(graphic, dest, 0, 0, x, y, mapblockwidth, mapblockheight);
}

void draw_masked(BITMAP *dest, BITMAP *graphic, int x, int y)
{
    if (graphic)
        masked_blit(graphic, dest, 0, 0, x, y, mapblockwidth, mapblockheight);
}

template <typename DrawCell>
void walk_row(const short *row, const MapWalkSpan &columns, int y, DrawCell &draw)
{
    const short *cell = row + columns.first;
    int x = columns.pos;
    for (int n = 0; n < columns.count; ++n, ++cell, x += mapblockgapx)
        draw(MapCellBlock(*cell), x, y);
}

// Visits, in drawing order, every cell of the layer that the window's walk reaches, with the
// pixel at which it is drawn. Cells the walk would reach outside the layer are left out.
template <typename DrawCell>
void walk_window(int mapx, int mapy, int wx, int wy, int ww, int wh, DrawCell draw)
{
    const long long right = static_cast<long long>(wx) + ww;
    const long long bottom = static_cast<long long>(wy) + wh;
    if (!MapIsStaggered()) {
        const WalkOrigin origin = walk_origin(mapx, mapy, wx, wy);
        const MapWalkSpan rows = MapClipWalk(origin.row, origin.y, mapblockgapy, bottom, mapheight);
        const MapWalkSpan columns =
            MapClipWalk(origin.column, origin.x, mapblockgapx, right, mapwidth);
        if (columns.count == 0)
            return;
        const short *row = mappt + static_cast<long>(rows.first) * mapwidth;
        int y = rows.pos;
        for (int n = 0; n < rows.count; ++n, row += mapwidth, y += mapblockgapy)
            walk_row(row, columns, y, draw);
        return;
    }
    // Each step down covers an even map row and the odd row after it, so the steps are clipped
    // to the pairs of rows that exist.
    const WalkOrigin origin = staggered_origin(mapx, mapy, wx, wy);
    const int row_pairs = (mapheight + 1) / 2;
    const MapWalkSpan steps = MapClipWalk(origin.row, origin.y, mapblockgapy, bottom, row_pairs);
    const MapWalkSpan even = MapClipWalk(origin.column, origin.x, mapblockgapx, right, mapwidth);
    const MapWalkSpan odd = MapClipWalk(origin.column, origin.x + mapblockstaggerx, mapblockgapx,
                                        right, mapwidth);
    int map_row = 2 * steps.first;
    const short *row = mappt + static_cast<long>(map_row) * mapwidth;
    int y = steps.pos;
    for (int n = 0; n < steps.count; ++n, map_row += 2, row += 2 * mapwidth, y += mapblockgapy) {
        walk_row(row, even, y, draw);
        if (map_row + 1 < mapheight)
            walk_row(row + mapwidth, odd, y + mapblockstaggery, draw);
    }
}

// One graphic of a MapDrawRow stack, cut to the half its record's flags ask for.
void draw_stacked(BITMAP *dest, const BlockStr &record, BITMAP *graphic, int x, int y)
{
    if (!graphic)
        return;
    const int half = mapblockwidth / 2;
    switch (record.flags & (BLOCK_LEFT_HALF | BLOCK_RIGHT_HALF)) {
    case BLOCK_LEFT_HALF:
        masked_blit(graphic, dest, 0, 0, x, y, half, mapblockheight);
        break;
    case BLOCK_RIGHT_HALF:
        masked_blit(graphic, dest, half, 0, x, y, half, mapblockheight);
        break;
    default:
        masked_blit(graphic, dest, 0, 0, x, y, mapblockwidth, mapblockheight);
        break;
    }
}

// The foregrounds of a cell's block stacked upward from the cell, then, while a record asks
// for it, every graphic of the following record; the stack ends at the last record.
void draw_stack(BITMAP *dest, const BlockStr *block, int x, int y)
{
    const BlockStr *last = mapblockstrpt + mapnumblockstr - 1;
    int top = y;
    for (BITMAP *graphic : {block->gfx_fg1.bitmap, block->gfx_fg2.bitmap, block->gfx_fg3.bitmap}) {
        draw_stacked(dest, *block, graphic, x, top);
        top -= mapblockheight;
    }
    while ((block->flags & BLOCK_STACK_NEXT) && block < last) {
        ++block;
        for (BITMAP *graphic : {block->gfx_bg.bitmap, block->gfx_fg1.bitmap,
                                block->gfx_fg2.bitmap, block->gfx_fg3.bitmap}) {
            draw_stacked(dest, *block, graphic, x, top);
            top -= mapblockheight;
        }
    }
}

BITMAP *foreground(const BlockStr *block, int layer)
{
    switch (layer) {
    case 0: return block->gfx_fg1.bitmap;
    case 1: return block->gfx_fg2.bitmap;
    default: return block->gfx_fg3.bitmap;
    }
}

// Where MapDrawRow draws: the map row and the pixel row and first column of its cells.
struct RowPlace {
    long long map_row;
    int x, y;
    int first_column;
};

RowPlace row_place(int mapx, int mapy, int wx, int wy, int row)
{
    if (!MapIsStaggered()) {
        const WalkOrigin origin = walk_origin(mapx, mapy, wx, wy);
        return {static_cast<long long>(origin.row) + row, origin.x,
                origin.y + row * mapblockgapy, origin.column};
    }
    const WalkOrigin origin = staggered_origin(mapx, mapy, wx, wy);
    RowPlace place{2LL * origin.row + row, origin.x, origin.y + (row / 2) * mapblockgapy,
                   origin.column};
    if (row % 2 != 0) {
        place.x += mapblockstaggerx;
        place.y += mapblockstaggery;
    }
    return place;
}

// The rows MapDrawRow draws: from the layer's first row up to the last row that lies below the
// window's first row; on staggered maps the layer's last row is refused as well.
bool row_in_reach(int mapy, int row)
{
    const long long counted_from_window = mapy / mapblockgapy + static_cast<long long>(row);
    if (counted_from_window >= mapheight)
        return false;
    if (!MapIsStaggered())
        return counted_from_window >= 0;
    const long long map_row = 2LL * ((mapy - mapblockstaggery) / mapblockgapy) + row;
    return map_row >= 0 && map_row < mapheight - 1;
}

} // namespace

void MapDrawBG(BITMAP *dest, int mapx, int mapy, int wx, int wy, int ww, int wh)
{
    if (!layer_drawable())
        return;
    MapWindowClip clip(dest, wx, wy, ww, wh);
    if (!MapIsStaggered()) {
        walk_window(mapx, mapy, wx, wy, ww, wh, [dest](const BlockStr *block, int x, int y) {
            draw_opaque(dest, block->gfx_bg.bitmap, x, y);
        });
        return;
    }
    walk_window(mapx, mapy, wx, wy, ww, wh, [dest](const BlockStr *block, int x, int y) {
        if (!is_graphic_zero(block->gfx_bg.bitmap))
            draw_masked(dest, block->gfx_bg.bitmap, x, y);
    });
}

void MapDrawBGT(BITMAP *dest, int mapx, int mapy, int wx, int wy, int ww, int wh)
{
    if (MapIsStaggered()) {
        MapDrawBG(dest, mapx, mapy, wx, wy, ww, wh);
        return;
    }
    if (!layer_drawable())
        return;
    MapWindowClip clip(dest, wx, wy, ww, wh);
    walk_window(mapx, mapy, wx, wy, ww, wh, [dest](const BlockStr *block, int x, int y) {
        BITMAP *graphic = block->gfx_bg.bitmap;
        if (!(block->flags & BLOCK_SEE_THROUGH))
            draw_opaque(dest, graphic, x, y);
        else if (!is_graphic_zero(graphic))
            draw_masked(dest, graphic, x, y);
    });
}

void MapDrawFG(BITMAP *dest, int mapx, int mapy, int wx, int wy, int ww, int wh, int layer)
{
    if (!layer_drawable())
        return;
    MapWindowClip clip(dest, wx, wy, ww, wh);
    walk_window(mapx, mapy, wx, wy, ww, wh, [dest, layer](const BlockStr *block, int x, int y) {
        draw_masked(dest, foreground(block, layer), x, y);
    });
}

void MapDrawRow(BITMAP *dest, int mapx, int mapy, int wx, int wy, int ww, int wh, int row,
                void (*cellfn)(int column, int row, int x, int y))
{
    if (!layer_drawable() || !row_in_reach(mapy, row))
        return;
    const RowPlace place = row_place(mapx, mapy, wx, wy, row);
    MapWindowClip clip(dest, wx, wy, ww, wh);
    const MapWalkSpan columns = MapClipWalk(place.first_column, place.x, mapblockgapx,
                                            static_cast<long long>(wx) + ww, mapwidth);
    const short *cell = mappt + place.map_row * mapwidth + columns.first;
    int x = columns.pos;
    for (int n = 0; n < columns.count; ++n, ++cell, x += mapblockgapx) {
        if (cellfn)
            cellfn(columns.first + n, static_cast<int>(place.map_row), x, place.y);
        draw_stack(dest, MapCellBlock(*cell), x, place.y);
    }
}
