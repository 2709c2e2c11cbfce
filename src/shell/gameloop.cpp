// The level loop: one attempt at the level at a fixed 40 ticks a second, with a frame drawn
// after each batch of ticks, screenshots, the camera and the keyboard waits.
#include "gameloop.h"

#include "controls.h"
#include "display.h"
#include "girlchar.h"
#include "graphic.h"
#include "levelseams.h"
#include "maplib.h"
#include "screenmode.h"
#include "screenshot.h"
#include "timer.h"
#include "wallstuff.h"
#include "windowevents.h"

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
constexpr int TEXT_COLOUR = 15;
constexpr int TRANSPARENT_TEXT = -1;
constexpr int FOREGROUND_BEHIND = 0;   // first foreground layer: behind the girl
constexpr int FOREGROUND_IN_FRONT = 1; // second foreground layer: covers her

// "Paused", over the frozen frame while the window is without the keyboard focus.
constexpr int PAUSED_CENTRE_X = GAME_SCREEN_W / 2;
constexpr int PAUSED_Y = 110;

constexpr int KEY_POLL_MS = 50;

struct camera {
    int x = CAMERA_START_X;
    int y = CAMERA_START_Y;
};

void sample_controls(girl_character &player)
{
    const control_state c = read_controls();
    player.set_control(c.left, c.right, c.up, c.down, c.jump, c.run, c.spare);
}

// Runs every pending tick; a death does not cut the batch short. Returns whether any ran.
bool run_pending_ticks(girl_character &player, camera &cam, int &result)
{
    bool ran = false;
    while (counter.load() > 0) {
        player.move();
        if (player.off_screen())
            result = level_died;
        counter.fetch_sub(1);
        update_offset(&player, cam.x, cam.y);
        ran = true;
    }
    return ran;
}

void draw_frame(BITMAP *bmp, girl_character &player, camera &cam)
{
    sanity_check(cam.x, cam.y);
    clear_to_color(bmp, BACKDROP_COLOUR);
    MapDrawBGT(bmp, cam.x, cam.y, 0, 0, GAME_SCREEN_W, GAME_SCREEN_H);
    MapDrawFG(bmp, cam.x, cam.y, 0, 0, GAME_SCREEN_W, GAME_SCREEN_H, FOREGROUND_BEHIND);
    player.draw(bmp, cam.x, cam.y);
    MapDrawFG(bmp, cam.x, cam.y, 0, 0, GAME_SCREEN_W, GAME_SCREEN_H, FOREGROUND_IN_FRONT);
    textout_ex(bmp, comicf, "Orvia demo 2.1", 0, 0, TEXT_COLOUR, TRANSPARENT_TEXT);
    textout_ex(bmp, comicf, "Press ESC to quit", 0, 20, TEXT_COLOUR, TRANSPARENT_TEXT);
}

// While the window is without the keyboard focus: the frame as it stands with "Paused" over
// it, and no tick run. The ticks that arrive meanwhile are dropped, so play goes on from
// exactly where it stopped.
void pause_while_away(BITMAP *bmp, girl_character &player, camera &cam)
{
    draw_frame(bmp, player, cam);
    textout_centre_ex(bmp, comicf, "Paused", PAUSED_CENTRE_X, PAUSED_Y, TEXT_COLOUR,
                      TRANSPARENT_TEXT);
    present(bmp);
    while (!window_has_focus() && !close_requested()) {
        drop_pending_ticks();
        loop_seams.idle();
    }
    drop_pending_ticks();
}

// The map and its row tables, or false with maperror saying why.
bool load_map(BITMAP *picture, const char *mapfile)
{
    if (load_map_for(picture, mapfile) < 0)
        return false;
    if (MapGenerateYLookup() < 0) {
        MapFreeMem();
        maperror = MER_OUTOFMEM;
        return false;
    }
    return true;
}

} // namespace

// The game draws the block graphics into its 8-bit picture whatever the screen's depth, so they
// are made for the picture's depth.
int load_map_for(BITMAP *picture, const char *mapfile)
{
    return MapLoadDepth(mapfile, bitmap_color_depth(picture));
}

level_seams game_seams()
{
    level_seams seams;
    seams.start_ticks = start_timer;
    seams.idle = [] { wait_for_tick(0); };
    // The object is exactly a girl_character, so deleting it as one is sound even though
    // the class has no virtual destructor.
    seams.new_player = [] {
        return player_ptr(new girl_character, std::default_delete<girl_character>());
    };
    return seams;
}

level_seams loop_seams = game_seams();

int play_level(BITMAP *bmp, const char *mapfile)
{
    int result = level_playing;
    screenshot_taker screenshots;
    if (!load_map(bmp, mapfile))
        return level_load_failed;

    player_ptr player = loop_seams.new_player();
    player->setx(GIRL_START_X);
    player->sety(GIRL_START_Y);
    wait_for_clear(KEY_ESC);
    loop_seams.start_ticks();
    drop_pending_ticks();

    camera cam;
    while (result == level_playing) {
        if (loop_seams.each_pass)
            loop_seams.each_pass();
        if (!window_has_focus())
            pause_while_away(bmp, *player, cam);
        sample_controls(*player);
        if (run_pending_ticks(*player, cam, result)) {
            draw_frame(bmp, *player, cam);
            present(bmp);
            screenshots.take_if_pressed(bmp);
        }
        follow_screen_keys();
        if (key[KEY_ESC] || close_requested())
            result = level_quit;
        else if (result == level_playing && counter.load() <= 0)
            loop_seams.idle();
    }

    player.reset();
    MapFreeMem();
    return result;
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
