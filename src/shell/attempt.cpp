// One attempt at the level: the girl's ticks in the order the level loop runs them, the camera
// that follows her, and the frame drawn after a batch.
#include "attempt.h"

#include "graphic.h"
#include "maplib.h"
#include "screenmode.h"
#include "wallstuff.h"

namespace {

// The camera's first position; the first tick drags it to the edge of the dead zone around
// the girl, so the first frame shows her at the zone's right and bottom edges.
constexpr int CAMERA_START_X = 0;
constexpr int CAMERA_START_Y = 0;

// The dead zone: screen coordinates of the girl's feet that leave the camera alone.
constexpr int ZONE_LEFT = 100;
constexpr int ZONE_RIGHT = 220;
constexpr int ZONE_TOP = 50;
constexpr int ZONE_BOTTOM = 190;

constexpr int BACKDROP_COLOUR = 54;
constexpr int FOREGROUND_BEHIND = 0;   // first foreground layer: behind the girl
constexpr int FOREGROUND_IN_FRONT = 1; // second foreground layer: covers her

void run_tick(attempt &a)
{
    a.girl.move();
    if (a.girl.off_screen())
        a.result = level_died;
    update_offset(&a.girl, a.xoff, a.yoff);
}

} // namespace

attempt::attempt(map_point start) : xoff(CAMERA_START_X), yoff(CAMERA_START_Y)
{
    girl.setx(start.x);
    girl.sety(start.y);
}

void advance(attempt &a, const control_state &c, int ticks, tick_watcher *watcher)
{
    latch_controls(a, c);
    run_ticks(a, ticks, watcher);
}

void latch_controls(attempt &a, const control_state &c)
{
    a.girl.set_control(c.left, c.right, c.up, c.down, c.jump, c.run, c.spare);
}

void run_ticks(attempt &a, int ticks, tick_watcher *watcher)
{
    for (int tick = 0; tick < ticks; ++tick) {
        if (!watcher) {
            run_tick(a);
            continue;
        }
        const girl_character before = a.girl;
        run_tick(a);
        watcher->after_tick(before, a);
    }
}

void update_offset(girl_character *player, int &xoff, int &yoff)
{
    const int x = player->getx();
    const int y = player->gety();
    if (x < xoff + ZONE_LEFT)
        xoff = x - ZONE_LEFT;
    if (x > xoff + ZONE_RIGHT)
        xoff = x - ZONE_RIGHT;
    if (y < yoff + ZONE_TOP)
        yoff = y - ZONE_TOP;
    if (y > yoff + ZONE_BOTTOM)
        yoff = y - ZONE_BOTTOM;
}

void sanity_check(int &xoff, int &yoff)
{
    const int map_w = mapwidth * TILE_SIZE;
    const int map_h = mapheight * TILE_SIZE;
    if (xoff + GAME_SCREEN_W > map_w)
        xoff = map_w - GAME_SCREEN_W;
    if (xoff < 0)
        xoff = 0;
    if (yoff + GAME_SCREEN_H > map_h)
        yoff = map_h - GAME_SCREEN_H;
    if (yoff < 0)
        yoff = 0;
}

void draw_attempt(BITMAP *bmp, attempt &a, const frame_underlay *underlay)
{
    sanity_check(a.xoff, a.yoff);
    clear_to_color(bmp, BACKDROP_COLOUR);
    MapDrawBGT(bmp, a.xoff, a.yoff, 0, 0, GAME_SCREEN_W, GAME_SCREEN_H);
    MapDrawFG(bmp, a.xoff, a.yoff, 0, 0, GAME_SCREEN_W, GAME_SCREEN_H, FOREGROUND_BEHIND);
    if (underlay)
        underlay->draw(bmp, a.xoff, a.yoff);
    a.girl.draw(bmp, a.xoff, a.yoff);
    MapDrawFG(bmp, a.xoff, a.yoff, 0, 0, GAME_SCREEN_W, GAME_SCREEN_H, FOREGROUND_IN_FRONT);
    textout_ex(bmp, comicf, "Orvia demo 2.1", 0, 0, TEXT_COLOUR, TRANSPARENT_TEXT);
    textout_ex(bmp, comicf, "Press ESC to quit", 0, 20, TEXT_COLOUR, TRANSPARENT_TEXT);
}
