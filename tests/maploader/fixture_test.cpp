// The stand-in screen of the tests behaves like a real display's.
#include "headless.h"

TEST_F(HeadlessTest, ScreenIsAnEightBitMemoryBitmap)
{
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(bitmap_color_depth(screen), 8);
    EXPECT_EQ(screen->w, 320);
}

TEST(HeadlessScreen, TrueColourPutsRedInTheHighBits)
{
    headless::make_screen(32);
    EXPECT_EQ(makecol(255, 0, 0), 0xFF0000);
    EXPECT_EQ(makecol(0, 0, 255), 0x0000FF);
    headless::make_screen(16);
    EXPECT_EQ(makecol(255, 0, 0), 0xF800);
    headless::drop_screen();
}
