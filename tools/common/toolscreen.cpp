// Allegro without a display, for the tools.
#include "toolscreen.h"

#include "maplib.h"

#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr int TRUE_COLOUR_DEPTH = 32;
} // namespace

bool start_headless_allegro(const char *program)
{
    static bool installed = false;
    if (!installed)
        installed = install_allegro(SYSTEM_NONE, &errno, atexit) == 0;
    if (!installed)
        std::fprintf(stderr, "%s: cannot start Allegro: %s\n", program, allegro_error);
    return installed;
}

// Load at 8 bits first; a map whose graphics are deeper is loaded again at true colour so that
// its colours survive.
bool load_map_in_own_depth(const char *path)
{
    const bool loaded =
        MapLoadDepth(path, MAP_PALETTE_DEPTH) == 0 &&
        (mapaltdepth == MAP_PALETTE_DEPTH || MapLoadDepth(path, TRUE_COLOUR_DEPTH) == 0);
    if (!loaded)
        std::fprintf(stderr, "%s: cannot load the map: maperror %d, %s\n", path, maperror,
                     MapErrorText(maperror));
    return loaded;
}
