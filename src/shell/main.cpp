// The game program: the command line, start-up, the title screen, the attempts at the level
// with the retry question after each death, and shut-down.
#include "controls.h"
#include "datafiles.h"
#include "display.h"
#include "gameloop.h"
#include "girlanim.h"
#include "graphic.h"
#include "levelcheck.h"
#include "maplib.h"
#include "options.h"
#include "report.h"
#include "screenmode.h"
#include "timer.h"
#include "windowevents.h"

#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

BITMAP *buf = nullptr; // the back buffer every picture is composed in

namespace {

const char *const MAP_FILE = "jump.fmp";
const char *const WINDOW_TITLE = "Orvia demo 2.1";
constexpr int USAGE_ERROR_STATUS = 2;

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
constexpr int TITLE_GIRL_X = 120;
constexpr int TITLE_GIRL_Y = 16;

// The retry question, drawn over the last frame of the attempt.
constexpr int DEATH_COLOUR = 40;
constexpr int DEATH_CENTRE_X = 160;
constexpr int DEATH_Y = 90;
constexpr int RETRY_Y = 110;
constexpr int ASCII_BITS = 0xff; // readkey gives the scancode above the character

// Waits, polling, until `done` holds; the window may switch mode meanwhile. Returns false
// when the person asks to close the window instead.
template <typename Condition>
bool wait_until(Condition done)
{
    for (;;) {
        if (close_requested())
            return false;
        follow_screen_keys();
        if (done())
            return true;
        rest(KEY_POLL_MS);
    }
}

// The title, held until SPACE (or the pad's Start) is down; then one buffered key is taken.
// Returns false when the window is closed instead.
bool show_title()
{
    clear(buf);
    for (const text_line &line : TITLE_LINES)
        textout_ex(buf, comicf, line.text, TITLE_X, line.y, TITLE_COLOUR, TRANSPARENT_TEXT);
    draw_sprite(buf, girl[picture_stand], TITLE_GIRL_X, TITLE_GIRL_Y);
    present(buf);
    if (!wait_until(start_pressed))
        return false;
    if (keypressed()) // the pad's Start leaves no key behind
        readkey();
    return true;
}

// Asks over the last frame; only a lower-case 'y' or 'n' answers. Closing the window is a no.
bool wants_retry()
{
    textout_centre_ex(buf, comicf, "Sorry, YOU DIED!", DEATH_CENTRE_X, DEATH_Y, DEATH_COLOUR,
                      TRANSPARENT_TEXT);
    textout_centre_ex(buf, comicf, "Try again? (y/n)", DEATH_CENTRE_X, RETRY_Y, DEATH_COLOUR,
                      TRANSPARENT_TEXT);
    present(buf);
    clear_keybuf();
    char answer = 0;
    const bool answered = wait_until([&answer] {
        while (keypressed()) {
            answer = static_cast<char>(readkey() & ASCII_BITS);
            if (answer == 'y' || answer == 'n')
                return true;
        }
        return false;
    });
    return answered && answer == 'y';
}

// What maperror says of the last load, for the person playing.
std::string map_load_problem()
{
    return std::string(MapErrorText(maperror)) + " (map error " + std::to_string(maperror) + ")";
}

// Attempts at the level until ESC, a closed window, a 'n' after a death, or a map that cannot
// be loaded.
int play_attempts(const level &lvl)
{
    for (;;) {
        const int result = play_level(buf, lvl);
        if (result == level_load_failed) {
            report_no_map(lvl.file.c_str(), map_load_problem().c_str());
            return EXIT_FAILURE;
        }
        if (result != level_died || !wants_retry())
            return EXIT_SUCCESS;
    }
}

// The level named on the command line, or the game's own.
std::string level_file(const game_options &options)
{
    if (!options.level.empty())
        return options.level;
    return data_file_path(MAP_FILE, executable_path());
}

// Reads the level once before the title and tries its map, so that a level the game cannot
// play is refused before anyone presses a key.
bool read_playable_level(const std::string &file, level &lvl)
{
    std::string problem;
    if (!read_level(file, lvl, problem)) {
        report_no_map(file.c_str(), problem.c_str());
        return false;
    }
    if (load_level_map(lvl) != 0) {
        report_no_map(file.c_str(), map_load_problem().c_str());
        return false;
    }
    lvl.start = loaded_map_start(&problem).value_or(GIRL_START);
    if (problem.empty())
        problem = level_problem(lvl.start);
    MapFreeMem();
    if (!problem.empty()) {
        report_unplayable_map(file.c_str(), problem.c_str());
        return false;
    }
    return true;
}

// The command line's answer when it asks for no game: the usage, or what is wrong with it.
int answer_command_line(const parsed_command_line &parsed)
{
    if (parsed.outcome == parse_outcome::show_help) {
        std::fputs(usage_text(), stdout);
        return EXIT_SUCCESS;
    }
    std::fprintf(stderr, "orvia: %s\n%s", parsed.error.c_str(), usage_text());
    return USAGE_ERROR_STATUS;
}

} // namespace

// Brings up the library, keyboard, timer, pad, screen, graphics and back buffer. Returns 0,
// or -1 after telling the person what is missing.
int init_stuff(const game_options &options)
{
    set_uformat(U_ASCII);
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0) {
        report_no_library(allegro_error);
        return -1;
    }
    install_keyboard();
    install_timer();
    install_pad();
    init_game_timer();
    set_window_title(WINDOW_TITLE);
    if (!open_game_screen(options))
        return -1;
    const std::string executable = executable_path();
    const std::string graphics_file = data_file_path(GRAPHICS_FILE, executable);
    if (load_graphics(graphics_file.c_str()) != 0) {
        report_no_graphics(graphics_file.c_str(), installed_data_folder(executable).c_str());
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
    release_display();
    destroy_bitmap(buf);
    buf = nullptr;
    unload_graphics();
    return 0;
}

int main(int argc, char **argv)
{
    const parsed_command_line parsed = parse_command_line(argc, argv);
    if (parsed.outcome != parse_outcome::play)
        return answer_command_line(parsed);
    if (init_stuff(parsed.options) != 0)
        return EXIT_FAILURE;
    level lvl;
    int status = EXIT_FAILURE;
    if (read_playable_level(level_file(parsed.options), lvl))
        status = show_title() ? play_attempts(lvl) : EXIT_SUCCESS;
    destroy_stuff();
    return status;
}
END_OF_MAIN()
