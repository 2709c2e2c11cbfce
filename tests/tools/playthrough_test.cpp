// The level plays: scripted runs from the start position, on the committed level file, reach
// each of its mechanics the way a player at the keyboard would, one control pass per tick.
// With ORVIA_WRITE_REPLAYS naming a folder, each run is also written there as a replay file:
// tests/replays/ keeps them, made so after a change to the level or the girl's rules.
#include "headless.h"
#include "playerharness.h"

#include "maplib.h"
#include "replaylevel.h"
#include "replayrecorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace {

// Where things are in data/level/jump.level, in map pixels (blocks are 16 pixels).
constexpr int START_X = 1350, START_Y = 447;   // feet on the grass of block row 28
constexpr int GROUND_FEET = 447;               // standing on block row 28
constexpr int TREEHOUSE_FEET = 383;            // standing on the planks of block row 24
constexpr int LADDER_X = 1248;                 // between the ladder's columns 77 and 78
constexpr int UNDER_PLANK_X = 1290;            // below the plank of column 80
constexpr int HILL_FEET = 399;                 // the hill's top, block row 25
constexpr int HILL_END_X = 1660;               // past its far foot (column 103)
constexpr int ICE_LEFT = 1664, ICE_RIGHT = 1823; // columns 104 to 113
constexpr int WALL_LEFT = 1840;                // the ledge wall, column 115
constexpr int LEDGE_TOP = 368;                 // its top edge, block row 23
constexpr int SHORT_PIT_LEFT = 1120, SHORT_PIT_RIGHT = 1135;  // column 70
constexpr int LONG_PIT_LEFT = 800, LONG_PIT_RIGHT = 879;      // columns 50 to 54
constexpr int SLAB_MIDDLE_X = 1016;            // under the stone slab, columns 60 to 66
constexpr int SLAB_CHAMFER_3_X = 964;          // under its left corner, slope type 3
constexpr int SLAB_CHAMFER_2_X = 1075;         // under its right corner, slope type 2
constexpr int SLAB_UNDERSIDE = 416;            // first free row below the slab
constexpr int CAVE_LADDER_X = 656;             // between columns 40 and 41
constexpr int CAVE_FEET = 575;                 // standing on the cave floor, block row 36
constexpr int CRATE_FEET = 559;                // standing on the crate, block row 35
constexpr int CRATE_LEFT = 480;                // the crate's column 30
constexpr int MUSHROOM_FEET = 431;             // standing on the mushroom, block row 27
constexpr int TOWER_LADDER_X = 80;             // between columns 4 and 5
constexpr int TOWER_ROOF_FEET = 255;           // standing on the roof, block row 16

constexpr int MAX_TICKS = 2000; // no run below needs nearly as many

const char *const LEVEL_FILE = ORVIA_SOURCE_DIR "/data/jump.fmp";

class LevelPlaythrough : public HeadlessTest {
protected:
    void SetUp() override
    {
        HeadlessTest::SetUp();
        ASSERT_EQ(MapLoad(LEVEL_FILE), 0) << MapErrorText(maperror);
        ASSERT_EQ(MapGenerateYLookup(), 0);
    }

    void TearDown() override
    {
        if (const char *folder = std::getenv("ORVIA_WRITE_REPLAYS"))
            write_replay(folder);
        HeadlessTest::TearDown();
    }

    // The run as one attempt that ends where it stopped: a death (answered with no) or a quit.
    void write_replay(const std::string &folder)
    {
        level lvl;
        level_refusal refusal;
        replay_recorder recorder;
        std::string problem;
        const std::string path = folder + "/" +
                                 testing::UnitTest::GetInstance()->current_test_info()->name() +
                                 ".replay";
        ASSERT_TRUE(build_level(LEVEL_FILE, map_point{START_X, START_Y}, lvl, refusal));
        ASSERT_TRUE(recorder.create(path.c_str(), problem)) << problem;
        recorder.begin(header_for(lvl, FULL_SPEED));
        recorder.begin_attempt();
        for (const replay_passes &p : sim.passes)
            for (long n = 0; n < p.count; ++n)
                recorder.pass(p.controls, p.ticks);
        recorder.end_attempt(sim.died ? attempt_end::death : attempt_end::quit, girl());
        if (sim.died)
            recorder.answer(false);
        EXPECT_TRUE(recorder.recording()) << recorder.problem();
    }

    // Hold the controls, one tick a pass, until the condition holds after a tick; false when it
    // does not within MAX_TICKS ticks or she falls out of the map.
    bool hold_until(const std::string &keys, const std::function<bool()> &done)
    {
        for (int t = 0; t < MAX_TICKS && !sim.died; ++t) {
            sim.pass(keys);
            if (done())
                return true;
        }
        return false;
    }

    // Let go of everything until she stands still.
    bool settle()
    {
        return hold_until("", [&] { return girl().status == status_stand && girl().xv == 0; });
    }

    bool walk_left_to(int x)
    {
        return hold_until("L", [&] { return girl().getx() <= x; }) && settle();
    }

    bool walk_right_to(int x)
    {
        return hold_until("R", [&] { return girl().getx() >= x; }) && settle();
    }

    // Run left and jump when she reaches x: a tap of jump, or a long jump with it held.
    bool run_jump_left_at(int x, bool long_jump)
    {
        if (!hold_until("LA", [&] { return girl().getx() <= x; }))
            return false;
        sim.pass("LAJ");
        if (long_jump && !hold_until("LAJ", [&] { return girl().yv >= 0; }))
            return false;
        return hold_until("LA", [&] { return !girl().in_air(); });
    }

    // From the start, over the short pit to the stone slab's side of it.
    bool cross_short_pit()
    {
        return run_jump_left_at(SHORT_PIT_RIGHT + 8, false) && settle() &&
               girl().getx() < SHORT_PIT_LEFT && girl().gety() == GROUND_FEET;
    }

    // From there, over the long pit to the cave's side of it.
    bool cross_long_pit()
    {
        return run_jump_left_at(LONG_PIT_RIGHT + 6, true) && settle() &&
               girl().getx() < LONG_PIT_LEFT && girl().gety() == GROUND_FEET;
    }

    // The highest her feet get in a long jump from where she stands.
    int long_jump_top()
    {
        int top = girl().gety();
        sim.pass("J");
        hold_until("J", [&] {
            top = std::min(top, girl().gety());
            return girl().status == status_fall;
        });
        hold_until("", [&] { return !girl().in_air(); });
        return top;
    }

    girl_character &girl() { return sim.girl(); }

    harness::player_sim sim{START_X, START_Y};
};

TEST_F(LevelPlaythrough, StartsStandingOnGround)
{
    sim.pass("", 10);
    EXPECT_EQ(girl().status, status_stand);
    EXPECT_EQ(girl().getx(), START_X);
    EXPECT_EQ(girl().gety(), START_Y);
}

// Right over the hill: up the type 4 slope, across the top, down the type 1 slope; then back
// left: up the type 1 slope and down the type 4 one. No step is ever a fall or a wall.
TEST_F(LevelPlaythrough, WalksUpAndDownBothSlopeTypes)
{
    // From rest to x, following the ground: the feet rise or sink no faster than she moves
    // along (the slopes are 45 degrees), nothing pushes her back. Returns the highest point.
    auto walk = [&](const std::string &keys, int to_x, int dir) {
        int highest = GROUND_FEET, last_y = girl().gety(), last_x = girl().getx();
        bool arrived = hold_until(keys, [&] {
            int x = girl().getx(), y = girl().gety();
            EXPECT_LE(std::abs(y - last_y), std::abs(x - last_x) + 1) << "a step at x " << x;
            EXPECT_GE((x - last_x) * dir, 0) << "pushed back at x " << x;
            EXPECT_FALSE(girl().in_air()) << "in the air at x " << x;
            last_y = y;
            last_x = x;
            highest = std::min(highest, y);
            return x * dir >= to_x * dir;
        });
        EXPECT_TRUE(arrived && settle());
        return highest;
    };
    EXPECT_EQ(walk("R", HILL_END_X, 1), HILL_FEET);
    EXPECT_EQ(girl().gety(), GROUND_FEET);
    EXPECT_EQ(walk("L", START_X, -1), HILL_FEET);
    EXPECT_EQ(girl().gety(), GROUND_FEET);
    EXPECT_EQ(walk("AR", HILL_END_X, 1), HILL_FEET);
    EXPECT_EQ(walk("AL", START_X, -1), HILL_FEET);
    EXPECT_EQ(girl().gety(), GROUND_FEET);
}

TEST_F(LevelPlaythrough, SlidesAcrossTheIce)
{
    ASSERT_TRUE(hold_until("R", [&] { return girl().getx() >= ICE_LEFT + 16; }));
    EXPECT_TRUE(girl().on_ice());
    // Let go: on ice she slides on where plain ground stops her within four ticks.
    int let_go_x = girl().getx();
    ASSERT_TRUE(settle());
    EXPECT_GT(girl().getx() - let_go_x, 8);
    ASSERT_TRUE(hold_until("R", [&] { return girl().getx() > ICE_RIGHT + 4; }));
    EXPECT_FALSE(girl().on_ice());
    EXPECT_EQ(girl().gety(), GROUND_FEET);
}

// Against the wall a long jump does not reach its top; falling back she grabs the ledge,
// hangs ten ticks and pulls herself up onto it.
TEST_F(LevelPlaythrough, HangsFromTheLedgeAndPullsUpOntoIt)
{
    ASSERT_TRUE(hold_until("R", [&] { return girl().getx() + girl().half_width == WALL_LEFT - 1; }));
    sim.pass("R", 3);
    sim.pass("RJ");
    ASSERT_TRUE(hold_until("RJ", [&] { return girl().status == status_hang; }));
    EXPECT_EQ(girl().gety(), LEDGE_TOP + 10);
    ASSERT_TRUE(hold_until("R", [&] { return girl().status == status_hang_climb; }));
    ASSERT_TRUE(hold_until("R", [&] { return girl().status == status_stand; }));
    EXPECT_EQ(girl().gety(), LEDGE_TOP - 1);
    EXPECT_GE(girl().getx(), WALL_LEFT);
    sim.pass("", 20);
    EXPECT_EQ(girl().status, status_stand);
    EXPECT_EQ(girl().gety(), LEDGE_TOP - 1);
}

TEST_F(LevelPlaythrough, ClimbsTheLadderToStandOnItsTopAndBackDown)
{
    ASSERT_TRUE(walk_left_to(LADDER_X + 3));
    ASSERT_TRUE(hold_until("U", [&] { return girl().status == status_climb; }));
    ASSERT_TRUE(hold_until("U", [&] { return girl().status == status_stand; }));
    EXPECT_EQ(girl().gety(), TREEHOUSE_FEET);
    sim.pass("", 20);
    EXPECT_EQ(girl().status, status_stand);
    EXPECT_EQ(girl().gety(), TREEHOUSE_FEET);
    ASSERT_TRUE(hold_until("D", [&] { return girl().status == status_climb; }));
    ASSERT_TRUE(hold_until("D", [&] { return girl().status == status_stand; }));
    EXPECT_EQ(girl().gety(), GROUND_FEET);
}

TEST_F(LevelPlaythrough, JumpsUpThroughAPlatformAndDropsDownThroughIt)
{
    ASSERT_TRUE(walk_left_to(UNDER_PLANK_X));
    long_jump_top();
    EXPECT_EQ(girl().status, status_stand);
    EXPECT_EQ(girl().gety(), TREEHOUSE_FEET);
    sim.pass("D");
    ASSERT_TRUE(hold_until("DJ", [&] { return girl().status == status_fall; }));
    ASSERT_TRUE(hold_until("", [&] { return girl().status == status_stand; }));
    EXPECT_EQ(girl().gety(), GROUND_FEET);
}

TEST_F(LevelPlaythrough, JumpsTheShortGapWithATap)
{
    ASSERT_TRUE(cross_short_pit());
}

TEST_F(LevelPlaythrough, JumpsTheLongGapOnlyWithARunningLongJump)
{
    ASSERT_TRUE(cross_short_pit());
    const harness::player_sim at_the_gap = sim;
    auto falls_in = [&] {
        hold_until("", [] { return false; });
        return sim.died;
    };
    run_jump_left_at(LONG_PIT_RIGHT + 6, false);
    EXPECT_TRUE(falls_in()) << "a running tap jump";
    sim = at_the_gap;
    ASSERT_TRUE(hold_until("L", [&] { return girl().getx() <= LONG_PIT_RIGHT + 4; }));
    sim.pass("LJ");
    hold_until("LJ", [&] { return girl().status == status_fall; });
    EXPECT_TRUE(falls_in()) << "a walking long jump";
    sim = at_the_gap;
    ASSERT_TRUE(cross_long_pit());
}

TEST_F(LevelPlaythrough, FallsIntoThePitAndOutOfTheMap)
{
    ASSERT_TRUE(hold_until("L", [&] { return girl().status == status_fall; }));
    hold_until("", [&] { return false; });
    EXPECT_TRUE(sim.died);
    EXPECT_TRUE(girl().off_screen());
    EXPECT_GE(girl().getx(), SHORT_PIT_LEFT);
    EXPECT_LE(girl().getx(), SHORT_PIT_RIGHT);
    EXPECT_GE(girl().gety() - girl().height, mapheight * 16 + 3);
}

// Under the slab a jump stops at its underside at once; under either chamfered corner her head
// goes up into the corner's block row, and in the open the jump rises its full height.
TEST_F(LevelPlaythrough, BumpsHerHeadOnTheSlabAndItsCeilingSlopes)
{
    ASSERT_TRUE(cross_short_pit());
    ASSERT_TRUE(walk_left_to(SLAB_CHAMFER_2_X));
    int top2 = long_jump_top();
    ASSERT_TRUE(walk_left_to(SLAB_MIDDLE_X));
    int flat = long_jump_top();
    ASSERT_TRUE(walk_left_to(SLAB_CHAMFER_3_X));
    int top3 = long_jump_top();
    EXPECT_EQ(flat - girl().height, SLAB_UNDERSIDE);
    EXPECT_LT(top3 - girl().height, SLAB_UNDERSIDE);
    EXPECT_GE(top3 - girl().height, SLAB_UNDERSIDE - 16);
    EXPECT_LT(top2 - girl().height, SLAB_UNDERSIDE);
    EXPECT_GE(top2 - girl().height, SLAB_UNDERSIDE - 16);
}

// Down the ladder into the cave, then left: the crate (slope type 5) lifts her onto its top as
// she walks into it, and she drops off its far side.
TEST_F(LevelPlaythrough, ClimbsDownIntoTheCaveAndStepsOverTheCrate)
{
    ASSERT_TRUE(cross_short_pit());
    ASSERT_TRUE(cross_long_pit());
    ASSERT_TRUE(walk_left_to(CAVE_LADDER_X + 2));
    ASSERT_TRUE(hold_until("D", [&] { return girl().status == status_climb; }));
    ASSERT_TRUE(hold_until("D", [&] { return girl().status == status_stand; }));
    EXPECT_EQ(girl().gety(), CAVE_FEET);
    ASSERT_TRUE(hold_until("L", [&] { return girl().gety() == CRATE_FEET; }));
    EXPECT_FALSE(girl().in_air());
    ASSERT_TRUE(hold_until("L", [&] { return girl().getx() < CRATE_LEFT - 8; }));
    ASSERT_TRUE(settle());
    EXPECT_EQ(girl().gety(), CAVE_FEET);
}

// The far west: over the mushroom step (slope type 5) and up the tower's ladder to its roof.
TEST_F(LevelPlaythrough, WalksOverTheMushroomAndClimbsTheTower)
{
    ASSERT_TRUE(cross_short_pit());
    ASSERT_TRUE(cross_long_pit());
    ASSERT_TRUE(hold_until("L", [&] { return girl().gety() == MUSHROOM_FEET; }));
    ASSERT_TRUE(walk_left_to(TOWER_LADDER_X + 2));
    EXPECT_EQ(girl().gety(), GROUND_FEET);
    ASSERT_TRUE(hold_until("U", [&] { return girl().status == status_climb; }));
    ASSERT_TRUE(hold_until("U", [&] { return girl().status == status_stand; }));
    EXPECT_EQ(girl().gety(), TOWER_ROOF_FEET);
}

} // namespace
