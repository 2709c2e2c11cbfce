// Helpers shared by the loader, queries, drawing, parallax and layer files: cells turned into
// the block records they show, the window clip of a drawing call, the part of a walk in the layer.
#ifndef MAPWALK_H
#define MAPWALK_H

#include "maplib.h"
#include "maprules.h"

#include <algorithm>

// The block record a cell shows: a value v >= 0 is record v, a value -k the record of the
// current frame of animation k (counted back from mapanimstrendpt). The loader and the map
// array reader only admit cells that name existing records and animations.
inline BlockStr *MapCellBlock(short cell)
{
    if (cell >= 0)
        return mapblockstrpt + cell;
    return mapblockstrpt + mapanimseqpt[mapanimstrendpt[cell].current];
}

// Animations a cell may name: the records after the end marker.
inline long MapAnimationCount()
{
    if (!mapanimstrpt)
        return 0;
    return static_cast<long>(mapanimstrendpt - mapanimstrpt) - 1;
}

// True when every one of `count` cells names a block record or an animation of the loaded map.
// Only the smallest and the largest cell need checking; finding them is a loop the compiler
// vectorises, which matters on large maps.
inline bool MapCellsAreSound(const short *cells, long count)
{
    if (count <= 0)
        return true;
    short lowest = cells[0], highest = cells[0];
    for (long i = 1; i < count; ++i) {
        lowest = std::min(lowest, cells[i]);
        highest = std::max(highest, cells[i]);
    }
    const long animations = MapAnimationCount();
    return MapCellIsSound(lowest, mapnumblockstr, animations) &&
           MapCellIsSound(highest, mapnumblockstr, animations);
}

// True when the map is staggered: odd rows are shifted and two rows share one gap step.
inline bool MapIsStaggered()
{
    return mapblockstaggerx != 0 || mapblockstaggery != 0;
}

// For the lifetime of a drawing call: the destination's clip rectangle is the window, and the
// caller's rectangle and clip state come back exactly afterwards. A window that misses the
// bitmap gets an empty clip rectangle, since the library would clamp it onto the bitmap's edge.
class MapWindowClip {
public:
    MapWindowClip(BITMAP *dest, int x, int y, int width, int height) : dest_(dest)
    {
        get_clip_rect(dest_, &left_, &top_, &right_, &bottom_);
        state_ = get_clip_state(dest_);
        const long long window_right = static_cast<long long>(x) + width;
        const long long window_bottom = static_cast<long long>(y) + height;
        const bool on_bitmap = width > 0 && height > 0 && x < dest_->w && y < dest_->h &&
                               window_right > 0 && window_bottom > 0;
        if (on_bitmap)
            set_clip_rect(dest_, x, y, static_cast<int>(std::min<long long>(window_right, dest_->w)) - 1,
                          static_cast<int>(std::min<long long>(window_bottom, dest_->h)) - 1);
        else
            set_clip_rect(dest_, 0, 0, -1, -1);
        set_clip_state(dest_, TRUE);
    }
    ~MapWindowClip()
    {
        set_clip_rect(dest_, left_, top_, right_, bottom_);
        set_clip_state(dest_, state_);
    }
    MapWindowClip(const MapWindowClip &) = delete;
    MapWindowClip &operator=(const MapWindowClip &) = delete;

private:
    BITMAP *dest_;
    int left_, top_, right_, bottom_;
    int state_;
};

// The stretch of one line of a cell walk (the columns of a row, or the rows) that is drawn.
struct MapWalkSpan {
    int first = 0;   // first index drawn
    int count = 0;   // number of indices drawn, 0 when none
    int pos = 0;     // pixel at which the first index drawn lies
    int skipped = 0; // indices the walk passes before `first` (outside the layer)
};

// A walk starts at index `start` at pixel `pos` and steps `step` pixels (step > 0) per index
// while the pixel stays below `limit`; only indices 0 .. size - 1 exist in the layer.
inline MapWalkSpan MapClipWalk(int start, int pos, int step, long long limit, int size)
{
    MapWalkSpan span;
    if (pos >= limit)
        return span;
    const long long steps = (limit - pos + step - 1) / step;
    const long long first = std::max<long long>(start, 0);
    const long long end = std::min<long long>(start + steps, size);
    if (first >= end)
        return span;
    span.first = static_cast<int>(first);
    span.count = static_cast<int>(end - first);
    span.skipped = static_cast<int>(first - start);
    span.pos = static_cast<int>(pos + span.skipped * static_cast<long long>(step));
    return span;
}

#endif
