// Presenting the picture: every game pixel a square of exactly its colour at the largest whole
// factor, centred on black, in every screen depth; and only what changed is drawn again.
#include "display.h"
#include "headless.h"

#include <gtest/gtest.h>

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

struct screen_case {
    int w, h, scale, x0, y0;
};

TEST_F(PresentTest, EveryGamePixelIsASquareOfItsOwnColourCentredOnBlackAtEveryDepth)
{
    const screen_case screens[] = {{1920, 1080, 4, 320, 60}, {640, 480, 2, 0, 0},
                                   {1366, 768, 3, 203, 24},  {320, 240, 1, 0, 0}};
    for (int depth : {8, 15, 16, 24, 32})
        for (const screen_case &s : screens) {
            release_display();
            headless::make_screen(depth, s.w, s.h);
            clear_bitmap(screen);
            present(picture);
            expect_screen_shows(s.scale, s.x0, s.y0);
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
