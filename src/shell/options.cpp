// Reading the game's command line: at most one screen option, at most one level file, the
// options of how it is played, and at most one recording to make or play.
#include "options.h"

#include "sourcewords.h"
#include "wallstuff.h"

#include <limits>

namespace {

// A factor beyond any display: 320 x 240 times this is wider than 40,000 pixels.
constexpr long LARGEST_SCALE = 128;
// A map pixel of any map the library can hold: its sizes in blocks are shorts.
constexpr long LARGEST_COORDINATE = long{std::numeric_limits<short>::max()} * TILE_SIZE;

const char *const USAGE =
    "usage: orvia [--window | --fullscreen | --scale N] [--start X,Y] [--watch] [--mute]\n"
    "             [--speed P] [--record FILE | --replay FILE | --ghost FILE] [LEVEL]\n"
    "       orvia --verify FILE [LEVEL]\n"
    "       orvia --help\n"
    "\n"
    "  --window      play in a window of the largest whole size that fits the desktop\n"
    "  --fullscreen  play full screen (the default)\n"
    "  --scale N     play in a window N times 320 x 240 (lowered to the largest that fits)\n"
    "  --start X,Y   the girl starts with her feet at map pixel (X, Y)\n"
    "  --watch       build and check the level again whenever one of its files changes\n"
    "  --mute        start without sound (M switches it on and off)\n"
    "  --speed P     run at P percent of the full speed, from 50 to 100\n"
    "  --record FILE record the session into FILE, a new file\n"
    "  --replay FILE play the session recorded in FILE\n"
    "  --verify FILE run the session recorded in FILE without a display and say whether every\n"
    "                attempt ends as recorded\n"
    "  --ghost FILE  play beside the girl of the first attempt recorded in FILE\n"
    "  --help        show this text\n"
    "  LEVEL         play this level instead of the game's own \"jump.fmp\": a map file (.fmp),\n"
    "                a Tiled map (.tmx, .tmx.gz) or a level source (.level)\n"
    "\n"
    "Alt+Enter switches between full screen and window.\n";

parsed_command_line bad(const std::string &why)
{
    parsed_command_line parsed;
    parsed.outcome = parse_outcome::bad_usage;
    parsed.error = why;
    return parsed;
}

std::optional<map_point> point_from(const std::string &text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos)
        return std::nullopt;
    const auto x = whole_number(text.substr(0, comma), 0, LARGEST_COORDINATE);
    const auto y = whole_number(text.substr(comma + 1), 0, LARGEST_COORDINATE);
    if (!x || !y)
        return std::nullopt;
    return map_point{static_cast<int>(*x), static_cast<int>(*y)};
}

// The options that take a value, each read from the word after it.
struct valued_option {
    const char *name;
    const char *needs;
    // False when the value is not one the option takes; `why` then says what it takes.
    bool (*take)(game_options &options, const char *value, std::string &why);
};

bool take_scale(game_options &options, const char *value, std::string &why)
{
    const auto scale = whole_number(value, 1, LARGEST_SCALE);
    why = "the factor of --scale must be a whole number from 1 to " +
          std::to_string(LARGEST_SCALE);
    options.scale = static_cast<int>(scale.value_or(0));
    options.start = screen_start::scaled;
    return scale.has_value();
}

bool take_start(game_options &options, const char *value, std::string &why)
{
    why = "--start takes two whole map pixels X,Y, such as " + std::to_string(GIRL_START.x) +
          "," + std::to_string(GIRL_START.y);
    options.girl_start = point_from(value);
    return options.girl_start.has_value();
}

bool take_speed(game_options &options, const char *value, std::string &why)
{
    const auto speed = whole_number(value, SLOWEST_SPEED, FULL_SPEED);
    why = "the speed of --speed is a percentage from " + std::to_string(SLOWEST_SPEED) +
          " to " + std::to_string(FULL_SPEED);
    options.speed = static_cast<int>(speed.value_or(FULL_SPEED));
    return speed.has_value();
}

template <std::string game_options::*file>
bool take_file(game_options &options, const char *value, std::string &why)
{
    why = "the replay file's name is empty";
    options.*file = value;
    return *value != '\0';
}

const valued_option VALUED_OPTIONS[] = {
    {"--scale", "a factor", take_scale},
    {"--start", "a position", take_start},
    {"--speed", "a percentage", take_speed},
    {"--record", "a file", take_file<&game_options::record>},
    {"--replay", "a file", take_file<&game_options::replay>},
    {"--verify", "a file", take_file<&game_options::verify>},
    {"--ghost", "a file", take_file<&game_options::ghost>},
};

const valued_option *valued(const std::string &arg)
{
    for (const valued_option &option : VALUED_OPTIONS)
        if (arg == option.name)
            return &option;
    return nullptr;
}

// What the options cannot do together, or an empty text.
std::string clash(const game_options &o)
{
    const int sessions = !o.record.empty() + !o.replay.empty() + !o.verify.empty();
    if (sessions > 1)
        return "choose one of --record, --replay and --verify";
    if (!o.ghost.empty() && (!o.replay.empty() || !o.verify.empty()))
        return "a ghost races a player: --ghost does not go with --replay or --verify";
    if (o.watch && sessions > 0)
        return "a reload would change the level under the recording: --watch does not go with "
               "--record, --replay or --verify";
    return "";
}

} // namespace

parsed_command_line parse_command_line(int argc, const char *const *argv)
{
    parsed_command_line parsed;
    game_options &options = parsed.options;
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
        screen_chosen = screen_chosen || screen_option;
        if (const valued_option *option = valued(arg)) {
            if (i + 1 == argc)
                return bad(arg + " needs " + option->needs);
            std::string why;
            if (!option->take(options, argv[++i], why))
                return bad(why + ", not \"" + argv[i] + "\"");
        } else if (arg == "--window") {
            options.start = screen_start::window;
        } else if (arg == "--fullscreen") {
            options.start = screen_start::full_screen;
        } else if (arg == "--watch") {
            options.watch = true;
        } else if (arg == "--mute") {
            options.mute = true;
        } else if (arg.empty()) {
            return bad("the level file name is empty");
        } else if (arg[0] == '-') {
            return bad("unknown option \"" + arg + "\"");
        } else if (!options.level.empty()) {
            return bad("only one level file can be played, not \"" + options.level +
                       "\" and \"" + arg + "\"");
        } else {
            options.level = arg;
        }
    }
    const std::string why = clash(options);
    return why.empty() ? parsed : bad(why);
}

const char *usage_text()
{
    return USAGE;
}
