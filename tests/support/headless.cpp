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

void use_colour_layout(ColourLayout layout)
{
    const bool red_high = layout == ColourLayout::RED_HIGH;
    const auto place = [red_high](int &r, int &g, int &b, int high_shift, int green_shift) {
        r = red_high ? high_shift : 0;
        g = green_shift;
        b = red_high ? 0 : high_shift;
    };
    place(_rgb_r_shift_15, _rgb_g_shift_15, _rgb_b_shift_15, 10, 5);
    place(_rgb_r_shift_16, _rgb_g_shift_16, _rgb_b_shift_16, 11, 5);
    place(_rgb_r_shift_24, _rgb_g_shift_24, _rgb_b_shift_24, 16, 8);
    place(_rgb_r_shift_32, _rgb_g_shift_32, _rgb_b_shift_32, 16, 8);
}

void make_screen(int depth, int w, int h)
{
    install();
    drop_screen();
    use_colour_layout(ColourLayout::RED_HIGH);
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
