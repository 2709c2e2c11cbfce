// The committed level: it is what the compiler makes of its source, and it is the kind of map
// the game needs (size, block geometry, the start, walls, palette, every kind of block).
#include "headless.h"
#include "testfiles.h"
#include "toolstest.h"

#include "maplib.h"
#include "wallstuff.h"

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr const char *LEVEL_FILE = ORVIA_SOURCE_DIR "/data/jump.fmp";
constexpr const char *LEVEL_SOURCE = ORVIA_SOURCE_DIR "/data/level/jump.level";
constexpr const char *GAME_PALETTE = ORVIA_SOURCE_DIR "/data/art/palette.pcx";
constexpr int START_COLUMN = 84, START_ROW = 27; // the block of the start pixel (1350, 447)
constexpr int MIN_WIDTH = 120, MIN_HEIGHT = 40;
constexpr int BLOCK = 16;

TEST(CommittedLevel, IsWhatTheCompilerMakesOfTheSource)
{
    std::string fresh = testfiles::scratch_dir() + "/fresh.fmp";
    toolstest::run_result r =
        toolstest::run_program(std::string(LEVELC_PROGRAM) + " " + LEVEL_SOURCE + " " + fresh);
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string committed = testfiles::read_file(LEVEL_FILE);
    ASSERT_FALSE(committed.empty());
    EXPECT_TRUE(testfiles::read_file(fresh) == committed)
        << "data/jump.fmp is stale: run levelc data/level/jump.level data/jump.fmp";
}

class CommittedLevelMap : public HeadlessTest {
protected:
    void SetUp() override
    {
        HeadlessTest::SetUp();
        ASSERT_EQ(MapLoad(LEVEL_FILE), 0) << MapErrorText(maperror);
    }

    // Every block record that some cell of layer 0 shows (animations by their first frame).
    std::set<const BlockStr *> blocks_in_layer() const
    {
        std::set<const BlockStr *> used;
        for (int row = 0; row < mapheight; ++row)
            for (int column = 0; column < mapwidth; ++column)
                used.insert(MapGetBlock(column, row));
        return used;
    }
};

TEST_F(CommittedLevelMap, IsAnOrdinaryMapOfSixteenPixelBlocks)
{
    EXPECT_GE(mapwidth, MIN_WIDTH);
    EXPECT_GE(mapheight, MIN_HEIGHT);
    EXPECT_EQ(mapblockwidth, BLOCK);
    EXPECT_EQ(mapblockheight, BLOCK);
    EXPECT_EQ(mapblockgapx, BLOCK);
    EXPECT_EQ(mapblockgapy, BLOCK);
    EXPECT_EQ(mapblockstaggerx, 0);
    EXPECT_EQ(mapblockstaggery, 0);
    EXPECT_EQ(mapaltdepth, 8);
}

TEST_F(CommittedLevelMap, LeavesRoomForHerAtTheStartOnGround)
{
    for (int row : {START_ROW - 1, START_ROW}) {
        const BlockStr *b = MapGetBlock(START_COLUMN, row);
        EXPECT_EQ(b->flags & (BLOCK_SOLID | BLOCK_PLATFORM), 0) << "row " << row;
        EXPECT_EQ(b->attr1, slope_none) << "row " << row;
    }
    EXPECT_TRUE(MapGetBlock(START_COLUMN, START_ROW + 1)->flags & BLOCK_SOLID);
}

TEST_F(CommittedLevelMap, IsClosedByWallsAndACeiling)
{
    for (int row = 0; row < mapheight; ++row) {
        EXPECT_TRUE(MapGetBlock(0, row)->flags & BLOCK_SOLID) << "left wall, row " << row;
        EXPECT_TRUE(MapGetBlock(mapwidth - 1, row)->flags & BLOCK_SOLID) << "right wall, row " << row;
    }
    for (int column = 0; column < mapwidth; ++column)
        EXPECT_TRUE(MapGetBlock(column, 0)->flags & BLOCK_SOLID) << "ceiling, column " << column;
}

TEST_F(CommittedLevelMap, HoldsEveryKindOfBlock)
{
    std::set<const BlockStr *> used = blocks_in_layer();
    auto some = [&](auto has) {
        for (const BlockStr *b : used)
            if (has(*b))
                return true;
        return false;
    };
    const std::initializer_list<unsigned> flags = {BLOCK_SOLID, BLOCK_PLATFORM, BLOCK_ICE,
                                                   BLOCK_CLIMBABLE, BLOCK_SEE_THROUGH};
    for (unsigned flag : flags)
        EXPECT_TRUE(some([&](const BlockStr &b) { return b.flags & flag; })) << "flag " << flag;
    for (int slope = slope_floor_down_right; slope <= slope_full; ++slope)
        EXPECT_TRUE(some([&](const BlockStr &b) { return b.attr1 == slope; })) << "slope " << slope;
    EXPECT_TRUE(some([](const BlockStr &b) { return b.gfx_fg1.bitmap != nullptr; }));
    EXPECT_TRUE(some([](const BlockStr &b) { return b.gfx_fg2.bitmap != nullptr; }));
    EXPECT_TRUE(some([](const BlockStr &b) {
        return (b.flags & BLOCK_SEE_THROUGH) && b.gfx_bg.bitmap == abmTiles[0];
    })) << "no block where only the backdrop shows";

    int animated = 0;
    for (int i = 0; i < mapwidth * mapheight; ++i)
        animated += mapmappt[0][i] < 0;
    EXPECT_GT(animated, 0);
}

// A background drawn opaquely shows its see-through pixels in the see-through colour itself:
// every block whose background graphic has such pixels must be drawn see-through.
TEST_F(CommittedLevelMap, DrawsNoSeeThroughPixelOpaquely)
{
    for (const BlockStr *b : blocks_in_layer()) {
        if (b->flags & BLOCK_SEE_THROUGH)
            continue;
        BITMAP *bg = b->gfx_bg.bitmap;
        int holes = 0;
        for (int y = 0; y < bg->h; ++y)
            for (int x = 0; x < bg->w; ++x)
                holes += getpixel(bg, x, y) == 0;
        EXPECT_EQ(holes, 0) << "block " << b - mapblockstrpt;
    }
}

// A pit: a column with nothing to stand on from the ground down to the bottom of the map.
TEST_F(CommittedLevelMap, HasAPitOutOfTheMap)
{
    const int ground_row = START_ROW + 1;
    int pits = 0;
    for (int column = 1; column < mapwidth - 1; ++column) {
        bool open = true;
        for (int row = ground_row; row < mapheight && open; ++row)
            open = !(MapGetBlock(column, row)->flags & (BLOCK_SOLID | BLOCK_PLATFORM)) &&
                   MapGetBlock(column, row)->attr1 == slope_none;
        pits += open;
    }
    EXPECT_GT(pits, 0);
}

// The game shows the level in the palette of its graphics datafile, drawn from palette.pcx:
// the tiles must have been drawn in that same palette.
TEST_F(CommittedLevelMap, UsesTheGamePalette)
{
    PALETTE game;
    set_color_conversion(COLORCONV_NONE);
    BITMAP *swatch = load_pcx(GAME_PALETTE, game);
    ASSERT_NE(swatch, nullptr);
    destroy_bitmap(swatch);
    for (int i = 0; i < PAL_SIZE; ++i) {
        EXPECT_EQ(mapcmap6bit[i].r, game[i].r) << "entry " << i;
        EXPECT_EQ(mapcmap6bit[i].g, game[i].g) << "entry " << i;
        EXPECT_EQ(mapcmap6bit[i].b, game[i].b) << "entry " << i;
    }
}

} // namespace
