// The level loop: one attempt at the level at a fixed 40 ticks a second, with a frame drawn
// after each batch of ticks, screenshots, the camera and the keyboard waits.
#include "gameloop.h"

#include "controls.h"
#include "display.h"
#include "girlchar.h"
#include "graphic.h"
#include "maplib.h"
#include "screenmode.h"
#include "sound.h"
#include "timer.h"
#include "wallstuff.h"
#include "windowevents.h"

namespace {

// The dead zone: screen coordinates of the girl's feet that leave the camera alone.
constexpr int ZONE_LEFT = 100;
constexpr int ZONE_RIGHT = 220;
constexpr int ZONE_TOP = 50;
constexpr int ZONE_BOTTOM = 190;

// "Paused", over the frozen frame.
constexpr int TEXT_COLOUR = 15;
constexpr int TRANSPARENT_TEXT = -1;
constexpr int PAUSED_CENTRE_X = GAME_SCREEN_W / 2;
constexpr int PAUSED_Y = 110;

constexpr int KEY_POLL_MS = 50;

void show_frame(level_play &play, BITMAP *bmp)
{
    draw_attempt(bmp, play.now);
    if (play.showing_paused)
        textout_centre_ex(bmp, comicf, "Paused", PAUSED_CENTRE_X, PAUSED_Y, TEXT_COLOUR,
                          TRANSPARENT_TEXT);
    present(bmp);
}

void play_ticks(level_play &play, BITMAP *bmp, int ticks)
{
    advance(play.now, read_controls(play.session.keys), ticks, &play.cues);
    play_cues(play.cues.take());
    if (ticks == 0)
        return;
    draw_attempt(bmp, play.now);
    play.screenshots.take_if_pressed(bmp);
    present(bmp);
}

bool paused(level_play &play)
{
    if (play.pause_key.pressed(key[KEY_P] || pad_start_down()))
        play.paused_by_player = !play.paused_by_player;
    return play.paused_by_player || !window_has_focus();
}

} // namespace

void level_pass(level_play &play, BITMAP *bmp, int ticks)
{
    // While paused the frame stands as it is and play goes on from exactly there: the ticks
    // that arrive meanwhile, those of the pass that goes on again included, are dropped.
    const bool was_paused = play.showing_paused;
    play.showing_paused = paused(play);
    if (play.showing_paused && !was_paused)
        show_frame(play, bmp);
    else if (!play.showing_paused && !was_paused)
        play_ticks(play, bmp, ticks);
    follow_game_keys();
    if (key[KEY_ESC] || close_requested())
        play.now.result = level_quit;
}

bool go_on_in_new_level(level_play &play, BITMAP *bmp)
{
    MapFreeMem();
    if (load_level_map(play.session.lvl) != 0) {
        play.now.result = level_load_failed;
        return false;
    }
    const girl_character &girl = play.now.girl;
    if (!body_clear_at({girl.getx(), girl.gety()})) {
        const attempt afresh(play.session.lvl.start);
        play.now.girl = afresh.girl;
    }
    show_frame(play, bmp);
    return true;
}

int play_level(BITMAP *bmp, game_session &session)
{
    if (load_level_map(session.lvl) != 0)
        return level_load_failed;
    level_play play(session);
    wait_for_clear(KEY_ESC);
    start_timer();
    drop_pending_ticks();
    while (play.now.result == level_playing) {
        if (reload_if_changed(session)) {
            if (!go_on_in_new_level(play, bmp))
                break;
            drop_pending_ticks(); // the time the build took is not made up
        }
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
