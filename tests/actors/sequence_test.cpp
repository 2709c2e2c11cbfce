// Whole player sequences on small maps, driven the way the level loop drives her: walking,
// running, ice, slopes, jumps, edges, landings, ledges, climbing, platforms, falling out.
#include "maptest.h"
#include "wallstuff.h"

#include <algorithm>

namespace {

using harness::player_sim;
using harness::step;

// A closed room whose floor top is row 128 (feet at 127).
const std::vector<std::string> ROOM = {
    "####################", "#..................#", "#..................#",
    "#..................#", "#..................#", "#..................#",
    "#..................#", "#..................#", "####################",
};
constexpr int ROOM_FEET = 127;

fixed lowest_y(const player_sim &sim)
{
    fixed best = sim.log.front().y.v;
    for (const auto &t : sim.log)
        best = std::min(best, t.y.v);
    return best;
}

std::vector<int> statuses(const player_sim &sim)
{
    std::vector<int> out;
    for (const auto &t : sim.log)
        out.push_back(t.status);
    return out;
}

// The tick index (from 0) of the first tick ending in a status, or -1.
int first_tick_in(const player_sim &sim, int status, std::size_t from = 0)
{
    for (std::size_t i = from; i < sim.log.size(); ++i)
        if (sim.log[i].status == status)
            return static_cast<int>(i);
    return -1;
}

TEST_F(ActorMapTest, WalkingFromRestReachesOnePixelPerTick)
{
    load(ROOM);
    player_sim sim(100, ROOM_FEET);
    sim.run({{3, "R"}});
    EXPECT_EQ(sim.log[0].status, status_walk);
    EXPECT_EQ(sim.log[0].xv.v, 32768);
    EXPECT_EQ(sim.log[0].x.v, raw(100.5));
    EXPECT_EQ(sim.log[1].xv.v, 65536);
    EXPECT_EQ(sim.log[2].x.v, raw(102.5));
    EXPECT_EQ(sim.log[2].y.v, fix(ROOM_FEET).v);
}

TEST_F(ActorMapTest, StandingFrictionStopsAWalk)
{
    load(ROOM);
    player_sim sim(100, ROOM_FEET);
    sim.run({{3, "R"}, {5, ""}});
    const fixed expected[] = {49152, 32768, 16384, 0, 0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(sim.log[3 + i].status, status_stand);
        EXPECT_EQ(sim.log[3 + i].xv.v, expected[i]);
    }
}

TEST_F(ActorMapTest, ReversingARunStandsForOneTick)
{
    load(ROOM);
    player_sim sim(60, ROOM_FEET);
    sim.run({{10, "AR"}, {13, "AL"}});
    EXPECT_EQ(sim.log[9].status, status_run);
    EXPECT_EQ(sim.log[9].xv.v, 3 * 65536);
    EXPECT_EQ(sim.log[10].status, status_stand);
    EXPECT_EQ(sim.log[10].xv.v, raw(2.75));
    EXPECT_EQ(sim.log[11].status, status_run);
    EXPECT_TRUE(sim.log[11].facing_left);
    EXPECT_EQ(sim.log[11].xv.v, raw(2.25));
    EXPECT_EQ(sim.log[21].xv.v, raw(-2.75));
    EXPECT_EQ(sim.log[22].xv.v, -(3 * 65536));
}

TEST_F(ActorMapTest, WalkingTheOtherWayStandsForOneTick)
{
    load(ROOM);
    player_sim sim(200, ROOM_FEET);
    sim.run({{4, "L"}, {2, "R"}});
    EXPECT_EQ(sim.log[4].status, status_stand);
    EXPECT_EQ(sim.log[4].xv.v, -(65536 - 16384));
    EXPECT_EQ(sim.log[5].status, status_walk);
    EXPECT_FALSE(sim.log[5].facing_left);
}

TEST_F(ActorMapTest, OnIceWalkingTakesTenTicks)
{
    std::vector<std::string> rows = ROOM;
    rows[8] = "#~~~~~~~~~~~~~~~~~~#";
    load(rows);
    player_sim sim(60, ROOM_FEET);
    sim.run({{11, "R"}});
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(sim.log[i].xv.v, std::min((i + 1) * 6554, 65536)) << "tick " << i + 1;
}

// A type 1 slope from (16, 48) down to (127, 159), type 5 blocks under it: surface y = x + 32.
const std::vector<std::string> SLOPE = {
    "############", "#..........#", "#..........#", "#1.........#",
    "#51........#", "#551.......#", "#5551......#", "#55551.....#",
    "#555551....#", "#5555551...#", "############",
};

int on_slope(int x)
{
    return x + 31;
}

TEST_F(ActorMapTest, StandingOnASlopeDriftsDownhillAlongItsSurface)
{
    load(SLOPE);
    player_sim sim(40, on_slope(40));
    sim.run({{30, ""}});
    for (const auto &t : sim.log) {
        EXPECT_EQ(t.status, status_stand);
        EXPECT_EQ(t.xv.v, 13107);
        EXPECT_EQ(fixtoi(t.y.v), on_slope(fixtoi(t.x.v)));
    }
}

TEST_F(ActorMapTest, WalkingAndRunningOnASlopeSettleAsTheSlopePushes)
{
    load(SLOPE);
    const struct {
        const char *keys;
        int start_x;
        fixed settled;
    } cases[] = {
        {"R", 30, 78643}, {"L", 100, -52429}, {"AR", 30, 3 * 65536}, {"AL", 110, -183501}};
    for (const auto &c : cases) {
        player_sim sim(c.start_x, on_slope(c.start_x));
        sim.run({{12, c.keys}});
        EXPECT_EQ(sim.last()->xv.v, c.settled) << c.keys;
        EXPECT_EQ(fixtoi(sim.last()->y.v), on_slope(fixtoi(sim.last()->x.v))) << c.keys;
    }
}

TEST_F(ActorMapTest, AnIcySlopeGainsItsPushLessIceFriction)
{
    load(SLOPE);
    MapGetBlockInPixels(40, 73)->flags |= BLOCK_ICE;
    player_sim sim(40, on_slope(40));
    sim.run({{4, ""}});
    EXPECT_EQ(sim.log[0].xv.v, 13107);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(sim.log[i].xv.v, 13107 + i * 9830);
}

TEST_F(ActorMapTest, ATappedJumpRisesTwentyOnePixels)
{
    load(ROOM);
    player_sim sim(100, ROOM_FEET);
    sim.run({{1, "J"}, {30, ""}});
    EXPECT_EQ(sim.log[0].status, status_jump);
    EXPECT_EQ(sim.log[0].yv.v, -(6 * 65536));
    EXPECT_EQ(lowest_y(sim), fix(ROOM_FEET - 21).v);
    EXPECT_EQ(sim.last()->status, status_stand);
    EXPECT_EQ(sim.last()->y.v, fix(ROOM_FEET).v);
}

TEST_F(ActorMapTest, AHeldJumpRisesSeventyTwoAndThreeQuarterPixels)
{
    load(ROOM);
    player_sim sim(100, ROOM_FEET);
    sim.run({{60, "J"}});
    EXPECT_EQ(lowest_y(sim), fix(ROOM_FEET).v - raw(72.75));
    const int fall = first_tick_in(sim, status_fall);
    ASSERT_GT(fall, 0);
    EXPECT_EQ(sim.log[fall - 1].status, status_jump);
    EXPECT_GE(sim.log[fall].yv.v, 1 * 65536) << "the top adds the fall's gravity too";
    EXPECT_EQ(sim.last()->status, status_stand) << "landing with the jump held";
}

TEST_F(ActorMapTest, SteeringInTheAirIsCappedByTheJumpKind)
{
    load(ROOM);
    player_sim walk_jump(60, ROOM_FEET);
    walk_jump.run({{20, "JR"}});
    EXPECT_EQ(walk_jump.log[0].xv.v, 0);
    for (int i = 1; i < 20; ++i)
        EXPECT_EQ(walk_jump.log[i].xv.v, std::min(i * 16384, 65536)) << "tick " << i + 1;
    player_sim run_jump(60, ROOM_FEET);
    run_jump.run({{20, "AJR"}});
    EXPECT_EQ(run_jump.log[0].status, status_run_jump);
    for (int i = 1; i < 20; ++i)
        EXPECT_EQ(run_jump.log[i].xv.v, std::min(i * 16384, 3 * 65536)) << "tick " << i + 1;
}

TEST_F(ActorMapTest, AJumpFromARunKeepsItsSpeedOnlyWithRunHeld)
{
    load(ROOM);
    player_sim plain(40, ROOM_FEET);
    plain.run({{8, "AR"}, {2, "JR"}});
    EXPECT_EQ(plain.log[8].status, status_jump);
    EXPECT_EQ(plain.log[8].xv.v, 3 * 65536);
    EXPECT_EQ(plain.log[9].xv.v, 1 * 65536) << "cut to walking speed at once";
    player_sim running(40, ROOM_FEET);
    running.run({{8, "AR"}, {2, "AJR"}});
    EXPECT_EQ(running.log[8].status, status_run_jump);
    EXPECT_EQ(running.log[9].xv.v, 3 * 65536);
}

// Ground for x 16..111 at row 64 (feet 63), the floor at row 112 (feet 111).
const std::vector<std::string> EDGE = {
    "####################", "#..................#", "#..................#",
    "#..................#", "#######............#", "#..................#",
    "#..................#", "####################",
};

TEST_F(ActorMapTest, WalkingOffAnEdgeFallsInTheSameTick)
{
    load(EDGE);
    player_sim sim(100, 63);
    sim.run({{30, "R"}});
    const int fall = first_tick_in(sim, status_fall);
    ASSERT_GE(fall, 0);
    EXPECT_EQ(sim.log[fall - 1].status, status_walk);
    EXPECT_EQ(fixtoi(sim.log[fall].x.v), 116) << "her left probe has left the ground";
    EXPECT_EQ(sim.log[fall].yv.v, 1 * 65536);
    EXPECT_EQ(sim.last()->status, status_walk);
    EXPECT_EQ(sim.last()->y.v, fix(111).v);
}

TEST_F(ActorMapTest, RunningOffAnEdgeLandsStraightIntoARun)
{
    load(EDGE);
    player_sim sim(60, 63);
    sim.run({{40, "AR"}});
    const std::vector<int> s = statuses(sim);
    const int fall = first_tick_in(sim, status_run_fall);
    ASSERT_GE(fall, 0);
    const int landed = first_tick_in(sim, status_run, fall);
    ASSERT_GT(landed, fall);
    EXPECT_EQ(std::count(s.begin(), s.end(), status_stand), 0);
    EXPECT_EQ(sim.log[landed].y.v, fix(111).v);
}

TEST_F(ActorMapTest, TheLandingTickBrakesLikeIce)
{
    load(EDGE);
    player_sim sim(100, 63);
    sim.run({{16, "R"}, {30, ""}});
    const int fall = first_tick_in(sim, status_fall);
    const int landed = first_tick_in(sim, status_stand, fall);
    ASSERT_GT(landed, fall);
    EXPECT_EQ(sim.log[landed - 1].xv.v, 65536);
    EXPECT_EQ(sim.log[landed].xv.v, 65536 - 3277);
    EXPECT_EQ(sim.log[landed + 1].xv.v, 65536 - 3277 - 16384);
}

TEST_F(ActorMapTest, StandingOverNothingFallsInTheSameTick)
{
    load(ROOM);
    player_sim sim(100, 60);
    sim.pass("");
    EXPECT_EQ(sim.last()->status, status_fall);
    EXPECT_EQ(sim.last()->yv.v, 1 * 65536);
}

// A wall two blocks high at x 128.., its top edge (the ledge) at row 80; the floor's top at 112.
const std::vector<std::string> LEDGE = {
    "################", "#..............#", "#..............#", "#..............#",
    "#..............#", "#.......########", "#.......########", "################",
};
constexpr int BESIDE_WALL = 123;

// A short jump beside the wall, steering into it: she falls back past the ledge and grabs it.
// Returns the tick of the grab.
int jump_to_ledge(player_sim &sim)
{
    sim.run({{2, "JR"}});
    EXPECT_TRUE(sim.run_until("R", status_hang, 40));
    return static_cast<int>(sim.log.size()) - 1;
}

TEST_F(ActorMapTest, ALedgeIsHeldTenTicksThenPulledUpOnto)
{
    load(LEDGE);
    player_sim sim(BESIDE_WALL, 111);
    const int grab = jump_to_ledge(sim);
    sim.run({{20, "R"}});
    EXPECT_EQ(sim.log[grab - 1].status, status_fall);
    EXPECT_EQ(sim.log[grab].y.v, fix(90).v) << "ledge 10 rows above her feet";
    EXPECT_EQ(sim.log[grab].timer, 10);
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(sim.log[grab + i].status, status_hang);
        EXPECT_EQ(sim.log[grab + i].timer, 10 - i);
    }
    const auto &pull = sim.log[grab + 11];
    EXPECT_EQ(pull.status, status_hang_climb);
    EXPECT_EQ(fixtoi(pull.x.v), BESIDE_WALL + 5);
    EXPECT_EQ(fixtoi(pull.y.v), 79);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(sim.log[grab + 11 + i].status, status_hang_climb);
        EXPECT_EQ(sim.log[grab + 11 + i].frame, i);
    }
    EXPECT_EQ(sim.log[grab + 17].status, status_stand);
    EXPECT_EQ(sim.log[grab + 17].y.v, fix(79).v);
}

TEST_F(ActorMapTest, ReleasingTheDirectionLetsGoWhenTheHangRunsOut)
{
    load(LEDGE);
    player_sim sim(BESIDE_WALL, 111);
    jump_to_ledge(sim);
    sim.run({{10, ""}});
    EXPECT_EQ(sim.last()->status, status_hang);
    EXPECT_EQ(sim.last()->timer, 0);
    sim.run({{1, ""}});
    EXPECT_EQ(sim.last()->status, status_fall);
}

TEST_F(ActorMapTest, AfterDroppingFromAHangTheSameLedgeIsNotGrabbedAgain)
{
    for (const char *drop : {"D", ""}) {
        load(LEDGE);
        player_sim sim(BESIDE_WALL, 111);
        const int grab = jump_to_ledge(sim);
        sim.run({{*drop ? 1 : 11, drop}, {30, "R"}});
        const int left_hang = first_tick_in(sim, status_fall, grab);
        ASSERT_GT(left_hang, grab);
        EXPECT_EQ(first_tick_in(sim, status_hang, left_hang), -1) << "drop with \"" << drop << '"';
        EXPECT_EQ(sim.last()->y.v, fix(111).v);
        MapFreeMem();
    }
}

TEST_F(ActorMapTest, AGrabNeedsTheFacingSideHeld)
{
    load({
        "##########",
        "#........#",
        "#........#",
        "#.....#..#",
        "#.....#..#",
        "##########",
    });
    player_sim sim(116, 59);
    sim.girl().status = status_fall;
    sim.pass("L");
    EXPECT_EQ(sim.last()->status, status_fall) << "she faced right when the tick began";
    EXPECT_TRUE(sim.last()->facing_left);
    sim.pass("L");
    EXPECT_EQ(sim.last()->status, status_hang);
}

// A ladder at x 80..95: climbable rows 64..95 topped by a climbable platform at row 48.
const std::vector<std::string> LADDER = {
    "############", "#..........#", "#..........#", "#....T.....#",
    "#....H.....#", "#....H.....#", "############",
};

TEST_F(ActorMapTest, ClimbingUpOntoTheLadderTopAndDownAgain)
{
    load(LADDER);
    player_sim sim(88, 95);
    sim.run({{60, "U"}});
    EXPECT_EQ(sim.log[0].status, status_climb);
    EXPECT_EQ(sim.log[0].yv.v, -(1 * 65536));
    EXPECT_EQ(sim.last()->status, status_stand);
    EXPECT_EQ(sim.last()->y.v, fix(47).v) << "standing on the ladder's top";
    sim.run({{60, "D"}});
    EXPECT_EQ(sim.log[60].status, status_climb);
    EXPECT_EQ(sim.last()->status, status_stand);
    EXPECT_EQ(sim.last()->y.v, fix(95).v);
}

TEST_F(ActorMapTest, ClimbingSidewaysAndLettingGoAtTheSide)
{
    load({
        "############",
        "#..........#",
        "#..........#",
        "#...HHH....#",
        "#...HHH....#",
        "############",
    });
    player_sim sim(72, 79);
    sim.run({{1, "U"}, {3, "L"}});
    EXPECT_EQ(sim.log[1].status, status_climb);
    EXPECT_EQ(sim.log[1].xv.v, -(1 * 65536));
    EXPECT_EQ(fixtoi(sim.last()->x.v), 69);
    sim.run({{10, "L"}});
    const int fall = first_tick_in(sim, status_fall);
    ASSERT_GT(fall, 0);
    EXPECT_TRUE(sim.log[fall].facing_left);
    EXPECT_EQ(fixtoi(sim.log[fall - 1].x.v), 67) << "her left probe at the ladder's edge";
}

TEST_F(ActorMapTest, ClimbingOffTheTopWithoutAPlatformFallsAtOnce)
{
    load({
        "############",
        "#..........#",
        "#..........#",
        "#....H.....#",
        "#....H.....#",
        "############",
    });
    player_sim sim(88, 79);
    sim.run({{40, "U"}});
    const int fall = first_tick_in(sim, status_fall);
    ASSERT_GT(fall, 0);
    EXPECT_EQ(sim.log[fall - 1].status, status_climb);
    EXPECT_EQ(fixtoi(sim.log[fall].y.v), 47) << "feet left the climbable blocks";
    EXPECT_EQ(sim.log[fall].yv.v, 1 * 65536);
}

TEST_F(ActorMapTest, AJumpFromAClimbSubtractsSixFromTheClimbingSpeed)
{
    load(LADDER);
    player_sim down(88, 47);
    down.run({{5, "D"}, {1, "J"}});
    EXPECT_EQ(down.last()->status, status_jump);
    EXPECT_EQ(down.last()->yv.v, -(5 * 65536));
    player_sim up(88, 95);
    up.run({{5, "U"}, {1, "J"}});
    EXPECT_EQ(up.last()->status, status_jump);
    EXPECT_EQ(up.last()->yv.v, -(6 * 65536));
}

// A platform at x 64..127 of row 48 (feet 47), the floor at row 96.
const std::vector<std::string> PLATFORM = {
    "############", "#..........#", "#..........#", "#...====...#",
    "#..........#", "#..........#", "############",
};

TEST_F(ActorMapTest, DownAndJumpDropThroughAPlatform)
{
    load(PLATFORM);
    player_sim sim(96, 47);
    sim.run({{3, "D"}});
    EXPECT_EQ(sim.last()->status, status_stand) << "down alone does nothing";
    sim.run({{1, "DJ"}, {20, ""}});
    EXPECT_EQ(sim.log[3].status, status_fall);
    EXPECT_EQ(sim.log[3].y.v, fix(48).v);
    EXPECT_EQ(sim.last()->status, status_stand);
    EXPECT_EQ(sim.last()->y.v, fix(95).v);
}

TEST_F(ActorMapTest, FallingThroughAHoleEndsTheAttempt)
{
    load({
        "##########",
        "#........#",
        "#........#",
        "#####..###",
    });
    player_sim sim(60, 47);
    EXPECT_TRUE(sim.run({{100, "R"}}));
    EXPECT_TRUE(sim.last()->off_screen);
    EXPECT_GE(fixtoi(sim.last()->y.v) - 19, 4 * 16 + 3);
    EXPECT_FALSE(sim.log[sim.log.size() - 2].off_screen);
    EXPECT_LT(sim.log.size(), 100u);
}

TEST_F(ActorMapTest, RunningOverAPlatformWithDownAndJumpHeldSinksOutOfTheMap)
{
    load({
        "##############",
        "#............#",
        "#............#",
        "#............#",
        "#============#",
        "#............#",
        "#............#",
    });
    player_sim sim(40, 63);
    sim.run({{40, "AJR"}});
    ASSERT_EQ(sim.last()->status, status_run) << "landed running on the platform";
    ASSERT_EQ(sim.last()->y.v, fix(63).v);
    sim.pass("AJRD");
    EXPECT_EQ(sim.last()->y.v, fix(7 * 16 - 1).v) << "stepped down to the map's last row";
    EXPECT_TRUE(sim.run({{20, "AJRD"}}));
}

TEST_F(ActorMapTest, AHeldJumpJumpsOnceAndAPressInTheAirWaitsForTheGround)
{
    load(ROOM);
    player_sim held(100, ROOM_FEET);
    held.run({{80, "J"}});
    const std::vector<int> s = statuses(held);
    EXPECT_EQ(std::count(s.begin(), s.end(), status_jump), 21) << "one jump";

    player_sim pressed(100, ROOM_FEET);
    pressed.run({{5, "J"}, {1, ""}, {40, "J"}});
    const int landed = first_tick_in(pressed, status_stand);
    ASSERT_GT(landed, 0);
    EXPECT_EQ(pressed.log[landed + 1].status, status_jump) << "the pending press";

    player_sim released(100, ROOM_FEET);
    released.run({{5, "J"}, {1, ""}, {3, "J"}, {40, ""}});
    const int back = first_tick_in(released, status_stand);
    ASSERT_GT(back, 0);
    EXPECT_EQ(first_tick_in(released, status_jump, back), -1) << "the press was dropped";
}

TEST_F(ActorMapTest, APressIsUsedByTheFirstTickOfABatch)
{
    load(ROOM);
    player_sim sim(100, ROOM_FEET);
    sim.pass("J", 3);
    EXPECT_EQ(sim.log[0].status, status_jump);
    EXPECT_EQ(sim.log[0].yv.v, -(6 * 65536));
    EXPECT_EQ(sim.log[2].yv.v, raw(-5.5));
    EXPECT_FALSE(sim.girl().jump_pending);
}

TEST_F(ActorMapTest, TheSpareControlChangesNothing)
{
    load(LEDGE);
    const std::vector<step> script = {{10, "R"}, {2, "JR"}, {30, "R"}, {5, "AL"}, {20, "J"}};
    std::vector<step> with_spare = script;
    for (step &s : with_spare)
        s.keys += 'S';
    player_sim plain(60, 111), spare(60, 111);
    plain.run(script);
    spare.run(with_spare);
    ASSERT_EQ(plain.log.size(), spare.log.size());
    for (std::size_t i = 0; i < plain.log.size(); ++i) {
        EXPECT_EQ(plain.log[i].status, spare.log[i].status) << "tick " << i;
        EXPECT_EQ(plain.log[i].x.v, spare.log[i].x.v) << "tick " << i;
        EXPECT_EQ(plain.log[i].y.v, spare.log[i].y.v) << "tick " << i;
    }
}

} // namespace
