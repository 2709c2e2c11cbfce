// One attempt at the level: the girl's ticks in the order the level loop runs them, and the
// frame drawn after a batch.
#include "attempt.h"

#include "gameloop.h"
#include "graphic.h"
#include "maplib.h"
#include "screenmode.h"

namespace {

// The camera's first position; the first tick drags it to the edge of the dead zone around
// the girl, so the first frame shows her at the zone's right and bottom edges.
constexpr int CAMERA_START_X = 0;
constexpr int CAMERA_START_Y = 0;

constexpr int BACKDROP_COLOUR = 54;
constexpr int TEXT_COLOUR = 15;
constexpr int TRANSPARENT_TEXT = -1;
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
