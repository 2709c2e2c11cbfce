// The character base: fixed-point rounding, one-sided speed limits, friction, and movement that
// stops at walls, floors and ceilings, follows slopes and always ends.
#include "gamechar.h"
#include "maptest.h"
#include "wallstuff.h"

namespace {

fix value(double pixels)
{
    fix f;
    f.v = raw(pixels);
    return f;
}

// A body the size of the girl's.
game_character body(double x, int y)
{
    game_character c;
    c.half_width = 4;
    c.height = 19;
    c.x = value(x);
    c.sety(y);
    return c;
}

TEST(CharacterBase, StartsAtRestAtTheOrigin)
{
    game_character c;
    EXPECT_EQ(c.x.v, 0);
    EXPECT_EQ(c.y.v, 0);
    EXPECT_EQ(c.xv.v, 0);
    EXPECT_EQ(c.yv.v, 0);
}

TEST(CharacterBase, RoundsToTheNearestPixelHalvesUpward)
{
    const struct {
        double x;
        int pixel;
    } cases[] = {{10.5, 11}, {10.49, 10}, {-0.5, 0}, {-2.5, -2}, {-2.75, -3}, {-2.25, -2}};
    game_character c;
    for (const auto &k : cases) {
        c.x = value(k.x);
        c.y = value(k.x);
        EXPECT_EQ(c.getx(), k.pixel) << k.x;
        EXPECT_EQ(c.gety(), k.pixel) << k.x;
    }
    c.setx(1350);
    EXPECT_EQ(c.getx(), 1350);
    EXPECT_EQ(c.x.v, 1350 * 65536);
}

TEST(CharacterBase, APushIsCappedOnlyOnItsOwnSide)
{
    const struct {
        double start, amount, expected;
    } cases[] = {
        {2.9, 0.2, 3}, {5, 0.2, 3}, {5, -0.2, 4.8}, {-2.9, -0.2, -3}, {-5, 0.2, -4.8},
        {5, 0, 5},     {1, 0.5, 1.5},
    };
    for (const auto &k : cases) {
        game_character c;
        c.xv = value(k.start);
        c.add_xv(value(k.amount), fix(3));
        EXPECT_EQ(c.xv.v, raw(k.expected)) << k.start << " + " << k.amount;
        c.yv = value(k.start);
        c.add_yv(value(k.amount), fix(3));
        EXPECT_EQ(c.yv.v, c.xv.v);
    }
}

TEST(CharacterBase, FrictionStopsWithoutReversing)
{
    const struct {
        double start, expected;
    } cases[] = {{0.1, 0}, {-0.1, 0}, {0, 0}, {1, 0.8}, {-1, -0.8}};
    for (const auto &k : cases) {
        game_character c;
        c.xv = value(k.start);
        c.sub_xv(value(0.2));
        EXPECT_EQ(c.xv.v, raw(k.expected)) << k.start;
    }
}

// Column 5 (x 80..95) is a wall in rows 1 and 2.
const std::vector<std::string> WALL_MAP = {
    "##########",
    "#....#...#",
    "#....#...#",
    "##########",
};

TEST_F(ActorMapTest, MovingIntoAWallPushesBackToTheFirstFreeColumn)
{
    load(WALL_MAP);
    game_character c = body(100.6, 47);
    c.xv = fix(-2.0);
    EXPECT_FALSE(c.move_left());
    EXPECT_EQ(c.x.v, fix(100).v) << "the left edge stops at column 96";
    EXPECT_EQ(c.xv.v, 0);
}

TEST_F(ActorMapTest, AFreeMoveKeepsTheFraction)
{
    load(WALL_MAP);
    game_character c = body(100.6, 47);
    c.xv = value(1.5);
    EXPECT_TRUE(c.move_right());
    EXPECT_EQ(c.x.v, raw(100.6) + raw(1.5));
    EXPECT_EQ(c.xv.v, raw(1.5));
}

TEST_F(ActorMapTest, TheOuterColumnsStopSidewaysMovesWhateverTheyHold)
{
    load({
        "........",
        "........",
        "........",
        "########",
    });
    game_character c = body(22, 47);
    c.xv = fix(-3.0);
    EXPECT_FALSE(c.move_left());
    EXPECT_EQ(c.getx(), 20);
    c = body(105, 47);
    c.xv = fix(3);
    EXPECT_FALSE(c.move_right());
    EXPECT_EQ(c.getx(), 107);
}

// A platform at column 2 of row 2, a floor in row 5.
const std::vector<std::string> PLATFORM_MAP = {
    "########",
    "#......#",
    "#.=....#",
    "#......#",
    "#......#",
    "########",
};

TEST_F(ActorMapTest, FallingLandsOnlyWhenEnteringANewBlockRow)
{
    load(WALL_MAP);
    game_character c = body(40, 40);
    c.yv = fix(3);
    c.move_down(false);
    EXPECT_EQ(c.gety(), 43);
    EXPECT_EQ(c.yv.v, fix(3).v);
    c = body(40, 46);
    c.yv = fix(3);
    EXPECT_FALSE(c.move_down(false));
    EXPECT_EQ(c.gety(), 47);
    EXPECT_EQ(c.yv.v, 0);
    c = body(40, 50); // inside the floor already: no new block row, no test
    c.yv = fix(3);
    c.move_down(false);
    EXPECT_EQ(c.gety(), 53);
}

TEST_F(ActorMapTest, PlatformsStopAFallUnlessPassedAndNothingElse)
{
    load(PLATFORM_MAP);
    game_character c = body(40, 30);
    c.yv = fix(3);
    c.move_down(false);
    EXPECT_EQ(c.gety(), 31);
    EXPECT_EQ(c.yv.v, 0);
    c = body(40, 30);
    c.yv = fix(3);
    c.move_down(true);
    EXPECT_EQ(c.gety(), 33);
    c = body(40, 70);
    c.yv = fix(-6.0);
    EXPECT_TRUE(c.move_up()) << "the head passes up through the platform";
    EXPECT_EQ(c.gety(), 64);
    c = body(26, 47);
    c.xv = fix(6);
    EXPECT_TRUE(c.move_right());
    EXPECT_EQ(c.getx(), 32);
}

TEST_F(ActorMapTest, AHeadInTheTopBlockRowIsPushedDown)
{
    load(PLATFORM_MAP);
    game_character c = body(40, 40);
    c.yv = fix(-6.0);
    EXPECT_FALSE(c.move_up());
    EXPECT_EQ(c.gety(), 35) << "head row 16, the first of block row 1";
    EXPECT_EQ(c.yv.v, 0);
}

TEST_F(ActorMapTest, FallingOntoASlopeLiftsTheFeetOutOfItsTriangle)
{
    load({
        "########",
        "#......#",
        "#..1...#",
        "########",
    });
    game_character c = body(56, 30);
    c.yv = fix(5);
    c.move_down(false);
    EXPECT_EQ(c.gety(), 35) << "the slope's own block row is no floor";
    EXPECT_EQ(c.yv.v, fix(5).v);
    c.move_down(false);
    EXPECT_EQ(c.gety(), 39) << "first free row above the surface at column 56";
    EXPECT_EQ(c.yv.v, 0);
}

TEST_F(ActorMapTest, WalkingUpASlopeRaisesTheFeetPixelByPixel)
{
    load({
        "##########",
        "#........#",
        "#....4...#",
        "##########",
    });
    game_character c = body(70, 47);
    c.xv = fix(2);
    while (c.getx() < 90) {
        EXPECT_TRUE(c.move_right());
        const int px = c.getx() - 80;
        EXPECT_EQ(c.gety(), px >= 0 ? 46 - px : 47) << "x " << c.getx();
    }
}

TEST_F(ActorMapTest, AFullSlopeBlockIsClimbedAtOnceAndIsNoWall)
{
    load({
        "##########",
        "#........#",
        "#....5...#",
        "##########",
    });
    game_character c = body(70, 47);
    c.xv = fix(2);
    while (c.getx() < 80) {
        EXPECT_TRUE(c.move_right());
        EXPECT_EQ(c.gety(), c.getx() < 80 ? 47 : 31);
    }
    c = body(88, 30);
    c.yv = fix(6);
    while (c.yv > 0)
        c.move_down(false);
    EXPECT_EQ(c.gety(), 31) << "a fall onto it lands on its top";
}

TEST_F(ActorMapTest, TheUphillRuleIgnoresTheFeetBlockRow)
{
    load({
        "##########",
        "#........#",
        "#.....#..#",
        "#.....4..#",
        "##########",
    });
    game_character c = body(0, 0);
    EXPECT_FALSE(c.check_vert(100, 47, moving_right)) << "tested down to row 31 only";
    EXPECT_TRUE(c.check_vert(100, 47, moving_left));
    EXPECT_TRUE(c.check_vert(100, 47, 0));
}

TEST_F(ActorMapTest, ACharacterKeepsFallingBelowTheMap)
{
    load({
        "####",
        "#..#",
        "#..#",
    });
    game_character c = body(24, 40);
    c.yv = fix(6);
    for (int tick = 1; tick <= 5; ++tick) {
        c.move_down(false);
        EXPECT_EQ(c.gety(), 40 + 6 * tick);
    }
}

TEST_F(ActorMapTest, StandingTestsFindFloorsPlatformsAndSlopeTriangles)
{
    load({
        "##########",
        "#........#",
        "#.=.1....#",
        "##########",
    });
    game_character c = body(120, 47);
    EXPECT_FALSE(c.check_under_ex(48, false)) << "solid floor";
    c = body(40, 31);
    EXPECT_FALSE(c.check_under_ex(32, false)) << "platform";
    EXPECT_TRUE(c.check_under_ex(32, true)) << "platform passed";
    c = body(72, 40);
    EXPECT_FALSE(c.check_under_ex(41, false)) << "slope triangle under the centre";
    c = body(100, 20);
    EXPECT_TRUE(c.check_under_ex(21, false)) << "air";
}

// Inside solid ground that reaches the map's edges the loops still end.
const std::vector<std::string> SOLID_MAP = {
    "#######",
    "#######",
    "#######",
};

TEST_F(ActorMapTest, PushBackInsideSolidGroundEndsAtTheOuterWallColumn)
{
    load(SOLID_MAP);
    game_character c = body(40, 40);
    c.xv = fix(-1.0);
    EXPECT_FALSE(c.move_left());
    EXPECT_EQ(c.getx() - 4, 96) << "left edge in the last block column";
    c = body(40, 40);
    c.xv = fix(1);
    EXPECT_FALSE(c.move_right());
    EXPECT_EQ(c.getx() + 4, 15) << "right edge in the first block column";
}

TEST_F(ActorMapTest, ACeilingPushInsideSolidGroundEndsBelowTheMap)
{
    load(SOLID_MAP);
    game_character c = body(40, 40);
    c.yv = fix(-1.0);
    EXPECT_FALSE(c.move_up());
    EXPECT_EQ(c.gety() - 19, 48) << "head on the first row below the map";
}

TEST_F(ActorMapTest, SlopeLiftingEndsAtTheTopOfTheMap)
{
    load({
        "55555",
        "55555",
        "55555",
    });
    game_character c = body(40, 40);
    c.xv = fix(1);
    EXPECT_TRUE(c.move_right());
    EXPECT_EQ(c.gety(), -1);
    c = body(40, 40);
    c.yv = fix(1);
    c.move_down(false);
    EXPECT_EQ(c.gety(), -1);
    EXPECT_EQ(c.yv.v, 0);
}

} // namespace
