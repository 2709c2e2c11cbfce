// The game's check of a level, asked of a map file.
#include "playcheck.h"

#include "diagnostic.h"
#include "levelcheck.h"
#include "maplib.h"

std::string unplayable_map(const std::string &path)
{
    std::string why;
    if (MapLoadDepth(path.c_str(), MAP_PALETTE_DEPTH) != 0)
        why = std::string("it does not load: ") + MapErrorText(maperror);
    else
        why = loaded_level_problem();
    MapFreeMem();
    return why.empty() ? "" : "the game cannot play " + printable(path) + ": " + why;
}
