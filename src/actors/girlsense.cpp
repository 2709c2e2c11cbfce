// The girl's terrain sensing: air, ice, the push of a floor slope, falling out of the map,
// ledges beside her and climbable blocks at her feet.
#include "girlchar.h"

#include "tilegrid.h"

namespace {

// A floor slope under her feet pushes her downhill by this much per tick, up to the limit.
const fix SLOPE_PUSH = fix(0.2);
const fix SLOPE_PUSH_LIMIT = fix(3);

// Her top row may reach this far below the map's last pixel row before she counts as gone.
constexpr int OFF_SCREEN_MARGIN = 2;

// Ledge probes, in rows above her feet: a ledge is solid at the lower probe and open at the
// upper one, so its top edge lies 10 to 15 rows above her feet.
constexpr int LEDGE_UPPER_PROBE = TILE_SIZE;
constexpr int LEDGE_LOWER_PROBE = 10;

bool has_flag(int x, int y, unsigned flag)
{
    return (block_at(x, y).flags & flag) != 0;
}

// Solid for hanging: a solid block, or a slope whose solid half faces her.
bool ledge_solid(int x, int y, bool ledge_on_left)
{
    const BlockStr &block = block_at(x, y);
    if (block.flags & BLOCK_SOLID)
        return true;
    if (ledge_on_left)
        return block.attr1 == slope_ceiling_right || block.attr1 == slope_floor_down_left;
    return block.attr1 == slope_floor_down_right || block.attr1 == slope_ceiling_left;
}

} // namespace

bool girl_character::in_air() const
{
    return status >= status_jump && status <= status_run_fall;
}

bool girl_character::on_ground() const
{
    return status >= status_stand && status <= status_run;
}

bool girl_character::on_ice() const
{
    const int px = getx(), py = gety() + 1;
    if (below_map(py))
        return false;
    // Off the ground every status slides: ground actions run on the tick she lands.
    if (!on_ground())
        return true;
    const int side = half_width - 1;
    return has_flag(px, py, BLOCK_ICE) || has_flag(px - side, py, BLOCK_ICE) ||
           has_flag(px + side, py, BLOCK_ICE);
}

void girl_character::add_slope()
{
    const int slope = slope_point(getx(), gety() + 1);
    if (slope == slope_floor_down_right)
        add_xv(SLOPE_PUSH, SLOPE_PUSH_LIMIT);
    else if (slope == slope_floor_down_left)
        add_xv(-SLOPE_PUSH, SLOPE_PUSH_LIMIT);
}

bool girl_character::off_screen()
{
    return gety() - height - OFF_SCREEN_MARGIN > mapheight * TILE_SIZE;
}

bool girl_character::can_grab(bool left)
{
    const int px = getx(), py = gety();
    if (below_map(py))
        return false;
    const int column = left ? px - half_width - 1 : px + half_width + 1;
    return !ledge_solid(column, py - LEDGE_UPPER_PROBE, left) &&
           ledge_solid(column, py - LEDGE_LOWER_PROBE, left);
}

bool girl_character::can_climb(int dir)
{
    int cx = getx(), cy = gety();
    switch (dir) {
    case dir_left:
        --cx;
        break;
    case dir_right:
        ++cx;
        break;
    case dir_down:
        ++cy;
        if (below_map(cy))
            return false;
        break;
    default:
        break;
    }
    const int side = half_width - 1;
    return has_flag(cx, cy, BLOCK_CLIMBABLE) && has_flag(cx - side, cy, BLOCK_CLIMBABLE) &&
           has_flag(cx + side, cy, BLOCK_CLIMBABLE);
}
