// The game's command line: how the screen opens, which level is played and how, and the
// recordings a session makes or plays.
#ifndef OPTIONS_H
#define OPTIONS_H

#include "levelcheck.h"
#include "timer.h"

#include <optional>
#include <string>

// The first screen mode tried; later ones follow the fallback order of the screen module.
enum class screen_start {
    automatic,   // full screen, then a window
    full_screen, // the same order, asked for by name
    window,      // a window of the largest factor that fits
    scaled,      // a window of the asked factor
};

struct game_options {
    screen_start start = screen_start::automatic;
    int scale = 0;     // the factor of --scale N
    std::string level; // the level's file; empty for the game's own level
    std::optional<map_point> girl_start; // --start X,Y, over the level's own
    bool watch = false;  // --watch: the level is built again when its files change
    bool mute = false;   // --mute: sound starts off
    int speed = FULL_SPEED;
    std::string record, replay, verify, ghost; // the replay file of each, or empty
};

enum class parse_outcome {
    play,       // options hold what to do
    show_help,  // --help: the usage on standard output, status 0
    bad_usage,  // error says what is wrong: the usage on standard error, status 2
};

struct parsed_command_line {
    parse_outcome outcome = parse_outcome::play;
    game_options options;
    std::string error;
};

parsed_command_line parse_command_line(int argc, const char *const *argv);

// The usage text, ending in a newline.
const char *usage_text();

#endif
