// Reading the game's command line: at most one screen option and at most one level file.
#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// A factor beyond any display: 320 x 240 times this is wider than 40,000 pixels.
constexpr long LARGEST_SCALE = 128;

const char *const USAGE =
    "usage: orvia [--window | --fullscreen | --scale N] [LEVEL.fmp]\n"
    "       orvia --help\n"
    "\n"
    "  --window      play in a window of the largest whole size that fits the desktop\n"
    "  --fullscreen  play full screen (the default)\n"
    "  --scale N     play in a window N times 320 x 240 (lowered to the largest that fits)\n"
    "  --help        show this text\n"
    "  LEVEL.fmp     play this map file instead of the game's level \"jump.fmp\"\n"
    "\n"
    "Alt+Enter switches between full screen and window.\n";

parsed_command_line bad(const std::string &why)
{
    parsed_command_line parsed;
    parsed.outcome = parse_outcome::bad_usage;
    parsed.error = why;
    return parsed;
}

// A whole number from 1 to LARGEST_SCALE, or 0.
int scale_from(const char *text)
{
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 1 || value > LARGEST_SCALE)
        return 0;
    return static_cast<int>(value);
}

} // namespace

parsed_command_line parse_command_line(int argc, const char *const *argv)
{
    parsed_command_line parsed;
    bool screen_chosen = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            parsed.outcome = parse_outcome::show_help;
            return parsed;
        }
        const bool screen_option = arg == "--window" || arg == "--fullscreen" || arg == "--scale";
        if (screen_option && screen_chosen)
            return bad("choose one of --window, --fullscreen and --scale");
        if (arg == "--window") {
            parsed.options.start = screen_start::window;
        } else if (arg == "--fullscreen") {
            parsed.options.start = screen_start::full_screen;
        } else if (arg == "--scale") {
            if (i + 1 == argc)
                return bad("--scale needs a factor");
            parsed.options.scale = scale_from(argv[++i]);
            if (parsed.options.scale == 0)
                return bad("the factor of --scale must be a whole number from 1 to " +
                           std::to_string(LARGEST_SCALE) + ", not \"" + argv[i] + "\"");
            parsed.options.start = screen_start::scaled;
        } else if (arg.empty()) {
            return bad("the level file name is empty");
        } else if (arg[0] == '-') {
            return bad("unknown option \"" + arg + "\"");
        } else if (!parsed.options.level.empty()) {
            return bad("only one level file can be played, not \"" + parsed.options.level +
                       "\" and \"" + arg + "\"");
        } else {
            parsed.options.level = arg;
        }
        screen_chosen = screen_chosen || screen_option;
    }
    return parsed;
}

const char *usage_text()
{
    return USAGE;
}
