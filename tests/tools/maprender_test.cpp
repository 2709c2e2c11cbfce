// The map renderer: the backdrop through see-through blocks, opaque backgrounds, and the two
// foreground layers in the game's order; the PNG keeps the map's palette.
#include "maprender.h"

#include "headless.h"
#include "toolstest.h"

#include "maplib.h"

#include <gtest/gtest.h>
#include <loadpng.h>

namespace {

constexpr int TILE = 16;
constexpr int GRAPHIC_PIXELS = TILE * TILE;
constexpr unsigned char OPAQUE = 7, FRONT = 9, BEHIND = 11;

// Graphic 1 all OPAQUE; graphic 2 see-through but its left column BEHIND; graphic 3
// see-through but its top row FRONT. Cells: backdrop only, opaque, see-through with graphic 2
// behind her and 3 in front, and graphic 0 drawn opaquely.
MapFile three_layer_map()
{
    MapFile map;
    map.width = 4;
    map.height = 1;
    map.numgfx = 4;
    map.gfx.assign(4 * GRAPHIC_PIXELS, 0);
    std::fill_n(map.gfx.begin() + GRAPHIC_PIXELS, GRAPHIC_PIXELS, OPAQUE);
    for (int y = 0; y < TILE; ++y)
        map.gfx[2 * GRAPHIC_PIXELS + y * TILE] = BEHIND;
    std::fill_n(map.gfx.begin() + 3 * GRAPHIC_PIXELS, TILE, FRONT);
    map.cmap.assign(768, 0);
    map.cmap[BACKDROP_COLOUR * 3 + 0] = 100;
    map.cmap[BACKDROP_COLOUR * 3 + 1] = 150;
    map.cmap[BACKDROP_COLOUR * 3 + 2] = 200;
    MapFileBlock backdrop, opaque, layered, solid_zero;
    backdrop.flags = BLOCK_SEE_THROUGH;
    opaque.gfx_bg = 1;
    layered.flags = BLOCK_SEE_THROUGH;
    layered.gfx_fg1 = 2;
    layered.gfx_fg2 = 3;
    map.blocks = {backdrop, opaque, layered, solid_zero};
    map.layers[0] = {0, 1, 2, 3};
    return map;
}

void load(const MapFile &map)
{
    std::vector<unsigned char> image = MapEncode(map);
    ASSERT_EQ(MapDecode(image.data()), 0) << MapErrorText(maperror);
}

class MapRender : public HeadlessTest {};

TEST_F(MapRender, DrawsBackdropBackgroundAndBothForegroundsInOrder)
{
    load(three_layer_map());
    BITMAP *picture = render_loaded_map();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->w, 4 * TILE);
    EXPECT_EQ(picture->h, TILE);
    EXPECT_EQ(getpixel(picture, 5, 5), BACKDROP_COLOUR);
    EXPECT_EQ(getpixel(picture, TILE + 5, 5), OPAQUE);
    EXPECT_EQ(getpixel(picture, 2 * TILE + 5, 5), BACKDROP_COLOUR);
    EXPECT_EQ(getpixel(picture, 2 * TILE, 5), BEHIND);
    EXPECT_EQ(getpixel(picture, 2 * TILE, 0), FRONT) << "the second foreground goes on top";
    EXPECT_EQ(getpixel(picture, 3 * TILE + 5, 5), 0) << "graphic 0 without see-through is opaque";
    destroy_bitmap(picture);
}

TEST_F(MapRender, SavesAPngInTheMapsPalette)
{
    load(three_layer_map());
    BITMAP *picture = render_loaded_map();
    ASSERT_NE(picture, nullptr);
    std::string path = toolstest::scratch_dir() + "/render.png";
    std::string problem;
    ASSERT_TRUE(save_map_png(path, picture, problem)) << problem;
    destroy_bitmap(picture);

    PALETTE saved;
    BITMAP *back = load_png(path.c_str(), saved);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(bitmap_color_depth(back), 8);
    EXPECT_EQ(getpixel(back, 5, 5), BACKDROP_COLOUR);
    EXPECT_EQ(getpixel(back, TILE + 5, 5), OPAQUE);
    EXPECT_EQ(saved[BACKDROP_COLOUR].r, 100 / 4);
    EXPECT_EQ(saved[BACKDROP_COLOUR].b, 200 / 4);
    destroy_bitmap(back);

}

TEST_F(MapRender, SaysWhenThePngCannotBeWritten)
{
    load(three_layer_map());
    BITMAP *picture = create_bitmap(4, 4);
    std::string path = toolstest::scratch_dir() + "/no/such/folder.png";
    std::string problem;
    EXPECT_FALSE(save_map_png(path, picture, problem));
    EXPECT_EQ(problem, path + ": cannot write the PNG file");
    destroy_bitmap(picture);
}

TEST(MaprenderProgram, DrawsTheWholeLevel)
{
    std::string path = toolstest::scratch_dir() + "/level.png";
    toolstest::run_result r = toolstest::run_program(std::string(MAPRENDER_PROGRAM) + " " +
                                                     ORVIA_SOURCE_DIR "/data/jump.fmp " + path);
    ASSERT_EQ(r.status, 0) << r.output;
    headless::install();
    PALETTE pal;
    BITMAP *picture = load_png(path.c_str(), pal);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->w, 128 * TILE);
    EXPECT_EQ(picture->h, 44 * TILE);
    EXPECT_EQ(getpixel(picture, 40 * TILE, 5 * TILE), BACKDROP_COLOUR) << "open sky";
    destroy_bitmap(picture);
}

TEST(MapRenderTrueColour, TakesTheBackdropColourFromThePalette)
{
    headless::make_screen(32);
    load(three_layer_map());
    BITMAP *picture = render_loaded_map();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(bitmap_color_depth(picture), 32);
    int backdrop = getpixel(picture, 5, 5);
    EXPECT_EQ(getr32(backdrop), 100);
    EXPECT_EQ(getg32(backdrop), 150);
    EXPECT_EQ(getb32(backdrop), 200);
    destroy_bitmap(picture);
    MapFreeMem();
    headless::drop_screen();
}

// Rows 0 and 2 shifted right by half a gap (stagger x negative), each row half a gap below the
// last, graphics 4 pixels taller than the gap: row r column c shows graphic 1 + 2r + c, filled
// with that colour, reaching 2 pixels above and below its cell.
TEST_F(MapRender, DrawsStaggeredRowsAndLargeGraphicsWhereTheirCellsLie)
{
    MapFile map;
    map.width = 2;
    map.height = 3;
    map.gapx = 16;
    map.gapy = 8;
    map.staggerx = -8;
    map.staggery = 4;
    map.blockwidth = 16;
    map.blockheight = 12;
    map.numgfx = 7;
    const int graphic_pixels = map.blockwidth * map.blockheight;
    for (int g = 0; g < map.numgfx; ++g)
        map.gfx.insert(map.gfx.end(), graphic_pixels, static_cast<unsigned char>(g));
    for (int g = 0; g < map.numgfx; ++g) {
        MapFileBlock b;
        b.gfx_bg = g;
        map.blocks.push_back(b);
    }
    map.layers[0] = {1, 2, 3, 4, 5, 6};
    load(map);
    BITMAP *picture = render_loaded_map();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->w, 2 * 16 + 8);
    EXPECT_EQ(picture->h, 2 * 4 + 8);
    EXPECT_EQ(getpixel(picture, 0, 0), BACKDROP_COLOUR) << "row 1 begins 2 pixels lower";
    EXPECT_EQ(getpixel(picture, 8, 0), 1) << "row 0 is shifted right";
    EXPECT_EQ(getpixel(picture, 24, 0), 2);
    EXPECT_EQ(getpixel(picture, 0, 2), 3) << "row 1 reaches 2 pixels above its cell at y 4";
    EXPECT_EQ(getpixel(picture, 8, 9), 5) << "the later row is drawn over the earlier ones";
    EXPECT_EQ(getpixel(picture, 39, 15), 6);
    destroy_bitmap(picture);
}

} // namespace
