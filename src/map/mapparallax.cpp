// Parallax layer: a picture with one block of repeated margin, drawn at half the map's speed
// into the see-through cells of a window of the current layer.
#include "mapwalk.h"

namespace {

enum ParallaxKind { PARALLAX_MEMORY = 0, PARALLAX_VIDEO = 1 };

constexpr int PARALLAX_SPEED_DIVISOR = 2; // the picture moves one pixel per two of the map

// Video bitmaps need a display driver; without one there is no video memory to use. The size
// grows by the file's block size, so it is checked first.
BITMAP *create_parallax_bitmap(int kind, long long width, long long height)
{
    const int depth = kind == PARALLAX_MEMORY ? get_color_depth() : bitmap_color_depth(screen);
    if (!MapBitmapFits(width, height, depth))
        return nullptr;
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    if (kind == PARALLAX_MEMORY)
        return create_bitmap(w, h);
    if (!gfx_driver || !screen)
        return nullptr;
    return create_video_bitmap(w, h);
}

// Fill the bottom margin with the source's top rows and then the right margin with the
// picture's left columns. A source smaller than a block is repeated until the margin is full.
void fill_margins(BITMAP *source, BITMAP *picture)
{
    const int width = source->w, height = source->h;
    for (int y = height; y < picture->h; y += height)
        blit(source, picture, 0, 0, 0, y, width, std::min(height, picture->h - y));
    for (int x = width; x < picture->w; x += width)
        blit(picture, picture, 0, 0, x, 0, std::min(width, picture->w - x), picture->h);
}

// The picture's column (or row) that lies under the first cell of the walk: the cell's own map
// position, less half the map position, wrapped into the repeat period.
int picture_start(int map_position, int remainder, int period)
{
    int start = (map_position - remainder) % period -
                (map_position / PARALLAX_SPEED_DIVISOR) % period;
    while (start < 0)
        start += period;
    return start;
}

// Move a picture position on past `skipped` cells of `size` pixels, within the repeat period.
int picture_skip(int position, int skipped, int size, int period)
{
    return static_cast<int>((position + static_cast<long long>(skipped) * size) % period);
}

// Move a picture position on by one cell; a block no wider than the period needs one wrap.
int picture_step(int position, int size, int period)
{
    position += size;
    while (position >= period)
        position -= period;
    return position;
}

} // namespace

BITMAP *MapMakeParallaxBitmap(BITMAP *source, int kind)
{
    if (!mappt || !source || (kind != PARALLAX_MEMORY && kind != PARALLAX_VIDEO))
        return nullptr;
    BITMAP *picture =
        create_parallax_bitmap(kind, static_cast<long long>(source->w) + mapblockwidth,
                               static_cast<long long>(source->h) + mapblockheight);
    if (!picture)
        return nullptr;
    blit(source, picture, 0, 0, 0, 0, source->w, source->h);
    fill_margins(source, picture);
    return picture;
}

void MapDrawParallax(BITMAP *dest, BITMAP *parallax, int mapx, int mapy, int wx, int wy,
                     int ww, int wh)
{
    if (MapIsStaggered() || !mappt || !mapblockstrpt || !parallax)
        return;
    const int bw = mapblockwidth, bh = mapblockheight;
    const int period_x = parallax->w - bw, period_y = parallax->h - bh;
    if (period_x <= 0 || period_y <= 0)
        return;
    MapWindowClip clip(dest, wx, wy, ww, wh);

    const int rx = mapx % bw, ry = mapy % bh;
    const MapWalkSpan rows = MapClipWalk(mapy / bh, wy - ry, bh,
                                         static_cast<long long>(wy) + wh, mapheight);
    const MapWalkSpan columns = MapClipWalk(mapx / bw, wx - rx, bw,
                                            static_cast<long long>(wx) + ww, mapwidth);
    if (columns.count == 0)
        return;
    // Cells the walk passes outside the layer still move the picture along.
    const int sx0 = picture_skip(picture_start(mapx, rx, period_x), columns.skipped, bw, period_x);
    int sy = picture_skip(picture_start(mapy, ry, period_y), rows.skipped, bh, period_y);

    const short *row = mappt + static_cast<long>(rows.first) * mapwidth + columns.first;
    int y = rows.pos;
    for (int r = 0; r < rows.count; ++r, row += mapwidth, y += bh) {
        const short *cell = row;
        int x = columns.pos, sx = sx0;
        for (int c = 0; c < columns.count; ++c, ++cell, x += bw) {
            if (MapCellBlock(*cell)->flags & BLOCK_SEE_THROUGH)
                blit(parallax, dest, sx, sy, x, y, bw, bh);
            sx = picture_step(sx, bw, period_x);
        }
        sy = picture_step(sy, bh, period_y);
    }
}
