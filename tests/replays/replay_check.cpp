// Verifies one replay file against a map file as the game's --verify does, headless:
//
//   replay_check REPLAY LEVEL.fmp
//
// Exit status 0 when every attempt ends as recorded, 1 when one does not, 2 when the replay or
// the level cannot be used.
#include "levelcheck.h"
#include "maplib.h"
#include "replayverify.h"

#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int REFUSED = replay_refused;

// The level as the game reads it: the map file whole, and the start its map gives, if any.
bool read_game_level(const char *file, level &lvl)
{
    std::string problem;
    if (!read_level(file, lvl, problem) || load_level_map(lvl) != 0) {
        std::fprintf(stderr, "%s: %s\n", file,
                     problem.empty() ? MapErrorText(maperror) : problem.c_str());
        return false;
    }
    lvl.start = loaded_map_start().value_or(GIRL_START);
    MapFreeMem();
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fputs("usage: replay_check REPLAY LEVEL.fmp\n", stderr);
        return REFUSED;
    }
    level lvl;
    if (install_allegro(SYSTEM_NONE, &errno, std::atexit) != 0 || !read_game_level(argv[2], lvl))
        return REFUSED;
    return verify_command(argv[1], lvl, stdout, stderr);
}
