// Block geometry shared by the collision queries, the movement and the girl's sensing: blocks
// of 16 x 16 pixels counted from the map's top-left pixel, and the block record under a pixel.
#ifndef TILEGRID_H
#define TILEGRID_H

#include "maplib.h"
#include "wallstuff.h"

// Block row of a pixel row, truncating toward zero like the rest of the game's arithmetic.
inline int block_row(int y)
{
    return y / TILE_SIZE;
}

inline int block_column(int x)
{
    return x / TILE_SIZE;
}

inline int top_of_block_row(int row)
{
    return TILE_SIZE * row;
}

// Position of a pixel within its block: 0 .. 15 inside the map.
inline int offset_in_block(int v)
{
    return v - TILE_SIZE * (v / TILE_SIZE);
}

// The map's first and last block columns are walls to sideways movement whatever they hold.
inline bool in_left_wall_column(int x)
{
    return block_column(x) < 1;
}

inline bool in_right_wall_column(int x)
{
    return block_column(x) > mapwidth - 2;
}

// Pixel rows whose block row lies below the map's last one.
inline bool below_map(int y)
{
    return block_row(y) > mapheight - 1;
}

// The block record under a map pixel; outside the map, an empty block (no flags, slope 0).
const BlockStr &block_at(int x, int y);

#endif
