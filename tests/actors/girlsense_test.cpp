// The girl's terrain sensing: air, ice, slope pushes, falling out, ledges and climbable blocks.
#include "girlchar.h"
#include "maptest.h"
#include "wallstuff.h"

namespace {

TEST(GirlSense, InTheAirOnlyWhileJumpingOrFallingOnTheGroundOnlyOnFoot)
{
    //                         stand  walk   run    jump  rjump fall  rfall hang   pull   climb
    const bool in_air[] = {false, false, false, true, true, true, true, false, false, false};
    const bool on_ground[] = {true, true, true, false, false, false, false, false, false, false};
    for (int s = status_stand; s <= status_climb; ++s) {
        girl_character g;
        g.status = s;
        EXPECT_EQ(g.in_air(), in_air[s]) << "status " << s;
        EXPECT_EQ(g.on_ground(), on_ground[s]) << "status " << s;
    }
}

// Row 3: ice at x 32..47, slopes 1, 4, 2, 3 at x 64..127, a full slope at 144..159.
const std::vector<std::string> GROUND_MAP = {
    "############",
    "#..........#",
    "#..........#",
    "##~#1423#5##",
};

TEST_F(ActorMapTest, IceIsFeltUnderTheCentreOrThreePixelsToEitherSide)
{
    load(GROUND_MAP);
    const struct {
        int x;
        bool ice;
    } cases[] = {{40, true}, {50, true}, {29, true}, {51, false}, {28, false}, {180, false}};
    for (const auto &c : cases) {
        girl_character g = girl_at(c.x, 47);
        EXPECT_EQ(g.on_ice(), c.ice) << "x " << c.x;
    }
}

TEST_F(ActorMapTest, EveryStatusOffTheGroundSlidesAboveTheMapOnly)
{
    load(GROUND_MAP);
    //                              stand  walk   run    jump  rjump fall  rfall hang  pull  climb
    const bool slides_on_ground[] = {false, false, false, true, true, true, true, true, true, true};
    for (int s = status_stand; s <= status_climb; ++s) {
        girl_character g = girl_at(180, 47, s);
        EXPECT_EQ(g.on_ice(), slides_on_ground[s]) << "status " << s;
        g.sety(63); // the row below her feet is below the map
        EXPECT_FALSE(g.on_ice()) << "status " << s;
    }
}

TEST_F(ActorMapTest, FloorSlopesPushDownhillUpToThreePixelsPerTick)
{
    load(GROUND_MAP);
    girl_character g = girl_at(72, 55);
    for (int tick = 1; tick <= 16; ++tick) {
        g.add_slope();
        EXPECT_EQ(g.xv.v, std::min(tick * 13107, 3 * 65536)) << "tick " << tick;
    }
    g.xv.v = raw(2.9);
    g.add_slope();
    EXPECT_EQ(g.xv.v, 3 * 65536);
    g = girl_at(88, 55);
    g.add_slope();
    EXPECT_EQ(g.xv.v, -13107);
}

TEST_F(ActorMapTest, CeilingSlopesFullSlopesAndOpenHalvesDoNotPush)
{
    load(GROUND_MAP);
    for (int x : {104, 120, 152}) {
        girl_character g = girl_at(x, 49);
        g.add_slope();
        EXPECT_EQ(g.xv.v, 0) << "x " << x;
    }
    girl_character g = girl_at(72, 49); // above the type 1 triangle at column 72
    g.add_slope();
    EXPECT_EQ(g.xv.v, 0);
}

TEST_F(ActorMapTest, SheIsGoneWhenHerTopRowIsThreeRowsBelowTheMap)
{
    load(std::vector<std::string>(30, "...."));
    EXPECT_FALSE(girl_at(20, 501).off_screen());
    EXPECT_TRUE(girl_at(20, 502).off_screen());
}

// Ledges with a top edge at row 48: a block at column 6, a wall at 8, a platform at 10, a
// type 1 slope at 12, a type 3 slope at 14; a block hanging in row 2 at column 3.
const std::vector<std::string> LEDGE_MAP = {
    "################",
    "#.......#......#",
    "#..#....#......#",
    "#.....#.#.=.1.3#",
    "#.....#.#......#",
    "################",
};

TEST_F(ActorMapTest, ALedgeIsGrabbedTenToFifteenRowsAboveTheFeet)
{
    load(LEDGE_MAP);
    for (int y = 50; y <= 70; ++y)
        EXPECT_EQ(girl_at(91, y).can_grab(false), y >= 58 && y <= 63) << "feet " << y;
    EXPECT_TRUE(girl_at(116, 58).can_grab(true));
    EXPECT_FALSE(girl_at(116, 58).can_grab(false));
}

TEST_F(ActorMapTest, WallsGapsAndPlatformsAreNoLedges)
{
    load(LEDGE_MAP);
    EXPECT_FALSE(girl_at(123, 58).can_grab(false)) << "solid at head height and above";
    EXPECT_FALSE(girl_at(43, 58).can_grab(false)) << "solid only above the gap";
    EXPECT_FALSE(girl_at(155, 58).can_grab(false)) << "a platform";
    EXPECT_FALSE(girl_at(91, 96).can_grab(false)) << "feet below the map";
}

TEST_F(ActorMapTest, ASlopeIsALedgeWhenItsSolidHalfFacesHer)
{
    load(LEDGE_MAP);
    EXPECT_TRUE(girl_at(187, 58).can_grab(false)) << "type 1 on her right";
    EXPECT_FALSE(girl_at(212, 58).can_grab(true)) << "type 1 on her left";
    EXPECT_FALSE(girl_at(219, 58).can_grab(false)) << "type 3 on her right";
    EXPECT_TRUE(girl_at(244, 58).can_grab(true)) << "type 3 on her left";
}

// Climbable blocks at x 48..95, rows 32..63.
const std::vector<std::string> LADDER_MAP = {
    "##########",
    "#........#",
    "#..HHH...#",
    "#..HHH...#",
    "##########",
};

TEST_F(ActorMapTest, ClimbingNeedsAllThreeFeetColumnsOnClimbableBlocks)
{
    load(LADDER_MAP);
    EXPECT_TRUE(girl_at(72, 40).can_climb(dir_up));
    EXPECT_TRUE(girl_at(51, 40).can_climb(dir_up));
    EXPECT_FALSE(girl_at(50, 40).can_climb(dir_up));
    EXPECT_FALSE(girl_at(51, 40).can_climb(dir_left));
    EXPECT_TRUE(girl_at(51, 40).can_climb(dir_right));
    EXPECT_FALSE(girl_at(92, 40).can_climb(dir_right));
    EXPECT_TRUE(girl_at(92, 40).can_climb(dir_none));
}

TEST_F(ActorMapTest, OnTopOfClimbableBlocksSheCanClimbDownButNotUp)
{
    load(LADDER_MAP);
    EXPECT_TRUE(girl_at(72, 31).can_climb(dir_down));
    EXPECT_FALSE(girl_at(72, 31).can_climb(dir_up));
}

TEST_F(ActorMapTest, NothingIsClimbableBelowTheMap)
{
    load({
        "#####",
        "#HHH#",
        "#HHH#",
    });
    EXPECT_TRUE(girl_at(40, 46).can_climb(dir_down));
    EXPECT_FALSE(girl_at(40, 47).can_climb(dir_down));
    for (int dir = dir_none; dir <= dir_right; ++dir)
        EXPECT_FALSE(girl_at(40, 50).can_climb(dir)) << "dir " << dir;
}

} // namespace
