// Drawing the girl: her rounded position less the camera offsets, her status, frame and facing.
#include "girlchar.h"
#include "graphic.h"
#include "headless.h"

namespace {

class GirlDraw : public HeadlessTest {
protected:
    BITMAP *target = nullptr;

    void SetUp() override
    {
        HeadlessTest::SetUp();
        // Picture k is one row of two pixels: colour k + 1, then colour k + 101.
        for (int entry = 0; entry < GIRL_PICTURES; ++entry) {
            girl[entry] = create_bitmap(2, 1);
            putpixel(girl[entry], 0, 0, entry + 1);
            putpixel(girl[entry], 1, 0, entry + 101);
        }
        target = create_bitmap(320, 240);
        clear_to_color(target, 0);
    }

    void TearDown() override
    {
        destroy_bitmap(target);
        for (BITMAP *&entry : girl) {
            destroy_bitmap(entry);
            entry = nullptr;
        }
        HeadlessTest::TearDown();
    }
};

TEST_F(GirlDraw, HerPictureSitsAtHerRoundedFeetLessTheCamera)
{
    girl_character g;
    g.x.v = ftofix(100.5);
    g.sety(50);
    g.set_status(status_walk);
    g.frame = 4;
    g.facing_left = true;
    g.draw(target, 20, 10);
    const int x = 101 - 20 - 16, y = 50 - 10 - 31;
    EXPECT_EQ(getpixel(target, x, y), 1 + 101) << "walk frame 4 mirrored";
    EXPECT_EQ(getpixel(target, x + 1, y), 1 + 1);
}

TEST_F(GirlDraw, HerFallingSpeedPicksTheFallingPicture)
{
    girl_character g;
    g.setx(100);
    g.sety(100);
    g.set_status(status_fall);
    g.yv = fix(5);
    g.draw(target, 0, 0);
    EXPECT_EQ(getpixel(target, 100 - 16, 100 - 31), 11 + 1);
}

} // namespace
