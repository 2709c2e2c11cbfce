// Allegro without a display, for the tools.
#include "toolscreen.h"

#include "diagnostic.h"
#include "maplib.h"

#include <allegro.h>

#include <cstdio>
#include <cstdlib>

namespace {
// The map library reads only the screen's depth; the size does not matter.
constexpr int STAND_IN_SIZE = 16;
constexpr int PALETTE_DEPTH = 8;
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

bool use_memory_screen(int depth)
{
    drop_memory_screen();
    set_color_depth(depth);
    screen = create_bitmap(STAND_IN_SIZE, STAND_IN_SIZE);
    return screen != nullptr;
}

void drop_memory_screen()
{
    if (screen) {
        destroy_bitmap(screen);
        screen = nullptr;
    }
}

// Load at 8 bits first; a map whose graphics are deeper is loaded again on a true-colour
// stand-in screen so that its colours survive.
bool load_map_in_own_depth(const char *path)
{
    const bool loaded = use_memory_screen(PALETTE_DEPTH) && MapLoad(path) == 0 &&
                        (mapaltdepth == PALETTE_DEPTH ||
                         (use_memory_screen(TRUE_COLOUR_DEPTH) && MapLoad(path) == 0));
    if (!loaded)
        std::fprintf(stderr, "%s: cannot load the map: maperror %d, %s\n",
                     printable(path).c_str(), maperror, MapErrorText(maperror));
    return loaded;
}
