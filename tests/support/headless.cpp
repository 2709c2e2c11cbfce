// Allegro without a display for tests: a memory bitmap stands in for the screen.
#include "headless.h"

#include "maplib.h"

#include <cerrno>
#include <cstdlib>

namespace headless {

void install()
{
    static bool installed = false;
    if (installed)
        return;
    ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
    installed = true;
}

// Without a display driver Allegro puts blue in the high bits; real X11 screens put red there.
static void use_red_high_layout()
{
    _rgb_r_shift_15 = 10; _rgb_g_shift_15 = 5; _rgb_b_shift_15 = 0;
    _rgb_r_shift_16 = 11; _rgb_g_shift_16 = 5; _rgb_b_shift_16 = 0;
    _rgb_r_shift_24 = 16; _rgb_g_shift_24 = 8; _rgb_b_shift_24 = 0;
    _rgb_r_shift_32 = 16; _rgb_g_shift_32 = 8; _rgb_b_shift_32 = 0;
}

void make_screen(int depth, int w, int h)
{
    install();
    drop_screen();
    use_red_high_layout();
    set_color_depth(depth);
    screen = create_bitmap(w, h);
    ASSERT_NE(screen, nullptr);
}

void drop_screen()
{
    if (screen) {
        destroy_bitmap(screen);
        screen = nullptr;
    }
}

} // namespace headless

void HeadlessTest::SetUp() { headless::make_screen(8); }

void HeadlessTest::TearDown()
{
    MapFreeMem();
    headless::drop_screen();
}

void HeadlessDepthTest::SetUp() { headless::make_screen(GetParam()); }

void HeadlessDepthTest::TearDown()
{
    MapFreeMem();
    headless::drop_screen();
}
