// The game's command line: how the screen opens and which level is played.
#ifndef OPTIONS_H
#define OPTIONS_H

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
    std::string level; // the level's map file; empty for the game's own level
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
