// Headless Allegro for the fuzz targets: memory bitmaps stand in for the screen.
#include "fuzz_target.h"

#include <allegro.h>

#include <cerrno>
#include <cstdlib>

namespace fuzz {

void start_allegro()
{
    static bool installed = false;
    if (!installed) {
        if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
            std::abort(); // no library, nothing to fuzz
        installed = true;
    }
}

void use_screen(int depth)
{
    constexpr int SCREEN_WIDTH = 320, SCREEN_HEIGHT = 240, DEEPEST = 32;
    // A plain static array: never destroyed, so the bitmaps stay reachable until the end.
    static BITMAP *screens[DEEPEST + 1] = {};
    if (depth < 0 || depth > DEEPEST)
        std::abort();
    start_allegro();
    set_color_depth(depth);
    BITMAP *&bitmap = screens[depth];
    if (!bitmap)
        bitmap = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    if (!bitmap)
        std::abort();
    screen = bitmap;
}

void leave_screen() { screen = nullptr; }

} // namespace fuzz
