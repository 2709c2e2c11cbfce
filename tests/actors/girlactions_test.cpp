// The girl's actions: the velocities, counters and placements each produces, tick by tick.
#include "girlchar.h"
#include "maptest.h"
#include "wallstuff.h"

namespace {

// Plain ground, ice at x 48..111, a type 1 slope at x 144..159 of row 3.
const std::vector<std::string> GROUND_MAP = {
    "############",
    "#..........#",
    "#..........#",
    "###~~~~##1##",
};
constexpr int PLAIN_X = 120, ICE_X = 72, FEET = 47;
constexpr int SLOPE_X = 152, SLOPE_FEET = 55; // the pixel below her feet is in the triangle

class GirlActions : public ActorMapTest {
protected:
    void SetUp() override
    {
        ActorMapTest::SetUp();
        load(GROUND_MAP);
    }
};

TEST_F(GirlActions, WalkingFromRestReachesWalkingPace)
{
    girl_character g = girl_at(PLAIN_X, FEET);
    g.a_walk(false, true);
    EXPECT_EQ(g.status, status_walk);
    EXPECT_EQ(g.xv.v, 32768);
    g.a_walk(false, false);
    EXPECT_EQ(g.xv.v, 65536);
    g.a_walk(false, false);
    EXPECT_EQ(g.xv.v, 65536);
    EXPECT_FALSE(g.facing_left);
}

TEST_F(GirlActions, WalkingOnIceTakesTenTicksToWalkingPace)
{
    const int expected[] = {6554, 13108, 19662, 26216, 32770, 39324, 45878, 52432, 58986, 65536};
    girl_character g = girl_at(ICE_X, FEET);
    g.a_walk(false, true);
    for (int tick = 1; tick <= 10; ++tick) {
        EXPECT_EQ(g.xv.v, expected[tick - 1]) << "tick " << tick;
        g.a_walk(false, false);
    }
}

TEST_F(GirlActions, WalkingAgainstAFasterMotionOnlyBrakes)
{
    girl_character g = girl_at(PLAIN_X, FEET, status_walk);
    g.xv = fix(-3.0);
    const int expected[] = {-180224, -163840, -147456, -131072, -114688, -98304,
                            -81920,  -65536,  -65536,  -65536,  -65536,  -65536};
    for (int tick = 1; tick <= 12; ++tick) {
        g.a_walk(true, false);
        EXPECT_EQ(g.xv.v, expected[tick - 1]) << "tick " << tick;
    }
    EXPECT_TRUE(g.facing_left);
}

TEST_F(GirlActions, WalkingAnimatesInATwelveFrameCycle)
{
    girl_character g = girl_at(PLAIN_X, FEET);
    g.a_walk(false, true);
    EXPECT_EQ(g.frame, 0);
    for (int tick = 1; tick <= 13; ++tick) {
        g.a_walk(false, false);
        EXPECT_EQ(g.frame, tick % 12);
    }
}

TEST_F(GirlActions, RunningAcceleratesToThreeAndReversesInTwelveTicks)
{
    girl_character g = girl_at(PLAIN_X, FEET);
    g.a_run(false, true);
    for (int tick = 2; tick <= 7; ++tick)
        g.a_run(false, false);
    EXPECT_EQ(g.xv.v, 3 * 65536);
    EXPECT_EQ(g.frame, 6);
    int ticks = 0;
    while (g.xv.v != -(3 * 65536) && ticks < 100) {
        g.a_run(true, false);
        ++ticks;
    }
    EXPECT_EQ(ticks, 12);
}

TEST_F(GirlActions, StandingFrictionStopsHerWithoutReversing)
{
    girl_character g = girl_at(PLAIN_X, FEET);
    g.xv = fix(1);
    g.yv = fix(2);
    for (double expected : {0.75, 0.5, 0.25, 0.0, 0.0}) {
        g.a_stand(false);
        EXPECT_EQ(g.xv.v, raw(expected));
        EXPECT_EQ(g.yv.v, 0);
    }
    g.xv.v = raw(0.1);
    g.a_stand(false);
    EXPECT_EQ(g.xv.v, 0);
}

TEST_F(GirlActions, StandingOnASlopeDriftsDownhillEachTick)
{
    girl_character g = girl_at(SLOPE_X, SLOPE_FEET);
    for (int tick = 1; tick <= 5; ++tick) {
        g.a_stand(false);
        EXPECT_EQ(g.xv.v, 13107) << "tick " << tick;
    }
}

TEST_F(GirlActions, StandingOnAnIcySlopeGainsTheDifferenceUpToThree)
{
    MapGetBlockInPixels(SLOPE_X, SLOPE_FEET + 1)->flags |= BLOCK_ICE;
    girl_character g = girl_at(SLOPE_X, SLOPE_FEET);
    g.a_stand(false);
    EXPECT_EQ(g.xv.v, 13107);
    for (int tick = 2; tick <= 25; ++tick) {
        g.a_stand(false);
        EXPECT_EQ(g.xv.v, std::min(13107 + (tick - 1) * 9830, 3 * 65536)) << "tick " << tick;
    }
}

TEST_F(GirlActions, WalkingAndRunningOnASlopeSettle)
{
    const struct {
        bool run, left;
        fixed settled;
    } cases[] = {{false, false, 78643}, {false, true, -52429}, {true, false, 196608},
                 {true, true, -183501}};
    for (const auto &c : cases) {
        girl_character g = girl_at(SLOPE_X, SLOPE_FEET);
        for (int tick = 0; tick < 40; ++tick) {
            if (c.run)
                g.a_run(c.left, tick == 0);
            else
                g.a_walk(c.left, tick == 0);
        }
        EXPECT_EQ(g.xv.v, c.settled) << (c.run ? "run" : "walk") << (c.left ? " left" : " right");
    }
}

TEST_F(GirlActions, TheLandingTickUsesTheIceValues)
{
    girl_character g = girl_at(PLAIN_X, FEET, status_fall);
    g.xv = fix(1);
    g.a_stand(true);
    EXPECT_EQ(g.status, status_stand);
    EXPECT_EQ(g.xv.v, 65536 - 3277);
    g = girl_at(PLAIN_X, FEET, status_run_fall);
    g.xv = fix(1);
    g.a_run(false, true);
    EXPECT_EQ(g.status, status_run);
    EXPECT_EQ(g.xv.v, 65536 + 6554);
}

TEST_F(GirlActions, FallingIsCappedAtSix)
{
    girl_character g = girl_at(PLAIN_X, FEET);
    g.yv.v = raw(5.5);
    g.a_fall(true, false);
    EXPECT_EQ(g.status, status_fall);
    EXPECT_EQ(g.yv.v, 6 * 65536);
    g.a_fall(false, false);
    EXPECT_EQ(g.yv.v, 6 * 65536);
    g.a_fall(true, true);
    EXPECT_EQ(g.status, status_run_fall);
}

TEST_F(GirlActions, AJumpStartsAtMinusSixAtMost)
{
    for (const auto &c : {std::pair<int, int>{0, -6}, {-1, -6}, {1, -5}}) {
        girl_character g = girl_at(PLAIN_X, FEET);
        g.yv = fix(double(c.first));
        g.a_jump(true, false, false);
        EXPECT_EQ(g.yv.v, c.second * 65536) << "from " << c.first;
        EXPECT_EQ(g.status, status_jump);
        EXPECT_EQ(g.timer, 19) << "the start uses one tick of the boost";
    }
    girl_character g = girl_at(PLAIN_X, FEET);
    g.a_jump(true, false, true);
    EXPECT_EQ(g.status, status_run_jump);
}

TEST_F(GirlActions, TheBoostActsOnlyWhileTheJumpIsHeld)
{
    girl_character g = girl_at(PLAIN_X, FEET);
    g.a_jump(true, true, false);
    for (int tick = 0; tick < 5; ++tick)
        g.a_jump(false, true, false);
    EXPECT_EQ(g.yv.v, raw(-4.75));
    g.a_jump(false, false, false);
    EXPECT_EQ(g.yv.v, raw(-3.75)) << "released: full gravity although the boost is left";
    EXPECT_EQ(g.timer, 13);
    g.a_jump(false, true, false);
    EXPECT_EQ(g.yv.v, raw(-3.5)) << "held again within the boost";
}

TEST_F(GirlActions, SteeringInTheAirHasNoFrictionAndAOneSidedLimit)
{
    const struct {
        bool left, right, running;
        double start, expected;
        bool facing_left;
    } cases[] = {
        {true, false, false, -3, -1, true},    {true, false, false, 3, 2.75, true},
        {false, true, false, 0.9, 1, false},   {false, true, true, 2, 2.25, false},
        {true, true, false, 0, -0.25, true},   {false, false, false, 2, 2, true},
    };
    for (const auto &c : cases) {
        girl_character g = girl_at(PLAIN_X, FEET, status_jump);
        g.facing_left = true;
        g.xv.v = raw(c.start);
        g.a_air_control(c.left, c.right, c.running);
        EXPECT_EQ(g.xv.v, raw(c.expected)) << c.left << c.right << c.running << " " << c.start;
        EXPECT_EQ(g.facing_left, c.facing_left);
    }
}

TEST_F(GirlActions, HangingHoldsTheLedgeTenRowsAboveTheFeetForTenTicks)
{
    for (int y = 106; y <= 127; ++y) {
        if (y > 111 && y < 122)
            continue;
        girl_character g = girl_at(200, y, status_fall);
        g.xv = fix(1);
        g.yv = fix(3);
        g.a_hang(false, true);
        EXPECT_EQ(g.gety(), y <= 111 ? 106 : 122) << "from " << y;
        EXPECT_EQ(g.getx(), 200);
        EXPECT_EQ(g.xv.v, 0);
        EXPECT_EQ(g.yv.v, 0);
        EXPECT_EQ(g.status, status_hang);
        EXPECT_EQ(g.timer, 10);
    }
    girl_character g = girl_at(200, 106, status_fall);
    g.a_hang(false, true);
    for (int tick = 1; tick <= 10; ++tick) {
        g.a_hang(false, false);
        EXPECT_EQ(g.status, status_hang);
        EXPECT_EQ(g.timer, 10 - tick);
    }
    g.a_hang(false, false);
    EXPECT_EQ(g.status, status_fall);
    EXPECT_EQ(g.yv.v, 1 * 65536);
}

// A ledge block at x 192..207 with its top edge at row 96; in the second map a block above it.
const std::vector<std::string> LEDGE_MAP = {
    "################", "#..............#", "#..............#",
    "#..............#", "#..............#", "#..............#",
    "#...........####", "#...........####", "################",
};

TEST_F(ActorMapTest, APullUpMovesHerOntoTheLedgeAndStandsSixTicksLater)
{
    load(LEDGE_MAP);
    girl_character g = girl_at(200, 106, status_hang);
    g.timer = 0;
    g.a_hang_climb(false, true);
    EXPECT_EQ(g.status, status_hang_climb);
    EXPECT_EQ(g.getx(), 205);
    EXPECT_EQ(g.gety(), 95);
    EXPECT_EQ(g.timer, 5);
    for (int tick = 1; tick <= 5; ++tick) {
        g.a_hang_climb(false, false);
        EXPECT_EQ(g.status, status_hang_climb);
        EXPECT_EQ(g.frame, tick);
    }
    g.a_hang_climb(false, false);
    EXPECT_EQ(g.status, status_stand);
    EXPECT_EQ(g.getx(), 205);
    EXPECT_EQ(g.gety(), 95);
}

TEST_F(ActorMapTest, WithoutRoomOnTheLedgeThePullUpLetsGo)
{
    std::vector<std::string> rows = LEDGE_MAP;
    rows[5][12] = '#';
    load(rows);
    girl_character g = girl_at(200, 106, status_hang);
    g.timer = 0;
    g.a_hang_climb(false, true);
    EXPECT_EQ(g.status, status_fall);
    EXPECT_EQ(g.getx(), 200);
    EXPECT_EQ(g.gety(), 106);
}

TEST_F(GirlActions, ClimbingSetsVelocitiesAndCountsMovingFrames)
{
    girl_character g = girl_at(PLAIN_X, FEET);
    g.xv = fix(2);
    g.a_climb(dir_up, true);
    EXPECT_EQ(g.status, status_climb);
    EXPECT_EQ(g.frame, 1);
    EXPECT_EQ(g.xv.v, 0);
    EXPECT_EQ(g.yv.v, -(1 * 65536));
    const struct {
        int dir;
        int xv, yv;
        long frame;
    } cases[] = {{dir_down, 0, 1, 2},  {dir_left, -1, 0, 3}, {dir_right, 1, 0, 4},
                 {dir_none, 0, 0, 4},  {7, 0, 0, 4}};
    for (const auto &c : cases) {
        g.a_climb(c.dir, false);
        EXPECT_EQ(g.xv.v, c.xv * 65536) << "dir " << c.dir;
        EXPECT_EQ(g.yv.v, c.yv * 65536) << "dir " << c.dir;
        EXPECT_EQ(g.frame, c.frame) << "dir " << c.dir;
    }
    g.frame = 15;
    g.a_climb(dir_up, false);
    EXPECT_EQ(g.frame, 0);
}

} // namespace
