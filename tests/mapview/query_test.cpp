// Block lookups by pixel and position, cell edits, layer switching and attribute search on
// ordinary and staggered maps, with and without row tables.
#include "canvas.h"
#include "headless.h"
#include "testmaps.h"

#include <cstdlib>
#include <map>

using namespace testmaps;

namespace {

constexpr int WIDE = 100, TALL = 40;

// A 100 x 40 map of 16-pixel blocks: block 1 at the top-left cell, block 2 at the bottom-right
// one, block 3 at cell (7, 5), block 0 elsewhere; layer 1 holds block 4 everywhere.
MapFile corner_map()
{
    MapFile map = solid_map(WIDE, TALL, 2);
    for (int b = 0; b < 5; ++b)
        add_block(map, 1);
    cell(map, 0, 0, 0) = 1;
    cell(map, 0, WIDE - 1, TALL - 1) = 2;
    cell(map, 0, 7, 5) = 3;
    map.layers[1].assign(WIDE * TALL, 4);
    return map;
}

// Run each lookup test without and with row tables: both paths must find the same cells.
class PixelLookupTest : public HeadlessTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        HeadlessTest::SetUp();
        ASSERT_EQ(load(corner_map()), "");
        if (GetParam()) {
            ASSERT_EQ(MapGenerateYLookup(), 0);
        }
        ASSERT_EQ(maparraypt != nullptr, GetParam());
    }
};

TEST_P(PixelLookupTest, FindsTheCellUnderAPixelAndNullOutsideTheMap)
{
    EXPECT_EQ(block_number(MapGetBlockInPixels(0, 0)), 1);
    EXPECT_EQ(block_number(MapGetBlockInPixels(15, 15)), 1);
    EXPECT_EQ(block_number(MapGetBlockInPixels(16, 0)), 0);
    EXPECT_EQ(block_number(MapGetBlockInPixels(7 * 16 + 3, 5 * 16 + 15)), 3);
    EXPECT_EQ(block_number(MapGetBlockInPixels(1599, 639)), 2);
    EXPECT_EQ(MapGetBlockInPixels(1600, 0), nullptr);
    EXPECT_EQ(MapGetBlockInPixels(0, 640), nullptr);
    EXPECT_EQ(MapGetBlockInPixels(-1, 5), nullptr);
    EXPECT_EQ(MapGetBlockInPixels(5, -1), nullptr);
}

TEST_P(PixelLookupTest, BlockPositionsNameTheSameCells)
{
    EXPECT_EQ(block_number(MapGetBlock(0, 0)), 1);
    EXPECT_EQ(block_number(MapGetBlock(7, 5)), 3);
    EXPECT_EQ(block_number(MapGetBlock(WIDE - 1, TALL - 1)), 2);
}

TEST_P(PixelLookupTest, SettingOutsideTheMapChangesNoCell)
{
    const std::vector<short> before(mappt, mappt + WIDE * TALL);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {1600, 3}, {3, 640}, {-5000, -5000}})
        MapSetBlockInPixels(x, y, 4);
    EXPECT_EQ(std::vector<short>(mappt, mappt + WIDE * TALL), before);
}

TEST_P(PixelLookupTest, ASetCellIsFoundAtTheSamePixel)
{
    MapSetBlockInPixels(1000, 300, 4);
    EXPECT_EQ(block_number(MapGetBlockInPixels(1000, 300)), 4);
    EXPECT_EQ(mappt[(300 / 16) * WIDE + 1000 / 16], 4);
    MapSetBlock(9, 9, 3);
    EXPECT_EQ(block_number(MapGetBlockInPixels(9 * 16, 9 * 16)), 3);
}

TEST_P(PixelLookupTest, StoredValuesAreCutToSixteenBits)
{
    MapSetBlock(2, 2, 0x10003);
    EXPECT_EQ(mappt[2 * WIDE + 2], 3);
    MapSetBlockInPixels(40, 40, 0x20004);
    EXPECT_EQ(mappt[2 * WIDE + 2], 4);
}

TEST_P(PixelLookupTest, BadLayerNumbersKeepTheCurrentLayer)
{
    short *const before = mappt;
    EXPECT_EQ(MapChangeLayer(8), -1);
    EXPECT_EQ(MapChangeLayer(-1), -1);
    EXPECT_EQ(MapChangeLayer(2), -1); // the map has no such layer
    EXPECT_EQ(mappt, before);
    EXPECT_EQ(block_number(MapGetBlockInPixels(0, 0)), 1);
}

TEST_P(PixelLookupTest, ChangingLayersSwitchesLookupsAndBack)
{
    ASSERT_EQ(MapChangeLayer(1), 1);
    EXPECT_EQ(mappt, mapmappt[1]);
    EXPECT_EQ(maparraypt, mapmaparraypt[1]);
    EXPECT_EQ(block_number(MapGetBlockInPixels(0, 0)), 4);
    ASSERT_EQ(MapChangeLayer(0), 0);
    EXPECT_EQ(block_number(MapGetBlockInPixels(0, 0)), 1);
}

INSTANTIATE_TEST_SUITE_P(RowTables, PixelLookupTest, ::testing::Bool());

TEST_F(HeadlessTest, ALayerWithoutRowTableIsReachedByMultiplying)
{
    ASSERT_EQ(load(corner_map()), "");
    ASSERT_EQ(MapGenerateYLookup(), 0);
    std::vector<unsigned char> image(WIDE * TALL * 2, 0);
    const int column = 33, row = 17;
    image[2 * (row * WIDE + column)] = 3; // number form: an odd cell value
    ASSERT_EQ(MapDecodeMAR(image.data(), 5), 0);
    ASSERT_EQ(MapChangeLayer(5), 5);
    EXPECT_EQ(maparraypt, nullptr);
    EXPECT_EQ(block_number(MapGetBlockInPixels(column * 16 + 8, row * 16 + 8)), 3);
    EXPECT_EQ(block_number(MapGetBlockInPixels(column * 16 + 8, row * 16 + 24)), 0);
}

TEST_F(HeadlessTest, WithoutACurrentLayerLookupsFindNothingAndSetsChangeNothing)
{
    MapFile map = corner_map();
    map.layers[0].clear();
    ASSERT_EQ(load(map), "");
    ASSERT_EQ(mappt, nullptr);
    EXPECT_EQ(MapGetBlockInPixels(0, 0), nullptr);
    MapSetBlockInPixels(0, 0, 1);
    EXPECT_EQ(mapmappt[1][0], 4);
    MapFreeMem();
    EXPECT_EQ(MapGetBlockInPixels(0, 0), nullptr);
    MapSetBlockInPixels(0, 0, 1);
}

TEST_F(HeadlessTest, AnAnimatedCellGivesTheBlockOfItsCurrentFrame)
{
    MapFile map = solid_map(4, 4, 2);
    for (int b = 0; b < 4; ++b)
        add_block(map, 1);
    const int anim = add_animation(map, {2, 3});
    cell(map, 0, 1, 1) = static_cast<short>(-anim);
    ASSERT_EQ(load(map), "");
    EXPECT_EQ(block_number(MapGetBlockInPixels(20, 20)), 2);
    MapUpdateAnims();
    EXPECT_EQ(block_number(MapGetBlockInPixels(20, 20)), 3);
    EXPECT_EQ(block_number(MapGetBlock(1, 1)), 3);
}

TEST_F(HeadlessTest, MinusOneResolvesThroughTheLastAnimationRecord)
{
    MapFile map = solid_map(2, 2, 2);
    for (int b = 0; b < 4; ++b)
        add_block(map, 1);
    add_animation(map, {1});
    add_animation(map, {3});
    cell(map, 0, 0, 0) = -1;
    cell(map, 0, 1, 0) = -2;
    ASSERT_EQ(load(map), "");
    EXPECT_EQ(block_number(MapGetBlock(0, 0)), 1);
    EXPECT_EQ(block_number(MapGetBlock(1, 0)), 3);
}

// ---------------------------------------------------------------------------------------------
// Attribute search
// ---------------------------------------------------------------------------------------------

class BlockIdTest : public HeadlessTest {
protected:
    void SetUp() override
    {
        HeadlessTest::SetUp();
        MapFile map = solid_map(2, 2, 1);
        for (int b = 0; b < 4; ++b)
            add_block(map, 0);
        map.blocks[1].attr1 = 5;
        map.blocks[3].attr1 = 5;
        map.blocks[2].attr2 = -7;
        map.blocks[2].attr3 = 0xFFFF;
        map.blocks[3].attr4 = 300;
        map.blocks[1].attr5 = 0xFF;
        map.blocks[2].attr6 = 9;
        map.blocks[3].attr7 = 0x80;
        ASSERT_EQ(load(map), "");
    }
};

TEST_F(BlockIdTest, FindsTheFirstRecordWithTheValue)
{
    EXPECT_EQ(MapGetBlockID(5, 1), 1);
    EXPECT_EQ(MapGetBlockID(-7, 2), 2);
    EXPECT_EQ(MapGetBlockID(300, 4), 3);
    EXPECT_EQ(MapGetBlockID(9, 6), 2);
    EXPECT_EQ(MapGetBlockID(0, 1), 0);
    EXPECT_EQ(MapGetBlockID(6, 1), -1);
}

TEST_F(BlockIdTest, AttributeNumbersOutsideOneToSevenNeverMatch)
{
    EXPECT_EQ(MapGetBlockID(5, 0), -1);
    EXPECT_EQ(MapGetBlockID(5, 8), -1);
    EXPECT_EQ(MapGetBlockID(0, -1), -1);
}

TEST_F(BlockIdTest, ShortAndByteAttributesCompareUnsigned)
{
    EXPECT_EQ(MapGetBlockID(-1, 3), -1);
    EXPECT_EQ(MapGetBlockID(65535, 3), 2);
    EXPECT_EQ(MapGetBlockID(-1, 5), -1);
    EXPECT_EQ(MapGetBlockID(255, 5), 1);
    EXPECT_EQ(MapGetBlockID(-128, 7), -1);
    EXPECT_EQ(MapGetBlockID(128, 7), 3);
}

TEST_F(BlockIdTest, NoBlockRecordsMatchNothing)
{
    MapFreeMem();
    EXPECT_EQ(MapGetBlockID(0, 1), -1);
}

// ---------------------------------------------------------------------------------------------
// Staggered maps
// ---------------------------------------------------------------------------------------------

constexpr int ISO_W = 32, ISO_H = 16;

// Inside the diamond that fills a 32 x 16 block: the shape of the cells of a staggered map
// with stagger 16 x 8, whose diamonds tile the plane.
bool in_diamond(int x, int y)
{
    return std::abs(2 * x - (ISO_W - 1)) + 2 * std::abs(2 * y - (ISO_H - 1)) <= ISO_W;
}

// A staggered map (gaps 32 x 16, stagger 16 x 8) whose every cell has its own block and a
// diamond graphic of its own colour; graphic 1 is the click mask.
MapFile staggered_map(int width, int height, bool with_click_mask)
{
    const int first_cell_graphic = 2;
    MapFile map = solid_map(width, height, first_cell_graphic + width * height, ISO_W, ISO_H);
    map.staggerx = ISO_W / 2;
    map.staggery = ISO_H / 2;
    map.clickmask = with_click_mask ? 1 : 0;
    paint(map, 1, [](int x, int y) { return in_diamond(x, y) ? 1 : 0; });
    add_block(map, 0);
    for (int i = 0; i < width * height; ++i) {
        const int g = first_cell_graphic + i;
        paint(map, g, [g](int x, int y) { return in_diamond(x, y) ? g : 0; });
        map.layers[0][i] = static_cast<short>(add_block(map, g));
    }
    return map;
}

class StaggeredLookupTest : public HeadlessDepthTest {};

// Every pixel that the drawn map covers with a cell's diamond must be looked up as that cell.
TEST_P(StaggeredLookupTest, TheClickMaskFindsTheCellWhoseShapeCoversThePixel)
{
    const int width = 5, height = 9;
    ASSERT_EQ(load(staggered_map(width, height, true)), "");
    std::map<int, long> block_of_colour;
    for (int b = 1; b < mapnumblockstr; ++b)
        block_of_colour[getpixel(mapblockstrpt[b].gfx_bg.bitmap, ISO_W / 2, ISO_H / 2)] = b;
    ASSERT_EQ(block_of_colour.size(), static_cast<size_t>(width * height));

    Canvas canvas(width * ISO_W, height * ISO_H / 2);
    MapDrawBG(canvas, 0, 0, 0, 0, canvas.get()->w, canvas.get()->h);
    int checked = 0;
    for (int y = 0; y < canvas.get()->h; ++y)
        for (int x = 0; x < canvas.get()->w; ++x) {
            const auto found = block_of_colour.find(canvas.at(x, y));
            if (found == block_of_colour.end())
                continue;
            ASSERT_EQ(block_number(MapGetBlockInPixels(x, y)), found->second) << x << "," << y;
            ++checked;
        }
    EXPECT_GT(checked, canvas.get()->w * canvas.get()->h * 3 / 4);
}

INSTANTIATE_TEST_SUITE_P(Depths, StaggeredLookupTest, ::testing::Values(8, 16, 32));

TEST_F(HeadlessTest, StaggeredOffsetsPickTheEvenRowInsideAndTheOddRowsAround)
{
    ASSERT_EQ(load(staggered_map(5, 9, true)), "");
    // The even-row cell (1, 2) is drawn at (16, 8): its middle, and its four corners.
    EXPECT_EQ(MapGetXOffset(32, 16), 1);
    EXPECT_EQ(MapGetYOffset(32, 16), 2);
    EXPECT_EQ(MapGetXOffset(17, 9), 0);
    EXPECT_EQ(MapGetYOffset(17, 9), 1);
    EXPECT_EQ(MapGetXOffset(46, 9), 1);
    EXPECT_EQ(MapGetYOffset(46, 9), 1);
    EXPECT_EQ(MapGetXOffset(17, 22), 0);
    EXPECT_EQ(MapGetYOffset(17, 22), 3);
    EXPECT_EQ(MapGetXOffset(46, 22), 1);
    EXPECT_EQ(MapGetYOffset(46, 22), 3);
}

TEST_F(HeadlessTest, StaggeredOffsetsAreClampedToTheMap)
{
    ASSERT_EQ(load(staggered_map(5, 9, true)), "");
    EXPECT_EQ(MapGetXOffset(-100, -100), 0);
    EXPECT_EQ(MapGetYOffset(0, 0), 0);
    EXPECT_EQ(MapGetXOffset(10000, 0), 4);
    EXPECT_EQ(MapGetYOffset(0, 10000), 8);
}

TEST_F(HeadlessTest, WithoutAClickMaskAStaggeredMapShiftsButDoesNotDoubleRows)
{
    ASSERT_EQ(load(staggered_map(5, 9, false)), "");
    for (auto [x, y] : {std::pair{0, 0}, {15, 7}, {16, 8}, {47, 23}, {100, 60}}) {
        EXPECT_EQ(MapGetXOffset(x, y), (x + 16) / 32) << x << "," << y;
        EXPECT_EQ(MapGetYOffset(x, y), (y + 8) / 16) << x << "," << y;
    }
}

// Gaps wider and taller than the block graphic: pixels right of or below it never read the mask.
TEST_F(HeadlessTest, PixelsBesideTheClickMaskGraphicUseTheStagger)
{
    MapFile map = staggered_map(3, 3, true);
    map.gapx = 40;
    map.gapy = 20;
    ASSERT_EQ(load(map), "");
    EXPECT_EQ(MEClickmask(35, 3, 0), 0);
    EXPECT_EQ(MEClickmask(35, 3, 1), -1);
    EXPECT_EQ(MEClickmask(35, 8, 1), 1);
    EXPECT_EQ(MEClickmask(3, 17, 1), 1);
    EXPECT_EQ(MEClickmask(3, 17, 0), -1);
    EXPECT_EQ(MEClickmask(16, 17, 0), 0);
    EXPECT_EQ(MEClickmask(75, 43, 1), -1); // the same pixel one gap across and two down
    EXPECT_EQ(MEClickmask(16, 8, 2), 0);
}

TEST_F(HeadlessTest, TheClickMaskWithoutGraphicsCorrectsNothing)
{
    ASSERT_EQ(load(staggered_map(3, 3, true)), "");
    EXPECT_EQ(MEClickmask(0, 0, 0), -1);
    MapFreeMem();
    EXPECT_EQ(MEClickmask(0, 0, 0), 0);
    EXPECT_EQ(MEClickmask(0, 0, 1), 0);
}

TEST_F(HeadlessTest, AClickMaskNumberBeyondTheGraphicsReadsNoMask)
{
    MapFile map = staggered_map(3, 3, true);
    map.clickmask = map.numgfx;
    ASSERT_EQ(load(map), "");
    EXPECT_EQ(MEClickmask(0, 0, 0), 0);
    EXPECT_EQ(MEClickmask(0, 0, 1), 0);
}

} // namespace
