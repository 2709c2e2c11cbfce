// The game program: start-up, the title screen, the attempts at the level with the retry
// question after each death, and shut-down.
#include "gameloop.h"
#include "graphic.h"
#include "maplib.h"
#include "report.h"
#include "screenmode.h"
#include "timer.h"

#include <allegro.h>

#include <cerrno>
#include <cstdlib>

BITMAP *buf = nullptr; // the back buffer every picture is composed in

namespace {

constexpr int COLOUR_DEPTH = 8;

const char *const MAP_FILE = "jump.fmp";

constexpr int TRANSPARENT_TEXT = -1;
constexpr int KEY_POLL_MS = 50;

// The title screen.
struct text_line {
    int y;
    const char *text;
};
constexpr text_line TITLE_LINES[] = {
    {30, "--Orvia demo 2.1--"},
    {50, "Use arrows to move left and right."},
    {70, "Run with ALT, and jump with CTRL."},
    {90, "Press SPACE to start."},
};
constexpr int TITLE_X = 10;
constexpr int TITLE_COLOUR = 15;
constexpr int TITLE_GIRL_PICTURE = 1; // the standing girl
constexpr int TITLE_GIRL_X = 120;
constexpr int TITLE_GIRL_Y = 16;

// The retry question, drawn over the last frame of the attempt.
constexpr int DEATH_COLOUR = 40;
constexpr int DEATH_CENTRE_X = 160;
constexpr int DEATH_Y = 90;
constexpr int RETRY_Y = 110;
constexpr int ASCII_BITS = 0xff; // readkey gives the scancode above the character

void show_buffer()
{
    blit(buf, screen, 0, 0, 0, 0, GAME_SCREEN_W, GAME_SCREEN_H);
}

// The title, held until SPACE is down; then one buffered key is taken.
void show_title()
{
    clear(buf);
    for (const text_line &line : TITLE_LINES)
        textout_ex(buf, comicf, line.text, TITLE_X, line.y, TITLE_COLOUR, TRANSPARENT_TEXT);
    draw_sprite(buf, girl[TITLE_GIRL_PICTURE], TITLE_GIRL_X, TITLE_GIRL_Y);
    show_buffer();
    while (!key[KEY_SPACE])
        rest(KEY_POLL_MS);
    readkey();
}

// Asks over the last frame; only a lower-case 'y' or 'n' answers.
bool wants_retry()
{
    textout_centre_ex(buf, comicf, "Sorry, YOU DIED!", DEATH_CENTRE_X, DEATH_Y, DEATH_COLOUR,
                      TRANSPARENT_TEXT);
    textout_centre_ex(buf, comicf, "Try again? (y/n)", DEATH_CENTRE_X, RETRY_Y, DEATH_COLOUR,
                      TRANSPARENT_TEXT);
    show_buffer();
    clear_keybuf();
    char answer;
    do {
        answer = static_cast<char>(readkey() & ASCII_BITS);
    } while (answer != 'y' && answer != 'n');
    return answer == 'y';
}

// Attempts at the level until ESC, a 'n' after a death, or a map that cannot be loaded.
int play_attempts()
{
    for (;;) {
        const int result = play_level(buf, MAP_FILE);
        if (result == level_load_failed) {
            report_no_map(MAP_FILE, maperror);
            return EXIT_FAILURE;
        }
        if (result != level_died || !wants_retry())
            return EXIT_SUCCESS;
    }
}

} // namespace

// Brings up the library, keyboard, timer, screen, graphics and back buffer. Returns 0, or -1
// after telling the person what is missing.
int init_stuff()
{
    set_uformat(U_ASCII);
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0) {
        report_no_library(allegro_error);
        return -1;
    }
    install_keyboard();
    install_timer();
    init_game_timer();
    set_color_depth(COLOUR_DEPTH);
    if (!open_game_screen())
        return -1;
    if (load_graphics() != 0) {
        report_no_graphics(GRAPHICS_FILE);
        return -1;
    }
    buf = create_bitmap(GAME_SCREEN_W, GAME_SCREEN_H);
    if (!buf) {
        report_no_back_buffer();
        unload_graphics();
        return -1;
    }
    clear(buf);
    return 0;
}

// The library closes itself at exit.
int destroy_stuff()
{
    destroy_bitmap(buf);
    buf = nullptr;
    unload_graphics();
    return 0;
}

int main(int, char **)
{
    if (init_stuff() != 0)
        return EXIT_FAILURE;
    show_title();
    const int status = play_attempts();
    destroy_stuff();
    return status;
}
END_OF_MAIN()
