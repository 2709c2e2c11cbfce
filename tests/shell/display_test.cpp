// The picture on each desktop: the screen modes tried in order, and every game pixel a square
// of exactly its colour at the largest whole factor, centred on black, in every screen depth;
// and only what changed is drawn again.
#include "display.h"
#include "headless.h"
#include "screenmode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int PICTURE_W = 320, PICTURE_H = 240;

class PresentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless::install();
        set_color_depth(8);
        picture = create_bitmap(PICTURE_W, PICTURE_H);
        for (int y = 0; y < PICTURE_H; ++y)
            for (int x = 0; x < PICTURE_W; ++x)
                putpixel(picture, x, y, (x * 7 + y * 13) & 0xff);
        // Every entry a different colour: 6-bit red and green from the index, blue fixed.
        for (int i = 0; i < PAL_SIZE; ++i)
            palette[i] = {static_cast<unsigned char>(i & 63),
                          static_cast<unsigned char>(i >> 2), 21, 0};
        set_palette(palette);
    }
    void TearDown() override
    {
        release_display();
        destroy_bitmap(picture);
        headless::drop_screen();
    }

    // The screen colour of a palette index at the screen's depth.
    int screen_colour(int index) const
    {
        const int depth = bitmap_color_depth(screen);
        if (depth == 8)
            return index;
        const RGB &c = palette[index];
        return makecol_depth(depth, _rgb_scale_6[c.r], _rgb_scale_6[c.g], _rgb_scale_6[c.b]);
    }

    // Every screen pixel: the picture's pixel scaled `scale` times from (x0, y0), black around.
    void expect_screen_shows(int scale, int x0, int y0)
    {
        for (int y = 0; y < screen->h; ++y)
            for (int x = 0; x < screen->w; ++x) {
                const int px = x - x0, py = y - y0;
                const bool inside = px >= 0 && py >= 0 && px < PICTURE_W * scale &&
                                    py < PICTURE_H * scale;
                const int expected =
                    inside ? screen_colour(getpixel(picture, px / scale, py / scale)) : 0;
                ASSERT_EQ(getpixel(screen, x, y), expected)
                    << x << "," << y << " at depth " << bitmap_color_depth(screen);
            }
    }

    BITMAP *picture = nullptr;
    PALETTE palette;
};

// The modes as " full WxH" and " window WxH", in order.
std::string described(const std::vector<screen_mode> &modes)
{
    std::string out;
    for (const screen_mode &m : modes)
        out += (m.full_screen ? " full " : " window ") + std::to_string(m.w) + "x" +
               std::to_string(m.h);
    return out;
}

struct desktop_case {
    int w, h, depth;
    int scale, x0, y0; // of the picture on a full screen of the desktop's size
    const char *modes; // tried in this order without options
};

TEST_F(PresentTest, OnEachDesktopTheModesInOrderAndThePictureInSquaresCentredOnBlack)
{
    const desktop_case desktops[] = {
        {320, 240, 8, 1, 0, 0, " full 320x240 window 320x240"},
        {640, 480, 8, 2, 0, 0, " full 640x480 window 320x240"},
        {1366, 768, 8, 3, 203, 24, " full 1366x768 window 640x480 window 320x240"},
        {1920, 1080, 24, 4, 320, 60, " full 1920x1080 window 1280x960 window 320x240"},
        {2560, 1440, 16, 6, 320, 0, " full 2560x1440 window 1600x1200 window 320x240"},
        {3840, 2160, 32, 9, 480, 0, " full 3840x2160 window 2560x1920 window 320x240"},
        // Too small for the picture: the display is asked for the picture's own size, and a
        // screen this small would show the picture's middle.
        {256, 192, 15, 1, -32, -24, " full 320x240 window 320x240"},
    };
    for (const desktop_case &d : desktops) {
        EXPECT_EQ(described(modes_to_try({}, d.w, d.h)), d.modes) << d.w;
        release_display();
        headless::make_screen(d.depth, d.w, d.h);
        clear_bitmap(screen);
        present(picture);
        expect_screen_shows(d.scale, d.x0, d.y0);
    }
}

TEST_F(PresentTest, OnlyChangedRowsAreDrawnAgainUntilThePaletteChanges)
{
    headless::make_screen(32, 1920, 1080);
    clear_bitmap(screen);
    present(picture);
    // Marks on the screen that only a redraw of their rows would remove.
    putpixel(screen, 400, 60 + 4 * 10, 1);
    putpixel(screen, 400, 60 + 4 * 200, 1);
    hline(picture, 0, 100, PICTURE_W - 1, 3);
    present(picture);
    EXPECT_EQ(getpixel(screen, 400, 60 + 4 * 10), 1) << "an unchanged row was drawn again";
    EXPECT_EQ(getpixel(screen, 400, 60 + 4 * 200), 1);
    EXPECT_EQ(getpixel(screen, 1000, 60 + 4 * 100 + 3), screen_colour(3)) << "the changed row";

    palette[3].r = 63 - palette[3].r;
    set_palette(palette);
    present(picture);
    expect_screen_shows(4, 320, 60);
}

} // namespace
