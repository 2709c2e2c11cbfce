// Allegro without a display, for the tools.
#include "toolscreen.h"

#include "diagnostic.h"
#include "maplib.h"

#include <allegro.h>

#include <cstdio>
#include <cstdlib>

namespace {
constexpr int TRUE_COLOUR_DEPTH = 32;
} // namespace

bool start_headless_allegro(const char *program)
{
    // Allegro sets its error code to EFAULT on any failed write: kept apart from errno, it
    // leaves the system's reason there for the tools' messages.
    static int allegro_error_code = 0;
    static bool installed = false;
    if (!installed)
        installed = install_allegro(SYSTEM_NONE, &allegro_error_code, atexit) == 0;
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
        std::fprintf(stderr, "%s: cannot load the map: maperror %d, %s\n",
                     printable(path).c_str(), maperror, MapErrorText(maperror));
    return loaded;
}
