// The camera: the dead zone that drags it along with the girl, and the clamp to the map.
#include "attempt.h"
#include "maplib.h"

#include <gtest/gtest.h>

namespace {

constexpr int BLOCK = 16;
constexpr int VIEW_W = 320;
constexpr int VIEW_H = 240;

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override { set_map_size(120, 40); }
    void TearDown() override { set_map_size(0, 0); }

    static void set_map_size(int width_blocks, int height_blocks)
    {
        mapwidth = static_cast<short>(width_blocks);
        mapheight = static_cast<short>(height_blocks);
    }

    // The girl at a screen position for the current camera.
    void place_on_screen(int sx, int sy)
    {
        girl.setx(xoff + sx);
        girl.sety(yoff + sy);
    }

    girl_character girl;
    int xoff = 400;
    int yoff = 200;
};

TEST_F(CameraTest, GirlOnTheDeadZoneEdgesLeavesTheCameraAlone)
{
    for (auto [sx, sy] : {std::pair{100, 50}, {220, 50}, {100, 190}, {220, 190}, {160, 120}}) {
        place_on_screen(sx, sy);
        update_offset(&girl, xoff, yoff);
        EXPECT_EQ(xoff, 400) << "screen " << sx << "," << sy;
        EXPECT_EQ(yoff, 200) << "screen " << sx << "," << sy;
    }
}

TEST_F(CameraTest, GirlOnePixelOutsideTheZoneDragsTheCameraToItsEdge)
{
    place_on_screen(99, 120);
    update_offset(&girl, xoff, yoff);
    EXPECT_EQ(xoff, 399);
    EXPECT_EQ(yoff, 200);

    xoff = 400;
    place_on_screen(221, 120);
    update_offset(&girl, xoff, yoff);
    EXPECT_EQ(xoff, 401);

    xoff = 400;
    place_on_screen(160, 49);
    update_offset(&girl, xoff, yoff);
    EXPECT_EQ(yoff, 199);

    yoff = 200;
    place_on_screen(160, 191);
    update_offset(&girl, xoff, yoff);
    EXPECT_EQ(yoff, 201);
}

TEST_F(CameraTest, AnyStartingOffsetPutsTheGirlInsideTheZoneInOneCall)
{
    girl.setx(1350);
    girl.sety(447);
    for (int start : {-5000, -1, 0, 1000, 1300, 9999}) {
        xoff = start;
        yoff = start;
        update_offset(&girl, xoff, yoff);
        EXPECT_GE(girl.getx() - xoff, 100) << start;
        EXPECT_LE(girl.getx() - xoff, 220) << start;
        EXPECT_GE(girl.gety() - yoff, 50) << start;
        EXPECT_LE(girl.gety() - yoff, 190) << start;
    }
}

TEST_F(CameraTest, WalkingRightKeepsTheGirlAtTheZoneEdgeUntilTheMapEnds)
{
    const int last_xoff = 120 * BLOCK - VIEW_W;
    xoff = 1000;
    yoff = 200;
    place_on_screen(220, 120);
    bool reached_end = false;
    for (int tick = 0; tick < 300; ++tick) {
        const int previous = xoff;
        girl.setx(girl.getx() + 3);
        update_offset(&girl, xoff, yoff);
        sanity_check(xoff, yoff);
        if (!reached_end && xoff < last_xoff) {
            EXPECT_EQ(xoff, previous + 3) << "tick " << tick;
            EXPECT_EQ(girl.getx() - xoff, 220) << "tick " << tick;
        } else {
            reached_end = true;
            EXPECT_EQ(xoff, last_xoff) << "tick " << tick;
        }
    }
    EXPECT_TRUE(reached_end);
    EXPECT_GT(girl.getx() - xoff, 220);
}

TEST_F(CameraTest, NarrowAndLowMapsKeepTheCameraAtZero)
{
    set_map_size(20, 15);
    for (int x : {0, 100, 160, 250, 319}) {
        for (int y : {0, 60, 120, 239}) {
            xoff = 0;
            yoff = 0;
            girl.setx(x);
            girl.sety(y);
            update_offset(&girl, xoff, yoff);
            sanity_check(xoff, yoff);
            EXPECT_EQ(xoff, 0) << x << "," << y;
            EXPECT_EQ(yoff, 0) << x << "," << y;
        }
    }
}

TEST_F(CameraTest, MapsSmallerThanTheScreenClampToZeroNotBelow)
{
    set_map_size(10, 5);
    xoff = 50;
    yoff = 50;
    sanity_check(xoff, yoff);
    EXPECT_EQ(xoff, 0);
    EXPECT_EQ(yoff, 0);
}

TEST_F(CameraTest, GirlNearTheLeftAndTopEdgesSeesTheCameraAtZero)
{
    xoff = 0;
    yoff = 0;
    girl.setx(40);
    girl.sety(20);
    update_offset(&girl, xoff, yoff);
    EXPECT_LT(xoff, 0);
    EXPECT_LT(yoff, 0);
    sanity_check(xoff, yoff);
    EXPECT_EQ(xoff, 0);
    EXPECT_EQ(yoff, 0);
}

TEST_F(CameraTest, CameraPastTheRightAndBottomEdgesComesBack)
{
    xoff = 5000;
    yoff = 5000;
    sanity_check(xoff, yoff);
    EXPECT_EQ(xoff, 120 * BLOCK - VIEW_W);
    EXPECT_EQ(yoff, 40 * BLOCK - VIEW_H);

    xoff = 120 * BLOCK - VIEW_W;
    yoff = 40 * BLOCK - VIEW_H;
    sanity_check(xoff, yoff);
    EXPECT_EQ(xoff, 120 * BLOCK - VIEW_W);
    EXPECT_EQ(yoff, 40 * BLOCK - VIEW_H);
}

} // namespace
