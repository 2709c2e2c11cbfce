// Tile collision queries: whether single map pixels and straight runs of pixels are blocked by
// solid blocks, one-way platforms or the solid triangles of slope blocks.
#include "wallstuff.h"

#include "tilegrid.h"

namespace {

// Answers every probe that finds no block record: no flags, no slope.
const BlockStr empty_block{};

// Probe a run from first to last: the first pixel, every block length after it, and always the
// last one, so that no block the run crosses is skipped. A reversed run probes nothing.
template <typename Blocked>
bool probe_run(int first, int last, Blocked blocked)
{
    for (int c = first; c <= last;) {
        if (blocked(c))
            return true;
        if (c == last)
            break;
        c = last - c > TILE_SIZE ? c + TILE_SIZE : last;
    }
    return false;
}

} // namespace

const BlockStr &block_at(int x, int y)
{
    const BlockStr *block = MapGetBlockInPixels(x, y);
    return block ? *block : empty_block;
}

bool block_point(int x, int y, bool pass_platforms)
{
    if (below_map(y))
        return false;
    const unsigned flags = block_at(x, y).flags;
    return (flags & BLOCK_SOLID) || (!pass_platforms && (flags & BLOCK_PLATFORM));
}

int slope_point(int x, int y)
{
    if (below_map(y))
        return 0;
    const int px = offset_in_block(x);
    const int py = offset_in_block(y);
    const int last = TILE_SIZE - 1;
    const int type = block_at(x, y).attr1;
    bool solid = false;
    switch (type) {
    case slope_floor_down_right:
        solid = py >= px;
        break;
    case slope_ceiling_left:
        solid = py <= last - px;
        break;
    case slope_ceiling_right:
        solid = py <= px;
        break;
    case slope_floor_down_left:
        solid = py >= last - px;
        break;
    case slope_full:
        solid = true;
        break;
    default:
        return slope_none;
    }
    return solid ? type : slope_none;
}

int slope_tile(int x, int y)
{
    if (below_map(y))
        return slope_none;
    return block_at(x, y).attr1;
}

bool block_horiz(int x1, int x2, int y, bool pass_platforms, bool with_slopes)
{
    if (below_map(y))
        return false;
    if (block_row(y) < 1)
        return true;
    return probe_run(x1, x2, [&](int c) {
        return block_point(c, y, pass_platforms) || (with_slopes && slope_point(c, y) != 0);
    });
}

bool block_vert(int x, int y1, int y2, bool with_slopes)
{
    if (in_left_wall_column(x) || in_right_wall_column(x))
        return true;
    if (below_map(y2))
        return false;
    return probe_run(y1, y2, [&](int c) {
        return block_point(x, c, true) || (with_slopes && slope_point(x, c) != 0);
    });
}
