// Allegro without a display, for the tools.
#include "toolscreen.h"

#include <allegro.h>

#include <cerrno>
#include <cstdlib>

namespace {
// The map library reads only the screen's depth; the size does not matter.
constexpr int STAND_IN_SIZE = 16;
} // namespace

bool start_headless_allegro()
{
    static bool installed = false;
    if (!installed)
        installed = install_allegro(SYSTEM_NONE, &errno, atexit) == 0;
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
