// Tile collision queries: solid blocks, one-way platforms and slope triangles at single map
// pixels and along runs of pixels, in 16 x 16 blocks.
#ifndef WALLSTUFF_H
#define WALLSTUFF_H

// Bits of a block's flags and its slope types (attr1) that the game gives meaning to.
enum : unsigned {
    BLOCK_SOLID = 1,
    BLOCK_PLATFORM = 2,
    BLOCK_ICE = 4,
    BLOCK_CLIMBABLE = 8,
};

enum slope_type {
    slope_none = 0,
    slope_floor_down_right = 1, // floor in the lower-left half, high on the left
    slope_ceiling_left = 2,     // ceiling in the upper-left half
    slope_ceiling_right = 3,    // ceiling in the upper-right half
    slope_floor_down_left = 4,  // floor in the lower-right half, high on the right
    slope_full = 5,             // the whole block, for slope tests only
};

constexpr int TILE_SIZE = 16;

// Solid block at the pixel, or a platform unless pass_platforms.
bool block_point(int x, int y, bool pass_platforms);
// Slope type when the pixel lies in the solid part of a slope block, else 0.
int slope_point(int x, int y);
// The raw slope attribute of the block at the pixel.
int slope_tile(int x, int y);
// Is any probed pixel of row y from x1 to x2 blocked? The top block row always is.
bool block_horiz(int x1, int x2, int y, bool pass_platforms, bool with_slopes);
// Is any probed pixel of column x from y1 to y2 blocked? Outer columns always are.
bool block_vert(int x, int y1, int y2, bool with_slopes);

#endif
