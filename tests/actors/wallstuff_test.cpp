// Tile collision queries: platforms, slope triangles, the map's borders and run probing.
#include "maptest.h"
#include "tilegrid.h"
#include "wallstuff.h"

namespace {

// Columns of 16 pixels: '#' at x 16..31, '=' 32..47, slopes 1..4 at 48..111 in row 1;
// a full slope, an unknown slope type, climbable and ice blocks in row 2; a solid last row.
const std::vector<std::string> KINDS_MAP = {
    "........",
    ".#=1234.",
    ".57H~...",
    "########",
};

class WallStuff : public ActorMapTest {
protected:
    void SetUp() override
    {
        ActorMapTest::SetUp();
        load(KINDS_MAP);
    }
};

TEST_F(WallStuff, PlatformsHoldOnlyWhenNotPassedAndNeverWall)
{
    EXPECT_TRUE(block_point(40, 20, false));
    EXPECT_FALSE(block_point(40, 20, true));
    EXPECT_TRUE(block_point(20, 20, true));
    EXPECT_FALSE(block_vert(40, 16, 31, true));
    EXPECT_TRUE(block_vert(20, 16, 31, false));
}

TEST_F(WallStuff, RowsBelowTheMapHoldNothing)
{
    EXPECT_TRUE(block_point(20, 63, false));
    EXPECT_FALSE(block_point(20, 64, false));
    EXPECT_EQ(slope_point(20, 64), 0);
    EXPECT_EQ(slope_tile(20, 64), 0);
    EXPECT_FALSE(block_horiz(0, 127, 64, false, true));
    EXPECT_TRUE(block_horiz(0, 127, 63, false, true));
}

TEST_F(WallStuff, TopBlockRowIsACeilingAndOuterColumnsAreWalls)
{
    for (int y = 0; y < TILE_SIZE; ++y)
        EXPECT_TRUE(block_horiz(32, 40, y, true, false)) << "row " << y;
    EXPECT_FALSE(block_horiz(0, 8, 20, false, false));
    for (int x : {0, 15, 112, 127})
        EXPECT_TRUE(block_vert(x, 32, 40, false)) << "column " << x;
    EXPECT_FALSE(block_vert(56, 32, 40, false));
}

TEST_F(WallStuff, AVerticalRunEndingBelowTheMapIsOpenInInnerColumns)
{
    EXPECT_FALSE(block_vert(20, 20, 64, false));
    EXPECT_TRUE(block_vert(5, 20, 64, false));
    EXPECT_TRUE(block_vert(120, 20, 64, false));
}

struct SlopeCase {
    int block_x, block_y; // top-left pixel of the slope block
    int px, py;
    int expected;
};

TEST_F(WallStuff, SlopeTrianglesIncludeTheirDiagonal)
{
    const SlopeCase cases[] = {
        {48, 16, 0, 0, 1},  {48, 16, 15, 0, 0},  {48, 16, 15, 15, 1}, {48, 16, 7, 7, 1},
        {48, 16, 8, 7, 0},  {96, 16, 15, 0, 4},  {96, 16, 0, 0, 0},   {96, 16, 0, 15, 4},
        {64, 16, 0, 15, 2}, {64, 16, 15, 15, 0}, {64, 16, 15, 0, 2},  {80, 16, 15, 15, 3},
        {80, 16, 0, 15, 0}, {80, 16, 0, 0, 3},
    };
    for (const SlopeCase &c : cases)
        EXPECT_EQ(slope_point(c.block_x + c.px, c.block_y + c.py), c.expected)
            << "block at " << c.block_x << " pixel " << c.px << "," << c.py;
}

TEST_F(WallStuff, AFullSlopeBlockIsSolidEverywhereAndAnUnknownTypeNowhere)
{
    for (int py = 0; py < TILE_SIZE; ++py)
        for (int px = 0; px < TILE_SIZE; ++px) {
            EXPECT_EQ(slope_point(16 + px, 32 + py), slope_full);
            EXPECT_EQ(slope_point(32 + px, 32 + py), 0);
            EXPECT_EQ(slope_tile(32 + px, 32 + py), 7);
        }
}

TEST_F(WallStuff, SlopeTrianglesBlockOnlyWhenAskedFor)
{
    EXPECT_FALSE(block_point(48, 16, false));
    EXPECT_FALSE(block_horiz(48, 48, 16, false, false));
    EXPECT_TRUE(block_horiz(48, 48, 16, false, true));
    EXPECT_FALSE(block_vert(48, 16, 16, false));
    EXPECT_TRUE(block_vert(48, 16, 16, true));
}

// Row 27 is solid (with slopes) at x 64..68 (type 2) and 91..95 (type 3) only.
TEST_F(WallStuff, HorizontalRunsProbeFirstEverySixteenthAndLast)
{
    EXPECT_FALSE(block_horiz(60, 76, 27, true, true)) << "64..68 lie between the probes";
    EXPECT_TRUE(block_horiz(60, 93, 27, true, true)) << "probes 60, 76, 92";
    EXPECT_FALSE(block_horiz(60, 90, 27, true, true)) << "probes 60, 76, 90";
    EXPECT_TRUE(block_horiz(64, 64, 27, true, true));
    EXPECT_TRUE(block_horiz(64, 68, 27, true, true));
    EXPECT_FALSE(block_horiz(68, 64, 27, true, true)) << "a reversed run probes nothing";
}

// Column 84 is solid (with slopes) in rows 16..20 only.
TEST_F(WallStuff, VerticalRunsProbeABodyAtHeadFeetAndThreeAboveTheFeet)
{
    EXPECT_FALSE(block_vert(84, 11, 30, true)) << "probes 11, 27, 30 skip rows 16..20";
    EXPECT_TRUE(block_vert(84, 20, 39, true));
    EXPECT_TRUE(block_vert(84, 5, 20, true)) << "probes 5, then the last pixel 20";
}

TEST_F(ActorMapTest, ProbesOutsideTheMapFindAnEmptyBlock)
{
    load({
        "#####",
        "5...#",
        "#####",
    });
    EXPECT_TRUE(block_point(0, 40, false));
    EXPECT_FALSE(block_point(-1, 40, false));
    EXPECT_TRUE(block_point(79, 20, false));
    EXPECT_FALSE(block_point(80, 20, false));
    EXPECT_TRUE(block_point(8, 0, false));
    EXPECT_FALSE(block_point(8, -1, false));
    EXPECT_EQ(slope_point(0, 20), slope_full);
    EXPECT_EQ(slope_point(-1, 20), 0);
    EXPECT_EQ(slope_tile(-1, 20), 0);
    EXPECT_EQ(block_at(-1, 20).flags, 0);
    EXPECT_EQ(block_at(-1, 20).attr1, 0);
}

} // namespace
