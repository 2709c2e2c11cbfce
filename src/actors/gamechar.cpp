// The moving-character base: fixed-point position and velocity, one-sided speed limits and
// friction, and movement by the velocity that stops at walls, floors and ceilings.
#include "gamechar.h"

#include "tilegrid.h"

namespace {

// Whole pixels from 16.16 fixed point: nearest pixel, halves upward.
int to_pixel(fix f)
{
    return fixtoi(f.v);
}

// 16.16 fixed point from whole pixels, by multiplication: Allegro's itofix shifts left, which
// is undefined for the negative positions above or left of the map.
constexpr fixed ONE_PIXEL = 0x10000;

fix from_pixel(int pixel)
{
    fix f;
    f.v = pixel * ONE_PIXEL;
    return f;
}

// Add amount; only a push toward a side is capped at the limit on that side.
void add_clamped(fix &v, fix amount, fix limit)
{
    v += amount;
    if (amount < 0 && v < -limit)
        v = -limit;
    else if (amount > 0 && v > limit)
        v = limit;
}

// Raise the feet one pixel at a time until their centre is out of any slope triangle. Above the
// map there are no blocks, so this ends at the top of the map at the latest.
void lift_out_of_slope(game_character &c)
{
    while (slope_point(c.getx(), c.gety()) != slope_none)
        c.sety(c.gety() - 1);
}

} // namespace

game_character::game_character() : x(), y(), half_width(0), height(0), xv(), yv() {}

game_character::~game_character() = default;

void game_character::move() {}

void game_character::draw(BITMAP *, int, int) {}

int game_character::getx() const
{
    return to_pixel(x);
}

int game_character::gety() const
{
    return to_pixel(y);
}

void game_character::setx(int px)
{
    x = from_pixel(px);
}

void game_character::sety(int py)
{
    y = from_pixel(py);
}

fix game_character::getxv() const
{
    return xv;
}

void game_character::add_xv(fix amount, fix limit)
{
    add_clamped(xv, amount, limit);
}

void game_character::add_yv(fix amount, fix limit)
{
    add_clamped(yv, amount, limit);
}

void game_character::sub_xv(fix amount)
{
    if (xv > 0) {
        xv -= amount;
        if (xv < 0)
            xv = 0;
    } else if (xv < 0) {
        xv += amount;
        if (xv > 0)
            xv = 0;
    }
}

bool game_character::check_under(int px, int py, int mode, bool pass_platforms)
{
    if (below_map(py))
        return false;
    if (block_row(py) < 1)
        return true;
    const int left = px - half_width, right = px + half_width;
    if (mode == check_ceiling)
        return block_horiz(left, right, py, true, true);
    if (slope_tile(px, py + 1) == slope_none)
        return block_horiz(left, right, py, pass_platforms, false);
    // Over a slope only the row above its block row is a floor; the slope itself is the
    // callers' to test.
    return block_horiz(left, right, top_of_block_row(block_row(py)) - 1, pass_platforms, false);
}

bool game_character::check_under_ex(int py, bool pass_platforms)
{
    return !check_under(getx(), py, check_floor, pass_platforms) &&
           slope_point(getx(), py) == slope_none;
}

bool game_character::check_vert(int px, int py, int direction)
{
    if (in_left_wall_column(px) || in_right_wall_column(px))
        return true;
    // Keep the test inside the map: no lower than the last row of the last-but-one block row.
    while (block_row(py) > mapheight - 2)
        --py;
    const int slope = slope_tile(px, py + 1);
    const bool uphill = (direction == moving_left && slope == slope_floor_down_right) ||
                        (direction == moving_right && slope == slope_floor_down_left);
    // Walking up a slope, its own block row must not count as a wall.
    const int lowest = uphill ? top_of_block_row(block_row(py)) - 1 : py;
    return block_vert(px, py - height, lowest, false);
}

bool game_character::move_left()
{
    x += xv;
    const bool blocked = check_vert(getx() - half_width, gety(), moving_left);
    if (blocked) {
        setx(getx());
        xv = 0;
        // The push stops at the map's outer wall column, where no free column can follow.
        while (check_vert(getx() - half_width, gety(), moving_left) &&
               !in_right_wall_column(getx() - half_width))
            setx(getx() + 1);
    }
    lift_out_of_slope(*this);
    return !blocked;
}

bool game_character::move_right()
{
    x += xv;
    const bool blocked = check_vert(getx() + half_width, gety(), moving_right);
    if (blocked) {
        setx(getx());
        xv = 0;
        while (check_vert(getx() + half_width, gety(), moving_right) &&
               !in_left_wall_column(getx() + half_width))
            setx(getx() - 1);
    }
    lift_out_of_slope(*this);
    return !blocked;
}

bool game_character::move_up()
{
    y += yv;
    if (!check_under(getx(), gety() - height, check_ceiling, true))
        return true;
    sety(gety());
    yv = 0;
    // Ends at the latest when the head is below the map, where nothing blocks.
    while (check_under(getx(), gety() - height, check_ceiling, true))
        sety(gety() + 1);
    return false;
}

bool game_character::move_down(bool pass_platforms)
{
    const int ny = to_pixel(y + yv);
    const int oy = gety();
    // Floors begin at block rows, so only a move into a new block row can meet one.
    if (block_row(ny) > block_row(oy) && check_under(getx(), ny, check_floor, pass_platforms)) {
        sety(top_of_block_row(block_row(oy)) + TILE_SIZE - 1);
        yv = 0;
        return false;
    }
    y += yv;
    if (slope_point(getx(), gety()) == slope_none)
        return true;
    lift_out_of_slope(*this);
    yv = 0;
    return false;
}
