// Which of the girl's pictures draw_anim draws for each status, where, and whether mirrored.
#include "girlanim.h"
#include "girlpictures.h"
#include "graphic.h"

namespace {

using girlpictures::MARKER;

constexpr int X = 150, Y = 120; // the feet-centre point handed to draw_anim

// Where a picture came out on the target.
struct drawn {
    int entry = -1;
    int x = 0, y = 0; // top-left corner of the picture
    bool mirrored = false;
};

class DrawAnim : public GirlPicturesTest {
protected:
    drawn draw(int anim, long frame, bool flip, fix speed = fix())
    {
        clear_to_color(target, 0);
        draw_anim(target, X, Y, anim, frame, flip, speed);
        drawn d;
        int left = target->w, top = target->h, marker_x = -1;
        for (int y = 0; y < target->h; ++y)
            for (int x = 0; x < target->w; ++x) {
                const int c = getpixel(target, x, y);
                if (c == 0)
                    continue;
                left = std::min(left, x);
                top = std::min(top, y);
                if (c >= MARKER) {
                    d.entry = c - MARKER;
                    marker_x = x;
                }
            }
        d.x = left;
        d.y = top;
        d.mirrored = marker_x != left;
        return d;
    }

    void expect(const drawn &d, int entry, int x, int y, bool mirrored, const char *what)
    {
        EXPECT_EQ(d.entry, entry) << what;
        EXPECT_EQ(d.x, x) << what;
        EXPECT_EQ(d.y, y) << what;
        EXPECT_EQ(d.mirrored, mirrored) << what;
    }
};

constexpr int CORNER_X = X - 16, CORNER_Y = Y - 31;

TEST_F(DrawAnim, StillPicturesAndTheirMirrorImages)
{
    expect(draw(0, 0, false), 1, CORNER_X, CORNER_Y, false, "stand");
    expect(draw(0, 0, true), 1, CORNER_X, CORNER_Y, true, "stand facing left");
    expect(draw(3, 0, false), 8, CORNER_X, CORNER_Y, false, "jump");
    expect(draw(4, 0, true), 8, CORNER_X, CORNER_Y, true, "run jump");
    expect(draw(7, 0, false), 12, CORNER_X, CORNER_Y, false, "hang");
}

TEST_F(DrawAnim, WalkingAndRunningCycleThroughFourPictures)
{
    for (long frame = 0; frame < 12; ++frame)
        EXPECT_EQ(draw(1, frame, false).entry, frame / 3) << "walk frame " << frame;
    for (long frame = 0; frame < 24; ++frame)
        EXPECT_EQ(draw(2, frame, false).entry, 4 + frame / 6) << "run frame " << frame;
}

TEST_F(DrawAnim, FallingPicturesChangeStrictlyAboveTwoAndFour)
{
    fix just_above_four;
    just_above_four.v = (4 << 16) + 1;
    fix just_above_two;
    just_above_two.v = (2 << 16) + 1;
    EXPECT_EQ(draw(5, 0, false, fix(4)).entry, 10);
    EXPECT_EQ(draw(5, 0, false, just_above_four).entry, 11);
    EXPECT_EQ(draw(6, 0, false, fix(2)).entry, 9);
    EXPECT_EQ(draw(6, 0, false, just_above_two).entry, 10);
    EXPECT_EQ(draw(5, 0, false, fix(-3.0)).entry, 9);
}

TEST_F(DrawAnim, PullingUpSitsLowerAndLeansTowardTheLedge)
{
    expect(draw(8, 3, false), 13, CORNER_X - 5, CORNER_Y + 11, false, "pull-up facing right");
    expect(draw(8, 4, true), 14, CORNER_X + 5, CORNER_Y + 11, true, "pull-up facing left");
}

TEST_F(DrawAnim, ClimbingMirrorsByFrameNotByFacing)
{
    expect(draw(9, 7, true), 15, CORNER_X, CORNER_Y, false, "climb frame 7");
    expect(draw(9, 8, false), 15, CORNER_X, CORNER_Y, true, "climb frame 8");
    expect(draw(9, 0, true), 15, CORNER_X, CORNER_Y, false, "climb frame 0");
}

TEST_F(DrawAnim, UnknownAnimationsAndFramesShowHerStanding)
{
    expect(draw(10, 0, false), 1, CORNER_X, CORNER_Y, false, "animation 10");
    expect(draw(-1, 0, false), 1, CORNER_X, CORNER_Y, false, "animation -1");
    EXPECT_EQ(draw(1, 12, false).entry, 1) << "walk frame past the cycle";
    EXPECT_EQ(draw(1, -1, false).entry, 1) << "negative walk frame";
    EXPECT_EQ(draw(2, 24, false).entry, 1) << "run frame past the cycle";
}

TEST_F(DrawAnim, IndexZeroIsSeeThrough)
{
    clear_to_color(girl[1], 0);
    putpixel(girl[1], 0, 0, MARKER + 1);
    clear_to_color(target, 7);
    draw_anim(target, X, Y, 0, 0, false, fix());
    EXPECT_EQ(getpixel(target, CORNER_X, CORNER_Y), MARKER + 1);
    EXPECT_EQ(getpixel(target, CORNER_X + 1, CORNER_Y), 7);
}

TEST_F(DrawAnim, NothingIsDrawnWithoutPictures)
{
    for (BITMAP *&entry : girl) {
        destroy_bitmap(entry);
        entry = nullptr;
    }
    EXPECT_EQ(draw(0, 0, false).entry, -1);
    EXPECT_EQ(getpixel(target, CORNER_X, CORNER_Y), 0);
}

} // namespace
