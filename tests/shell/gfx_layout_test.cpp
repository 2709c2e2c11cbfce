// The built graphics datafile: a font, a palette and fourteen 32-pixel-wide pictures in
// 8-bit colour, in the order the game reads them by position.
#include "headless.h"

#include <gtest/gtest.h>

namespace {

constexpr int OBJECTS = 16;
constexpr int FIRST_PICTURE = 2;
constexpr int PICTURE_WIDTH = 32;

class GfxLayoutTest : public HeadlessTest {
protected:
    void SetUp() override
    {
        HeadlessTest::SetUp();
        gfx = load_datafile(ORVIA_GFX_DAT);
        ASSERT_NE(gfx, nullptr) << "cannot load " << ORVIA_GFX_DAT;
    }

    void TearDown() override
    {
        if (gfx)
            unload_datafile(gfx);
        HeadlessTest::TearDown();
    }

    DATAFILE *gfx = nullptr;
};

int object_count(const DATAFILE *d)
{
    int n = 0;
    while (d[n].type != DAT_END)
        ++n;
    return n;
}

TEST_F(GfxLayoutTest, HoldsAFontAPaletteAndFourteenPictures)
{
    ASSERT_EQ(object_count(gfx), OBJECTS);
    EXPECT_EQ(gfx[0].type, DAT_FONT);
    EXPECT_EQ(gfx[1].type, DAT_PALETTE);
    for (int i = FIRST_PICTURE; i < OBJECTS; ++i)
        EXPECT_EQ(gfx[i].type, DAT_BITMAP) << "object " << i;
}

TEST_F(GfxLayoutTest, PicturesAre32PixelsWideIn8BitColour)
{
    ASSERT_EQ(object_count(gfx), OBJECTS);
    for (int i = FIRST_PICTURE; i < OBJECTS; ++i) {
        const auto *picture = static_cast<BITMAP *>(gfx[i].dat);
        EXPECT_EQ(picture->w, PICTURE_WIDTH) << "object " << i;
        EXPECT_EQ(bitmap_color_depth(const_cast<BITMAP *>(picture)), 8) << "object " << i;
    }
}

TEST_F(GfxLayoutTest, TheFontDrawsTheGameTexts)
{
    ASSERT_EQ(gfx[0].type, DAT_FONT);
    auto *f = static_cast<FONT *>(gfx[0].dat);
    EXPECT_GT(text_length(f, "Press SPACE to start."), 0);
    EXPECT_GT(text_height(f), 0);
    EXPECT_LE(text_height(f), 20) << "title lines are 20 pixels apart";
}

} // namespace
