// Video bitmaps for block graphics: the NOVC exclusion list, running out of video memory, no
// display driver at all, and repainting with MapRestore.
#include "loadertest.h"
#include "testfiles.h"

using namespace loadertest;

namespace {

constexpr int NOVC_GFX = 6;

// The sample map with NOVC_GFX graphics and the given NOVC text.
MapFile novc_map(const std::string &text)
{
    MapFile m = sample_map();
    m.numgfx = NOVC_GFX;
    m.gfx.assign(static_cast<std::size_t>(NOVC_GFX) * SAMPLE_BLOCK_PIXELS, 9);
    m.novc = text;
    return m;
}

std::vector<int> graphics_in_memory()
{
    std::vector<int> out;
    for (int g = 0; abmTiles && abmTiles[g]; ++g)
        if (!is_video_bitmap(abmTiles[g]))
            out.push_back(g);
    return out;
}

struct NovcCase {
    const char *text;
    std::vector<int> excluded;
};

class NovcList : public HeadlessTest, public ::testing::WithParamInterface<NovcCase> {};

TEST_P(NovcList, NamedGraphicsStayInMemory)
{
    const NovcCase &c = GetParam();
    FakeVideo video(100);
    ASSERT_EQ(MapDecodeVRAM(encode(novc_map(c.text)).data()), 0) << "maperror " << maperror;
    EXPECT_EQ(graphics_in_memory(), c.excluded);
    EXPECT_EQ(mapblocksinsysmem, static_cast<int>(c.excluded.size()));
    EXPECT_EQ(mapblocksinvidmem, NOVC_GFX - static_cast<int>(c.excluded.size()));
    EXPECT_STREQ(mapnovctext, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NovcList,
    ::testing::Values(NovcCase{"", {}}, NovcCase{"0-2,4", {0, 1, 2, 4}},
                      NovcCase{"5", {5}}, NovcCase{"3-1", {}},        // reversed range stops
                      NovcCase{"6", {}}, NovcCase{"1,7,2", {1}},      // beyond the graphics
                      NovcCase{"2-6", {}}, NovcCase{"1,2x3", {1, 2}}, // other characters end it
                      NovcCase{" 1", {}}, NovcCase{"-4", {0, 1, 2, 3, 4}}, // empty run is 0
                      NovcCase{",3", {0, 3}}, NovcCase{"4-", {}},
                      NovcCase{"99999999999999999999999999,1", {}},    // no overflow
                      NovcCase{"1-99999999999999999999", {}},
                      NovcCase{"0000000000000000000000000000000000005", {5}}));

using VideoMemory = HeadlessTest;

TEST_F(VideoMemory, GraphicsBeyondTheVideoMemoryGoToMemory)
{
    FakeVideo video(2);
    ASSERT_EQ(MapDecodeVRAM(encode(novc_map("")).data()), 0);
    EXPECT_EQ(mapgfxinbitmaps, 1);
    EXPECT_EQ(mapblocksinvidmem, 2);
    EXPECT_EQ(mapblocksinsysmem, NOVC_GFX - 2);
    EXPECT_TRUE(is_video_bitmap(abmTiles[0]));
    EXPECT_TRUE(is_video_bitmap(abmTiles[1]));
    EXPECT_FALSE(is_video_bitmap(abmTiles[2]));
    EXPECT_EQ(getpixel(abmTiles[0], 1, 0), 9);
    MapFreeMem();
    EXPECT_EQ(FakeVideo::destroyed(), 2);
    EXPECT_TRUE(nothing_loaded());
}

TEST_F(VideoMemory, NoVideoMemoryAtAllStillLoads)
{
    FakeVideo video(0);
    ASSERT_EQ(MapDecodeVRAM(encode(novc_map("")).data()), 0);
    EXPECT_EQ(mapblocksinvidmem, 0);
    EXPECT_EQ(mapblocksinsysmem, NOVC_GFX);
}

TEST_F(VideoMemory, WithoutADisplayDriverEveryGraphicGetsAMemoryBitmap)
{
    ASSERT_EQ(gfx_driver, nullptr);
    const Bytes image = encode(novc_map(""));
    testfiles::ScratchFile file("vram.fmp");
    ASSERT_TRUE(file.write(image));
    ASSERT_EQ(MapLoadVRAM(file.path()), 0);
    EXPECT_EQ(mapgfxinbitmaps, 1);
    EXPECT_EQ(mapblocksinvidmem, 0);
    EXPECT_EQ(mapblocksinsysmem, NOVC_GFX);
    EXPECT_TRUE(graphics_in_memory().size() == NOVC_GFX);
}

// Memory loads ignore the NOVC list and never ask for video memory.
TEST_F(VideoMemory, MemoryLoadsUseNoVideoMemory)
{
    FakeVideo video(100);
    ASSERT_EQ(MapDecode(encode(novc_map("1")).data()), 0);
    EXPECT_EQ(FakeVideo::created(), 0);
    EXPECT_EQ(mapblocksinsysmem, NOVC_GFX);
}

void scribble_over_tiles()
{
    for (int g = 0; abmTiles[g]; ++g)
        clear_to_color(abmTiles[g], 77);
}

// Repainting covers video and memory bitmaps alike, each from its own graphic.
TEST_F(VideoMemory, RestoreRepaintsEveryBitmapOfAVideoLoad)
{
    FakeVideo video(1);
    MapFile m = novc_map("");
    for (int g = 0; g < NOVC_GFX; ++g)
        m.gfx[g * SAMPLE_BLOCK_PIXELS + 4] = static_cast<unsigned char>(20 + g);
    ASSERT_EQ(MapDecodeVRAM(encode(m).data()), 0);
    scribble_over_tiles();
    MapRestore();
    for (int g = 0; g < NOVC_GFX; ++g) {
        EXPECT_EQ(getpixel(abmTiles[g], 1, 1), 20 + g) << "graphic " << g;
        EXPECT_EQ(getpixel(abmTiles[g], 0, 0), 9);
    }
}

TEST_F(VideoMemory, RestoreLeavesMemoryLoadsAlone)
{
    ASSERT_EQ(MapDecode(encode(novc_map("")).data()), 0);
    scribble_over_tiles();
    MapRestore();
    EXPECT_EQ(getpixel(abmTiles[0], 1, 1), 77);
}

TEST_F(VideoMemory, RestoreWithoutAMapDoesNothing)
{
    mapgfxinbitmaps = 1;
    MapRestore();
    EXPECT_TRUE(nothing_loaded());
}

// A true-colour video load repaints the same colours it painted, in either layout.
TEST(VideoRestore, TrueColourRepaintKeepsTheColours)
{
    headless::make_screen(32);
    {
        FakeVideo video(100);
        MapFile m = novc_map("");
        m.depth = 24;
        m.gfx.clear();
        for (int i = 0; i < NOVC_GFX * SAMPLE_BLOCK_PIXELS; ++i)
            m.gfx.insert(m.gfx.end(), {200, 100, 50});
        ASSERT_EQ(MapDecodeVRAM(encode(m).data()), 0);
        scribble_over_tiles();
        MapRestore();
        EXPECT_EQ(getpixel(abmTiles[3], 2, 1), makecol(200, 100, 50));
    }
    headless::drop_screen();
}

// A failed load that keeps the previous map keeps its way of holding graphics.
TEST_F(VideoMemory, FailedFileLoadKeepsThePreviousMapsMode)
{
    FakeVideo video(100);
    ASSERT_EQ(MapDecodeVRAM(encode(novc_map("")).data()), 0);
    EXPECT_EQ(MapLoad("/nonexistent/map.fmp"), -1);
    EXPECT_EQ(mapgfxinbitmaps, 1);
    scribble_over_tiles();
    MapRestore();
    EXPECT_EQ(getpixel(abmTiles[0], 1, 1), 9);
}

} // namespace
