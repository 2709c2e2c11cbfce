// The level loop: one attempt at the level at a fixed 40 ticks a second, with a frame drawn
// after each batch of ticks, screenshots, the camera and the keyboard waits.
#include "gameloop.h"

#include "girlchar.h"
#include "graphic.h"
#include "levelseams.h"
#include "maplib.h"
#include "report.h"
#include "screenmode.h"
#include "timer.h"
#include "wallstuff.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// Where the girl starts, in map pixels.
constexpr int START_X = 1350;
constexpr int START_Y = 447;

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

constexpr int KEY_POLL_MS = 50;
constexpr int IDLE_MS = 1;

const char *const SCREENSHOT_NAME = "s%04d.bmp";

struct camera {
    int x = CAMERA_START_X;
    int y = CAMERA_START_Y;
};

// Screenshots of one attempt: numbered from 0, one per press of S, never over an existing file.
class screenshot_taker {
public:
    void take_if_pressed(BITMAP *bmp)
    {
        if (armed && key[KEY_S]) {
            armed = false;
            save(bmp);
        }
        if (!key[KEY_S])
            armed = true;
    }

private:
    static std::string name_of(int n)
    {
        char name[32];
        std::snprintf(name, sizeof name, SCREENSHOT_NAME, n);
        return name;
    }

    void save(BITMAP *bmp)
    {
        while (std::filesystem::exists(name_of(number)))
            ++number;
        const std::string name = name_of(number);
        errno = 0;
        if (save_bmp(name.c_str(), bmp, pal) != 0)
            report_screenshot_failed(name.c_str(), errno);
        ++number;
    }

    int number = 0;
    bool armed = true;
};

void sample_controls(girl_character &player)
{
    player.set_control(key[KEY_LEFT], key[KEY_RIGHT], key[KEY_UP], key[KEY_DOWN],
                       key[KEY_LCONTROL], key[KEY_ALT], key[KEY_SPACE]);
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
    blit(bmp, screen, 0, 0, 0, 0, GAME_SCREEN_W, GAME_SCREEN_H);
}

// The map and its row tables, or false with maperror saying why.
bool load_map(const char *mapfile)
{
    if (MapLoad(mapfile) < 0)
        return false;
    if (MapGenerateYLookup() < 0) {
        MapFreeMem();
        maperror = MER_OUTOFMEM;
        return false;
    }
    return true;
}

} // namespace

level_seams game_seams()
{
    level_seams seams;
    seams.start_ticks = start_timer;
    seams.idle = [] { rest(IDLE_MS); };
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
    if (!load_map(mapfile))
        return level_load_failed;

    player_ptr player = loop_seams.new_player();
    player->setx(START_X);
    player->sety(START_Y);
    wait_for_clear(KEY_ESC);
    loop_seams.start_ticks();

    camera cam;
    while (result == level_playing) {
        if (loop_seams.each_pass)
            loop_seams.each_pass();
        sample_controls(*player);
        if (run_pending_ticks(*player, cam, result)) {
            draw_frame(bmp, *player, cam);
            screenshots.take_if_pressed(bmp);
        }
        if (key[KEY_ESC])
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
