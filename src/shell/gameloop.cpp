// The level loop: one attempt at the level at a fixed 40 ticks a second, with a frame drawn
// after each batch of ticks, screenshots, the camera and the keyboard waits.
#include "gameloop.h"

#include "controls.h"
#include "display.h"
#include "girlchar.h"
#include "graphic.h"
#include "maplib.h"
#include "screenmode.h"
#include "timer.h"
#include "wallstuff.h"
#include "windowevents.h"

namespace {

// The dead zone: screen coordinates of the girl's feet that leave the camera alone.
constexpr int ZONE_LEFT = 100;
constexpr int ZONE_RIGHT = 220;
constexpr int ZONE_TOP = 50;
constexpr int ZONE_BOTTOM = 190;

// "Paused", over the frozen frame while the window is without the keyboard focus.
constexpr int TEXT_COLOUR = 15;
constexpr int TRANSPARENT_TEXT = -1;
constexpr int PAUSED_CENTRE_X = GAME_SCREEN_W / 2;
constexpr int PAUSED_Y = 110;

constexpr int KEY_POLL_MS = 50;

void show_paused(BITMAP *bmp, attempt &now)
{
    draw_attempt(bmp, now);
    textout_centre_ex(bmp, comicf, "Paused", PAUSED_CENTRE_X, PAUSED_Y, TEXT_COLOUR,
                      TRANSPARENT_TEXT);
    present(bmp);
}

void play_ticks(level_play &play, BITMAP *bmp, int ticks)
{
    advance(play.now, read_controls(), ticks);
    if (ticks == 0)
        return;
    draw_attempt(bmp, play.now);
    present(bmp);
    play.screenshots.take_if_pressed(bmp);
}

} // namespace

void level_pass(level_play &play, BITMAP *bmp, int ticks)
{
    // Away from the keyboard the frame stands as it is and play goes on from exactly there:
    // the ticks that arrive meanwhile, those of the pass that finds the focus back included,
    // are dropped.
    if (!window_has_focus()) {
        if (!play.paused)
            show_paused(bmp, play.now);
        play.paused = true;
    } else if (play.paused) {
        play.paused = false;
    } else {
        play_ticks(play, bmp, ticks);
    }
    follow_screen_keys();
    if (key[KEY_ESC] || close_requested())
        play.now.result = level_quit;
}

int play_level(BITMAP *bmp, const level &lvl)
{
    if (load_level_map(lvl) != 0)
        return level_load_failed;
    level_play play(lvl.start);
    wait_for_clear(KEY_ESC);
    start_timer();
    drop_pending_ticks();
    while (play.now.result == level_playing) {
        const int ticks = counter.load();
        level_pass(play, bmp, ticks);
        counter.fetch_sub(ticks);
        if (play.now.result == level_playing && counter.load() <= 0)
            wait_for_tick(0);
    }
    MapFreeMem();
    return play.now.result;
}

void wait_for_clear(int k)
{
    while (key[k])
        rest(KEY_POLL_MS);
    clear_keybuf();
}

void wait_for_key(int k)
{
    while (key[k])
        rest(KEY_POLL_MS);
    while (!key[k])
        rest(KEY_POLL_MS);
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
