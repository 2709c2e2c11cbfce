// Drawing the girl: her rounded position less the camera offsets, her status, frame and facing.
#include "girlchar.h"
#include "girlpictures.h"

namespace {

using GirlDraw = GirlPicturesTest;
using girlpictures::MARKER;
using girlpictures::WIDTH;

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
    EXPECT_EQ(getpixel(target, x, y), 1 + 1) << "walk frame 4 mirrored";
    EXPECT_EQ(getpixel(target, x + WIDTH - 1, y), MARKER + 1);
}

TEST_F(GirlDraw, HerFallingSpeedPicksTheFallingPicture)
{
    girl_character g;
    g.setx(100);
    g.sety(100);
    g.set_status(status_fall);
    g.yv = fix(5);
    g.draw(target, 0, 0);
    EXPECT_EQ(getpixel(target, 100 - 16, 100 - 31), MARKER + 11);
}

} // namespace
