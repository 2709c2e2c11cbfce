// A bitmap for drawing tests that shows which pixels a call changed.
#include "canvas.h"

Canvas::Canvas(int width, int height, int depth)
    : bmp_(create_bitmap_ex(depth ? depth : bitmap_color_depth(screen), width, height))
{
    clear_to_color(bmp_, UNTOUCHED);
}

Canvas::~Canvas() { destroy_bitmap(bmp_); }

int Canvas::changed_outside(int x, int y, int w, int h) const
{
    int changed = 0;
    for (int py = 0; py < bmp_->h; ++py)
        for (int px = 0; px < bmp_->w; ++px) {
            const bool inside = px >= x && px < x + w && py >= y && py < y + h;
            if (!inside && at(px, py) != UNTOUCHED)
                ++changed;
        }
    return changed;
}
