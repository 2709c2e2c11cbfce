// Block graphics come out as bitmaps of the screen's depth with the colours the file meant,
// whatever the screen's component layout; AGFX and BGFX choice; palette handling.
#include "loadertest.h"
#include "testfiles.h"

#include <cstring>
#include <tuple>

using namespace loadertest;

namespace {

struct Colour {
    int r, g, b;
    bool transparent;
};

constexpr int GW = 3, GH = 2; // pixels of one test graphic

// The colours of the test graphic, pixel by pixel: what every encoding below means.
const Colour PIXELS[GW * GH] = {
    {255, 0, 255, true}, {255, 0, 0, false}, {0, 255, 0, false},
    {0, 0, 255, false},  {132, 66, 198, false}, {255, 0, 0, false},
};

// Palette of the 8-bit test graphics: index i + 1 of pixel i's colour.
Bytes test_cmap()
{
    Bytes cmap(768, 0);
    for (int i = 1; i < GW * GH; ++i) {
        cmap[3 * i] = static_cast<unsigned char>(PIXELS[i].r);
        cmap[3 * i + 1] = static_cast<unsigned char>(PIXELS[i].g);
        cmap[3 * i + 2] = static_cast<unsigned char>(PIXELS[i].b);
    }
    return cmap;
}

// Pixel i of the test graphic in the file's encoding at `depth`. 15 and 16-bit pixels are high
// byte first; the 32-bit pad byte and bit 7 of 15-bit pixels carry junk that must be ignored.
Bytes encode_pixel(int i, int depth)
{
    const Colour &c = PIXELS[i];
    switch (depth) {
    case 8:
        return {static_cast<unsigned char>(c.transparent ? 0 : i)};
    case 15: {
        const int v = (c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3 | 0x8000;
        return {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
    }
    case 16: {
        const int v = (c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3;
        return {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
    }
    case 24:
        return {static_cast<unsigned char>(c.r), static_cast<unsigned char>(c.g),
                static_cast<unsigned char>(c.b)};
    default:
        return {0x77, static_cast<unsigned char>(c.r), static_cast<unsigned char>(c.g),
                static_cast<unsigned char>(c.b)};
    }
}

int widen(int v, int bits)
{
    return v << (8 - bits) | v >> (2 * bits - 8);
}

// The colour pixel i has after its trip through the file's encoding at `depth`.
Colour decoded(int i, int depth)
{
    const Colour &c = PIXELS[i];
    if (depth == 15)
        return {widen(c.r >> 3, 5), widen(c.g >> 3, 5), widen(c.b >> 3, 5), c.transparent};
    if (depth == 16)
        return {widen(c.r >> 3, 5), widen(c.g >> 2, 6), widen(c.b >> 3, 5), c.transparent};
    return c;
}

int mask_colour(int screen_depth)
{
    return screen_depth == 8 ? 0 : makecol_depth(screen_depth, 255, 0, 255);
}

// A map of one block record and `count` graphics of GW x GH pixels at `depth`.
MapFile graphics_map(int depth, const Bytes &pixels, int count)
{
    MapFile m;
    m.width = 2;
    m.height = 1;
    m.blockwidth = GW;
    m.blockheight = GH;
    m.depth = depth;
    m.cmap = test_cmap();
    m.numgfx = count;
    m.gfx = pixels;
    m.blocks.resize(1);
    m.layers[0] = {0, 0};
    return m;
}

Bytes test_graphic(int depth)
{
    Bytes out;
    for (int i = 0; i < GW * GH; ++i) {
        const Bytes p = encode_pixel(i, depth);
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// The converted buffer's form of colour c at screen depth s.
Bytes stored_form(int c, int s)
{
    switch (s) {
    case 8:
        return {static_cast<unsigned char>(c)};
    case 15:
    case 16: {
        const auto v = static_cast<std::uint16_t>(c);
        Bytes out(2);
        std::memcpy(out.data(), &v, 2);
        return out;
    }
    case 24:
        return {static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8),
                static_cast<unsigned char>(c)};
    default:
        return {0, static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8),
                static_cast<unsigned char>(c)};
    }
}

// A palette in which each test colour lies at index 40 + its pixel number.
void select_test_palette()
{
    PALETTE pal;
    for (int i = 0; i < PAL_SIZE; ++i)
        pal[i] = RGB{static_cast<unsigned char>(i % 8), static_cast<unsigned char>(i % 4), 0, 0};
    for (int i = 1; i < GW * GH; ++i)
        for (int depth : {15, 16}) {
            const Colour c = decoded(i, depth);
            const int at = 40 + i + (depth == 16 ? 10 : 0);
            pal[at] = RGB{static_cast<unsigned char>(c.r >> 2),
                          static_cast<unsigned char>(c.g >> 2),
                          static_cast<unsigned char>(c.b >> 2), 0};
        }
    set_palette(pal);
}

using Conversion = std::tuple<int, int, bool>; // source depth, screen depth, blue-high layout

class GraphicsConversion : public ::testing::TestWithParam<Conversion> {
protected:
    void SetUp() override
    {
        const auto [source, screen_depth, blue_high] = GetParam();
        headless::make_screen(screen_depth);
        if (blue_high)
            headless::use_colour_layout(headless::ColourLayout::BLUE_HIGH);
        select_test_palette();
    }
    void TearDown() override
    {
        MapFreeMem();
        headless::drop_screen();
    }

    // What pixel i must become: 8-bit onto 8-bit keeps the index, transparency becomes the
    // screen's mask colour, everything else the colour the file meant.
    int expected(int i) const
    {
        const auto [source, s, blue_high] = GetParam();
        if (source == 8 && s == 8)
            return PIXELS[i].transparent ? 0 : i;
        const Colour c = decoded(i, source);
        return c.transparent ? mask_colour(s) : makecol_depth(s, c.r, c.g, c.b);
    }
};

TEST_P(GraphicsConversion, EveryPixelGetsTheColourTheFileMeant)
{
    const auto [source, s, blue_high] = GetParam();
    const MapFile m = graphics_map(source, test_graphic(source), 1);
    ASSERT_EQ(MapDecode(encode(m).data()), 0) << "maperror " << maperror;
    ASSERT_EQ(tile_count(), 1);
    BITMAP *tile = abmTiles[0];
    EXPECT_EQ(bitmap_color_depth(tile), s);
    EXPECT_EQ(get_clip_state(tile), FALSE);
    EXPECT_EQ(mapdepth, s);
    EXPECT_EQ(mapblockstrpt[0].gfx_bg.bitmap, tile);
    const int bytes = (s + 1) / 8;
    for (int i = 0; i < GW * GH; ++i) {
        SCOPED_TRACE("pixel " + std::to_string(i));
        EXPECT_EQ(getpixel(tile, i % GW, i / GW), expected(i));
        EXPECT_EQ(Bytes(mapblockgfxpt + i * bytes, mapblockgfxpt + (i + 1) * bytes),
                  stored_form(expected(i), s));
    }
}

TEST_P(GraphicsConversion, TransparentPixelsAreTheMaskColourOfTheBitmap)
{
    const auto [source, s, blue_high] = GetParam();
    ASSERT_EQ(MapDecode(encode(graphics_map(source, test_graphic(source), 1)).data()), 0);
    EXPECT_EQ(getpixel(abmTiles[0], 0, 0), bitmap_mask_color(abmTiles[0]));
}

INSTANTIATE_TEST_SUITE_P(AllDepths, GraphicsConversion,
                         ::testing::Combine(::testing::Values(8, 15, 16, 24, 32),
                                            ::testing::Values(8, 15, 16, 24, 32),
                                            ::testing::Bool()));

// Graphics follow each other in the file and keep their order as bitmaps.
TEST_F(HeadlessTest, GraphicsKeepTheirOrderAndBlocksTheirGraphics)
{
    Bytes pixels;
    for (int g = 0; g < 3; ++g)
        for (int p = 0; p < GW * GH; ++p)
            pixels.push_back(static_cast<unsigned char>(100 + 10 * g + p));
    MapFile m = graphics_map(8, pixels, 3);
    MapFileBlock b;
    b.gfx_bg = 2;
    b.gfx_fg2 = 1;
    m.blocks = {MapFileBlock{}, b};
    ASSERT_EQ(MapDecode(encode(m).data()), 0);
    for (int g = 0; g < 3; ++g)
        for (int p = 0; p < GW * GH; ++p)
            EXPECT_EQ(getpixel(abmTiles[g], p % GW, p / GW), 100 + 10 * g + p);
    EXPECT_EQ(mapblockstrpt[0].gfx_bg.bitmap, abmTiles[0]);
    EXPECT_EQ(mapblockstrpt[0].gfx_fg1.bitmap, nullptr);
    EXPECT_EQ(mapblockstrpt[1].gfx_bg.bitmap, abmTiles[2]);
    EXPECT_EQ(mapblockstrpt[1].gfx_fg1.bitmap, nullptr);
    EXPECT_EQ(mapblockstrpt[1].gfx_fg2.bitmap, abmTiles[1]);
    EXPECT_EQ(mapblockstrpt[1].gfx_fg3.bitmap, nullptr);
}

// The worked examples, with literal values for the red-high layout of a real display.
struct Literal {
    int depth;
    Bytes pixel;
    int screen_depth;
    int expected;
};

class LiteralConversion : public ::testing::TestWithParam<Literal> {
protected:
    void SetUp() override
    {
        headless::make_screen(GetParam().screen_depth);
        select_test_palette();
    }
    void TearDown() override
    {
        MapFreeMem();
        headless::drop_screen();
    }
};

TEST_P(LiteralConversion, PixelBecomesTheExpectedValue)
{
    const Literal &l = GetParam();
    Bytes graphic;
    for (int i = 0; i < GW * GH; ++i)
        graphic.insert(graphic.end(), l.pixel.begin(), l.pixel.end());
    ASSERT_EQ(MapDecode(encode(graphics_map(l.depth, graphic, 1)).data()), 0);
    EXPECT_EQ(getpixel(abmTiles[0], 2, 1), l.expected);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, LiteralConversion,
    ::testing::Values(Literal{16, {0xF8, 0x1F}, 8, 0},          // magenta: transparent
                      Literal{16, {0xF8, 0x1F}, 32, 0xFF00FF},  // mask colour of 32 bits
                      Literal{16, {0x07, 0xE0}, 32, 0x00FF00},  // pure green, widened
                      Literal{16, {0xF8, 0x00}, 16, 0xF800},    // pure red
                      Literal{15, {0x7C, 0x1F}, 8, 0},          // magenta: transparent
                      Literal{15, {0x7C, 0x1F}, 15, 0x7C1F},    // the 15-bit mask colour
                      Literal{24, {255, 0, 0}, 24, 0xFF0000},
                      Literal{32, {9, 0, 0, 255}, 32, 0x0000FF},
                      Literal{8, {1}, 16, 0xF800},              // palette entry 1 is red
                      Literal{8, {0}, 16, 0xF81F},              // index 0: mask colour
                      Literal{8, {0}, 8, 0},
                      Literal{8, {250}, 8, 250}));              // unchanged, whatever it is

// Only the exact magenta is transparent on a palette screen: 255, 0, 254 is a colour.
TEST_F(HeadlessTest, NearMagentaIsAColourOnAPaletteScreen)
{
    PALETTE pal;
    for (int i = 0; i < PAL_SIZE; ++i)
        pal[i] = RGB{0, static_cast<unsigned char>(i % 64), 0, 0};
    pal[9] = RGB{63, 0, 63, 0};
    set_palette(pal);
    Bytes graphic;
    for (int i = 0; i < GW * GH; ++i)
        graphic.insert(graphic.end(), {255, 0, 254});
    ASSERT_EQ(MapDecode(encode(graphics_map(24, graphic, 1)).data()), 0);
    EXPECT_EQ(getpixel(abmTiles[0], 0, 0), 9);
}

// ---- AGFX and BGFX ----

using GfxOrder = std::tuple<int, bool>; // screen depth, AGFX after BGFX

class AlternativeGraphics : public ::testing::TestWithParam<GfxOrder> {
protected:
    void SetUp() override { headless::make_screen(std::get<0>(GetParam())); }
    void TearDown() override
    {
        MapFreeMem();
        headless::drop_screen();
    }
};

// A 16-bit map carrying 8-bit alternatives (index 7): a palette screen takes the alternatives
// whatever the chunk order; a deeper screen keeps the 16-bit red.
TEST_P(AlternativeGraphics, PaletteScreensTakeTheEightBitGraphics)
{
    const auto [s, agfx_after] = GetParam();
    Bytes red;
    for (int i = 0; i < GW * GH; ++i)
        red.insert(red.end(), {0xF8, 0x00});
    MapFile m = graphics_map(16, red, 1);
    m.agfx.assign(GW * GH, 7);
    m.agfx_after_bgfx = agfx_after;
    ASSERT_EQ(MapDecode(encode(m).data()), 0) << "maperror " << maperror;
    EXPECT_EQ(mapaltdepth, s == 8 ? 8 : 16);
    EXPECT_EQ(getpixel(abmTiles[0], 1, 1), s == 8 ? 7 : makecol_depth(s, 255, 0, 0));
}

INSTANTIATE_TEST_SUITE_P(BothOrders, AlternativeGraphics,
                         ::testing::Combine(::testing::Values(8, 16), ::testing::Bool()));

// In map type 0 graphic numbers are offsets in units of the header's depth, even when the
// 8-bit alternatives are the graphics taken.
TEST_F(HeadlessTest, TypeZeroOffsetsUseTheHeaderDepthWithAlternatives)
{
    MapFile m = graphics_map(24, Bytes(3 * GW * GH * 3, 0x20), 3);
    m.maptype = 0;
    MapFileBlock b;
    b.gfx_bg = 2;
    b.gfx_fg1 = 1;
    m.blocks = {b};
    for (int g = 0; g < 3; ++g)
        m.agfx.insert(m.agfx.end(), GW * GH, static_cast<unsigned char>(g + 1));
    ASSERT_EQ(MapDecode(encode(m).data()), 0) << "maperror " << maperror;
    EXPECT_EQ(mapaltdepth, 8);
    EXPECT_EQ(mapblockstrpt[0].gfx_bg.bitmap, abmTiles[2]);
    EXPECT_EQ(mapblockstrpt[0].gfx_fg1.bitmap, abmTiles[1]);
    EXPECT_EQ(getpixel(abmTiles[2], 0, 0), 3);
}

// ---- a depth the caller names ----

// No screen is needed, none is touched, and the depth decides the graphics taken.
TEST(ChosenDepth, GraphicsAreMadeForTheNamedDepthWithoutAScreen)
{
    headless::install();
    headless::drop_screen();
    headless::use_colour_layout(headless::ColourLayout::RED_HIGH);
    Bytes red;
    for (int i = 0; i < GW * GH; ++i)
        red.insert(red.end(), {0xF8, 0x00});
    MapFile m = graphics_map(16, red, 1);
    m.agfx.assign(GW * GH, 7);
    const Bytes image = encode(m);
    testfiles::ScratchFile file("depth.fmp");
    ASSERT_TRUE(file.write(image));

    ASSERT_EQ(MapLoadDepth(file.path(), 8), 0) << "maperror " << maperror;
    EXPECT_EQ(mapaltdepth, 8) << "the 8-bit alternative graphics are taken";
    EXPECT_EQ(mapdepth, 8);
    EXPECT_EQ(bitmap_color_depth(abmTiles[0]), 8);
    EXPECT_EQ(getpixel(abmTiles[0], 1, 1), 7);

    ASSERT_EQ(MapLoadDepth(file.path(), 32), 0) << "maperror " << maperror;
    EXPECT_EQ(mapaltdepth, 16);
    EXPECT_EQ(mapdepth, 32);
    EXPECT_EQ(mapgfxinbitmaps, 2);
    EXPECT_EQ(bitmap_color_depth(abmTiles[0]), 32);
    EXPECT_EQ(getpixel(abmTiles[0], 1, 1), 0xFF0000);

    ASSERT_EQ(MapDecodeDepth(image.data(), 15), 0) << "maperror " << maperror;
    EXPECT_EQ(getpixel(abmTiles[0], 1, 1), 0x7C00);
    EXPECT_EQ(screen, nullptr);

    EXPECT_EQ(MapLoadDepth(file.path(), 12), -1);
    EXPECT_EQ(maperror, MER_NOSCREEN);
    EXPECT_TRUE(nothing_loaded());
    EXPECT_EQ(MapLoad(file.path()), -1) << "MapLoad still follows the screen";
    EXPECT_EQ(maperror, MER_NOSCREEN);
}

// ---- palette ----

TEST_F(HeadlessTest, PaletteIsKeptInSixBitComponents)
{
    MapFile m = graphics_map(8, Bytes(GW * GH, 1), 1);
    for (std::size_t i = 0; i < m.cmap.size(); ++i)
        m.cmap[i] = static_cast<unsigned char>(i * 7);
    mapcmap6bit[5].filler = 99;
    ASSERT_EQ(MapDecode(encode(m).data()), 0);
    for (int i = 0; i < PAL_SIZE; ++i) {
        EXPECT_EQ(mapcmap6bit[i].r, m.cmap[3 * i] >> 2);
        EXPECT_EQ(mapcmap6bit[i].g, m.cmap[3 * i + 1] >> 2);
        EXPECT_EQ(mapcmap6bit[i].b, m.cmap[3 * i + 2] >> 2);
    }
    EXPECT_EQ(mapcmap6bit[5].filler, 99);
}

TEST_F(HeadlessTest, SetPal8SelectsTheMapPaletteOnAPaletteScreen)
{
    const MapFile m = sample_map();
    ASSERT_EQ(MapDecode(encode(m).data()), 0);
    MapSetPal8();
    PALETTE now;
    get_palette(now);
    for (int i = 0; i < PAL_SIZE; ++i) {
        EXPECT_EQ(now[i].r, m.cmap[3 * i] >> 2);
        EXPECT_EQ(now[i].b, m.cmap[3 * i + 2] >> 2);
    }
}

TEST(SetPal8, LeavesThePaletteAloneOnADeeperScreen)
{
    headless::make_screen(16);
    PALETTE before;
    for (int i = 0; i < PAL_SIZE; ++i)
        before[i] = RGB{1, 2, 3, 0};
    set_palette(before);
    ASSERT_EQ(MapDecode(encode(sample_map()).data()), 0);
    MapSetPal8();
    PALETTE now;
    get_palette(now);
    EXPECT_EQ(now[100].r, 1);
    EXPECT_EQ(now[100].b, 3);
    MapFreeMem();
    headless::drop_screen();
}

} // namespace
