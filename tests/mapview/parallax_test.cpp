// The parallax picture's repeated margins and its half-speed drawing into the see-through cells
// of a window, with the window clip and cells outside the layer left alone.
#include "canvas.h"
#include "headless.h"
#include "testmaps.h"

#include <memory>
#include <tuple>

using namespace testmaps;

namespace {

constexpr int MAP_W = 24, MAP_H = 10;

// A colour for every source pixel, different for neighbours in both directions.
int source_colour(int x, int y) { return 1 + (7 * x + 13 * y) % 240; }

// A memory picture painted with source_colour, destroyed with the object.
class Source {
public:
    Source(int width, int height) : bmp_(create_bitmap_ex(8, width, height))
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                putpixel(bmp_, x, y, source_colour(x, y));
    }
    ~Source() { destroy_bitmap(bmp_); }
    Source(const Source &) = delete;
    Source &operator=(const Source &) = delete;
    operator BITMAP *() const { return bmp_; }

private:
    BITMAP *bmp_;
};

struct PictureDeleter {
    void operator()(BITMAP *bmp) const { destroy_bitmap(bmp); }
};
using Picture = std::unique_ptr<BITMAP, PictureDeleter>;

bool see_through_cell(int column, int row) { return (column + row) % 3 == 0; }

// Cells (c, r) with c + r a multiple of 3 are see-through (block 1), the others opaque (block 2).
MapFile parallax_map()
{
    MapFile map = solid_map(MAP_W, MAP_H, 2);
    add_block(map, 0);
    add_block(map, 1, 0, 0, 0, BLOCK_SEE_THROUGH);
    add_block(map, 1);
    for (int r = 0; r < MAP_H; ++r)
        for (int c = 0; c < MAP_W; ++c)
            cell(map, 0, c, r) = see_through_cell(c, r) ? 1 : 2;
    return map;
}

int positive_mod(int value, int period) { return ((value % period) + period) % period; }

// The picture scrolls at half the map's speed: map pixel (x, y) of a see-through cell shows the
// source pixel at (x - mapx / 2, y - mapy / 2), repeated with the source's size.
int expected_pixel(int px, int py, int mapx, int mapy, int wx, int wy, int ww, int wh,
                   int source_w, int source_h)
{
    if (px < wx || px >= wx + ww || py < wy || py >= wy + wh)
        return UNTOUCHED;
    const int x = mapx + px - wx, y = mapy + py - wy;
    if (x < 0 || y < 0 || x >= MAP_W * BLOCK || y >= MAP_H * BLOCK ||
        !see_through_cell(x / BLOCK, y / BLOCK))
        return UNTOUCHED;
    return source_colour(positive_mod(x - mapx / 2, source_w), positive_mod(y - mapy / 2, source_h));
}

class ParallaxDrawTest : public HeadlessTest,
                         public ::testing::WithParamInterface<std::tuple<Placement, int>> {
protected:
    void SetUp() override
    {
        HeadlessTest::SetUp();
        ASSERT_EQ(load(parallax_map()), "");
    }
};

TEST_P(ParallaxDrawTest, SeeThroughCellsShowThePictureAtHalfSpeed)
{
    const auto [p, source_w] = GetParam();
    const int source_h = source_w * 3 / 4;
    Source source(source_w, source_h);
    Picture picture(MapMakeParallaxBitmap(source, 0));
    ASSERT_NE(picture, nullptr);
    Canvas canvas;
    set_clip_rect(canvas, 1, 2, 30, 40);
    MapDrawParallax(canvas, picture.get(), p.mapx, p.mapy, p.wx, p.wy, p.ww, p.wh);
    int x1, y1, x2, y2;
    get_clip_rect(canvas, &x1, &y1, &x2, &y2);
    EXPECT_EQ(std::tie(x1, y1, x2, y2), std::make_tuple(1, 2, 30, 40));
    for (int py = 0; py < canvas.get()->h; ++py)
        for (int px = 0; px < canvas.get()->w; ++px)
            ASSERT_EQ(canvas.at(px, py), expected_pixel(px, py, p.mapx, p.mapy, p.wx, p.wy,
                                                        p.ww, p.wh, source_w, source_h))
                << "pixel " << px << ", " << py;
}

const Placement PARALLAX_PLACEMENTS[] = {
    {"Origin", 0, 0, 0, 0, 320, 160},
    {"TwoBlocksIn", 32, 0, 0, 0, 320, 160},
    {"ThreeBlocksIn", 48, 20, 0, 0, 320, 140},
    {"OddPositionAndWindow", 37, 91, 13, 7, 211, 100},
    {"WindowHeightNotAMultipleOfTheBlock", 16, 16, 0, 0, 320, 100},
    {"MapSmallerThanWindow", 0, 0, 0, 0, 320, 240},
    {"WindowPastRightAndBottom", 200, 100, 20, 10, 300, 200},
    {"NegativeMapPosition", -24, -8, 0, 0, 320, 240},
    {"NegativeOddMapPosition", -37, -53, 9, 4, 290, 230},
    {"WindowOffTheCanvas", 0, 0, 330, 10, 50, 50},
};

std::string parallax_name(const ::testing::TestParamInfo<std::tuple<Placement, int>> &info)
{
    return std::string(std::get<0>(info.param).name) + "Source" +
           std::to_string(std::get<1>(info.param));
}

// Sources wider than the window, narrower, and narrower than a block.
INSTANTIATE_TEST_SUITE_P(Placements, ParallaxDrawTest,
                         ::testing::Combine(::testing::ValuesIn(PARALLAX_PLACEMENTS),
                                            ::testing::Values(320, 40, 12)),
                         parallax_name);

TEST_F(HeadlessTest, TheFirstPieceComesFromHalfTheMapPosition)
{
    MapFile map = parallax_map();
    std::fill(map.layers[0].begin(), map.layers[0].end(), 1);
    ASSERT_EQ(load(map), "");
    Source source(320, 240);
    Picture picture(MapMakeParallaxBitmap(source, 0));
    for (auto [mapx, column] : {std::pair{0, 0}, {32, 16}, {48, 24}}) {
        Canvas canvas;
        MapDrawParallax(canvas, picture.get(), mapx, 0, 0, 0, 320, 240);
        EXPECT_EQ(canvas.at(0, 0), source_colour(column, 0)) << "map x " << mapx;
    }
}

TEST_F(HeadlessTest, ThePictureRepeatsItsLeftAndTopEdgesInTheMargins)
{
    ASSERT_EQ(load(parallax_map()), "");
    Source source(320, 240);
    Picture picture(MapMakeParallaxBitmap(source, 0));
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->w, 336);
    ASSERT_EQ(picture->h, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 336; ++x)
            ASSERT_EQ(getpixel(picture.get(), x, y), source_colour(x % 320, y % 240))
                << x << ", " << y;
}

TEST_F(HeadlessTest, ASourceSmallerThanABlockIsRepeatedAcrossTheMargins)
{
    ASSERT_EQ(load(parallax_map()), "");
    Source source(5, 3);
    Picture picture(MapMakeParallaxBitmap(source, 0));
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->w, 21);
    ASSERT_EQ(picture->h, 19);
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 21; ++x)
            ASSERT_EQ(getpixel(picture.get(), x, y), source_colour(x % 5, y % 3)) << x << ", " << y;
}

TEST_F(HeadlessTest, NoPictureWithoutAMapOrForAnUnknownKind)
{
    Source source(32, 32);
    EXPECT_EQ(MapMakeParallaxBitmap(source, 0), nullptr);
    ASSERT_EQ(load(parallax_map()), "");
    EXPECT_EQ(MapMakeParallaxBitmap(source, 2), nullptr);
    EXPECT_EQ(MapMakeParallaxBitmap(source, -1), nullptr);
    EXPECT_EQ(MapMakeParallaxBitmap(nullptr, 0), nullptr);
}

TEST_F(HeadlessTest, AVideoPictureWithoutADisplayDriverIsRefused)
{
    ASSERT_EQ(gfx_driver, nullptr);
    ASSERT_EQ(load(parallax_map()), "");
    Source source(32, 32);
    EXPECT_EQ(MapMakeParallaxBitmap(source, 1), nullptr);
}

TEST_F(HeadlessTest, StaggeredMapsGetNoParallax)
{
    MapFile map = parallax_map();
    map.staggerx = 8;
    ASSERT_EQ(load(map), "");
    Source source(64, 64);
    Picture picture(MapMakeParallaxBitmap(source, 0));
    ASSERT_NE(picture, nullptr);
    Canvas canvas;
    MapDrawParallax(canvas, picture.get(), 0, 0, 0, 0, 320, 240);
    EXPECT_EQ(canvas.changed_outside(0, 0, 0, 0), 0);
}

TEST_F(HeadlessTest, APictureNoLargerThanABlockDrawsNothing)
{
    ASSERT_EQ(load(parallax_map()), "");
    Canvas canvas;
    Picture picture(create_bitmap_ex(8, BLOCK, BLOCK));
    MapDrawParallax(canvas, picture.get(), 0, 0, 0, 0, 320, 240);
    MapDrawParallax(canvas, nullptr, 0, 0, 0, 0, 320, 240);
    EXPECT_EQ(canvas.changed_outside(0, 0, 0, 0), 0);
}

} // namespace
