// The game's check of a level, asked of a map file.
#include "playcheck.h"

#include "diagnostic.h"
#include "levelcheck.h"
#include "maplib.h"

namespace {

std::string cannot_play(const std::string &path, const std::string &why)
{
    return why.empty() ? "" : "the game cannot play " + printable(path) + ": " + why;
}

} // namespace

std::string unplayable_loaded_map(const std::string &path)
{
    return cannot_play(path, loaded_level_problem());
}

std::string unplayable_map(const std::string &path)
{
    const std::string unplayable =
        MapLoadDepth(path.c_str(), MAP_PALETTE_DEPTH) != 0
            ? cannot_play(path, std::string("it does not load: ") + MapErrorText(maperror))
            : unplayable_loaded_map(path);
    MapFreeMem();
    return unplayable;
}
