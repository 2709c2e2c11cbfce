// Map array files: both cell forms, from plain files, packed files and memory images, layers
// replaced in place or created, and failures that leave every layer exactly as it was.
#include "headless.h"
#include "testfiles.h"
#include "testmaps.h"

#include <algorithm>

using namespace testmaps;

namespace {

constexpr int MAR_W = 6, MAR_H = 4, MAR_CELLS = MAR_W * MAR_H;
constexpr int BLOCKS = 70, ANIMATIONS = 2;

// 70 block records, two animations; layer 0 all block 1, layer 1 all block 2, no other layer.
MapFile mar_map()
{
    MapFile map = solid_map(MAR_W, MAR_H, 2);
    for (int b = 0; b < BLOCKS; ++b)
        add_block(map, 1);
    add_animation(map, {3, 4});
    add_animation(map, {5});
    std::fill(map.layers[0].begin(), map.layers[0].end(), 1);
    map.layers[1].assign(MAR_CELLS, 2);
    return map;
}

// Little-endian cells: the first ones given, the rest 0.
std::vector<unsigned char> mar_image(const std::vector<short> &first_cells, int cells = MAR_CELLS)
{
    std::vector<unsigned char> image(2 * cells, 0);
    for (size_t i = 0; i < first_cells.size(); ++i) {
        image[2 * i] = static_cast<unsigned char>(first_cells[i] & 0xFF);
        image[2 * i + 1] = static_cast<unsigned char>((first_cells[i] >> 8) & 0xFF);
    }
    return image;
}

std::vector<short> layer_cells(int layer)
{
    return std::vector<short>(mapmappt[layer], mapmappt[layer] + MAR_CELLS);
}

std::vector<short> cells_then_zeros(const std::vector<short> &first_cells)
{
    std::vector<short> cells(MAR_CELLS, 0);
    std::copy(first_cells.begin(), first_cells.end(), cells.begin());
    return cells;
}

enum class Source { IMAGE, FILE, PACKED_FILE };

class MarTest : public HeadlessTest, public ::testing::WithParamInterface<Source> {
protected:
    void SetUp() override
    {
        HeadlessTest::SetUp();
        ASSERT_EQ(load(mar_map()), "");
    }

    // Replace a layer from the image through the parameter's route.
    int replace(const std::vector<unsigned char> &image, int layer)
    {
        switch (GetParam()) {
        case Source::IMAGE: return MapDecodeMAR(image.data(), layer);
        case Source::FILE: EXPECT_TRUE(testfiles::write_file(file_.path(), image)); break;
        case Source::PACKED_FILE:
            EXPECT_TRUE(testfiles::write_packed_file(file_.path(), image));
            break;
        }
        return MapLoadMAR(file_.path(), layer);
    }

    testfiles::ScratchFile file_{"layer.mar"};
};

TEST_P(MarTest, AllZeroCellsAreOffsetFormAndStayZero)
{
    ASSERT_EQ(replace(mar_image({}), 0), 0);
    EXPECT_EQ(layer_cells(0), std::vector<short>(MAR_CELLS, 0));
}

TEST_P(MarTest, OffsetFormCellsBecomeBlockAndAnimationNumbers)
{
    ASSERT_EQ(replace(mar_image({32, 64, -16, -32, 16, 48}), 0), 0);
    EXPECT_EQ(layer_cells(0), cells_then_zeros({1, 2, -1, -2, 0, 1}));
}

TEST_P(MarTest, OneCellWithLowBitsKeepsTheWholeLayerInNumberForm)
{
    ASSERT_EQ(replace(mar_image({32, 65, -2}), 0), 0);
    EXPECT_EQ(layer_cells(0), cells_then_zeros({32, 65, -2}));
}

TEST_P(MarTest, AnExistingLayerIsOverwrittenInPlace)
{
    ASSERT_EQ(MapGenerateYLookup(), 0);
    short *const buffer = mapmappt[0];
    ASSERT_EQ(replace(mar_image({7, 9}), 0), 0);
    EXPECT_EQ(mapmappt[0], buffer);
    EXPECT_EQ(mappt, buffer);
    EXPECT_EQ(block_number(MapGetBlock(1, 0)), 9);
    EXPECT_EQ(block_number(MapGetBlockInPixels(0, 0)), 7);
}

TEST_P(MarTest, AMissingLayerIsCreatedWithoutBecomingCurrent)
{
    ASSERT_EQ(MapGenerateYLookup(), 0);
    short *const current = mappt;
    ASSERT_EQ(mapmappt[3], nullptr);
    ASSERT_EQ(replace(mar_image({5, 6, 7}), 3), 0);
    ASSERT_NE(mapmappt[3], nullptr);
    EXPECT_EQ(layer_cells(3), cells_then_zeros({5, 6, 7}));
    EXPECT_EQ(mapmaparraypt[3], nullptr);
    EXPECT_EQ(mappt, current);
    EXPECT_EQ(layer_cells(0), std::vector<short>(MAR_CELLS, 1));
}

TEST_P(MarTest, ACreatedLayerZeroDoesNotBecomeCurrent)
{
    MapFile map = mar_map();
    map.layers[0].clear();
    ASSERT_EQ(load(map), "");
    ASSERT_EQ(replace(mar_image({3}), 0), 0);
    EXPECT_NE(mapmappt[0], nullptr);
    EXPECT_EQ(mappt, nullptr);
}

TEST_P(MarTest, LayerNumbersOutsideZeroToSevenFail)
{
    for (int layer : {8, -1, 100})
        EXPECT_EQ(replace(mar_image({3}), layer), -1) << layer;
    EXPECT_EQ(layer_cells(0), std::vector<short>(MAR_CELLS, 1));
}

TEST_P(MarTest, CellsNamingMissingRecordsFailAndChangeNothing)
{
    const std::vector<short> bad_layers[] = {
        {3, BLOCKS},                 // number form, one block too far
        {32 * BLOCKS},               // offset form of the same
        {-(ANIMATIONS + 1), 3},      // number form, one animation too far
        {-16 * (ANIMATIONS + 1)},    // offset form of the same
        {-32768, 1},
    };
    for (const std::vector<short> &cells : bad_layers) {
        EXPECT_EQ(replace(mar_image(cells), 0), -1) << cells[0];
        EXPECT_EQ(replace(mar_image(cells), 5), -1) << cells[0];
    }
    EXPECT_EQ(layer_cells(0), std::vector<short>(MAR_CELLS, 1));
    EXPECT_EQ(mapmappt[5], nullptr);
}

TEST_P(MarTest, TheLastBlockAndAnimationAreAccepted)
{
    ASSERT_EQ(replace(mar_image({BLOCKS - 1, -ANIMATIONS}), 0), 0);
    EXPECT_EQ(block_number(MapGetBlock(0, 0)), BLOCKS - 1);
    EXPECT_EQ(block_number(MapGetBlock(1, 0)), 5); // animation 2 shows its only frame
}

TEST_P(MarTest, NothingLoadedNothingReplaced)
{
    MapFreeMem();
    EXPECT_EQ(replace(mar_image({1}), 0), -1);
    EXPECT_EQ(mapmappt[0], nullptr);
}

TEST_P(MarTest, BytesAfterTheLayerAreNotRead)
{
    std::vector<unsigned char> image = mar_image({32});
    image.resize(image.size() + 6, 0x01);
    ASSERT_EQ(replace(image, 2), 0);
    EXPECT_EQ(layer_cells(2), cells_then_zeros({1}));
}

INSTANTIATE_TEST_SUITE_P(Sources, MarTest,
                         ::testing::Values(Source::IMAGE, Source::FILE, Source::PACKED_FILE));

class MarFileTest : public MarTest {};

TEST_P(MarFileTest, AShortFileFailsAndLeavesTheLayerAsItWas)
{
    std::vector<unsigned char> image = mar_image({3, 3, 3});
    image.resize(image.size() - 1);
    EXPECT_EQ(replace(image, 0), -1);
    EXPECT_EQ(layer_cells(0), std::vector<short>(MAR_CELLS, 1));
    EXPECT_EQ(replace(image, 6), -1);
    EXPECT_EQ(mapmappt[6], nullptr);
}

TEST_P(MarFileTest, AMissingFileFails)
{
    EXPECT_EQ(MapLoadMAR("/nonexistent/mapview.mar", 0), -1);
    EXPECT_EQ(MapLoadMAR(nullptr, 0), -1);
    EXPECT_EQ(layer_cells(0), std::vector<short>(MAR_CELLS, 1));
}

INSTANTIATE_TEST_SUITE_P(Files, MarFileTest,
                         ::testing::Values(Source::FILE, Source::PACKED_FILE));

TEST_F(HeadlessTest, ANullImageFails)
{
    ASSERT_EQ(load(mar_map()), "");
    EXPECT_EQ(MapDecodeMAR(nullptr, 0), -1);
}

} // namespace
