// The map renderer: the backdrop through see-through blocks, opaque backgrounds, and the two
// foreground layers in the game's order; the picture file keeps the map's palette.
#include "maprender.h"

#include "headless.h"
#include "testfiles.h"
#include "testmaps.h"
#include "toolstest.h"

#include "maplib.h"

#include <gtest/gtest.h>
#include <loadpng.h>

#include <filesystem>

using namespace testmaps;

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
    map.cmap = black_cmap();
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

class MapRender : public HeadlessTest {};

TEST_F(MapRender, DrawsBackdropBackgroundAndBothForegroundsInOrder)
{
    ASSERT_EQ(load(three_layer_map()), "");
    std::string problem;
    BITMAP *picture = render_loaded_map(problem);
    ASSERT_NE(picture, nullptr) << problem;
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

// Each format by its name's extension, in any case, with the map's palette.
TEST_F(MapRender, SavesTheFormatItsNameAsksForInTheMapsPalette)
{
    register_png_file_type(); // for load_bitmap below
    ASSERT_EQ(load(three_layer_map()), "");
    std::string problem;
    BITMAP *picture = render_loaded_map(problem);
    ASSERT_NE(picture, nullptr) << problem;
    for (const char *name : {"render.png", "render.BMP", "render.pcx", "render.Tga"}) {
        SCOPED_TRACE(name);
        const std::string path = testfiles::scratch_dir() + "/" + name;
        ASSERT_TRUE(save_map_picture(path, picture, problem)) << problem;
        PALETTE saved;
        BITMAP *back = load_bitmap(path.c_str(), saved);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(bitmap_color_depth(back), 8);
        EXPECT_EQ(getpixel(back, 5, 5), BACKDROP_COLOUR);
        EXPECT_EQ(getpixel(back, TILE + 5, 5), OPAQUE);
        EXPECT_EQ(saved[BACKDROP_COLOUR].r, 100 / 4);
        EXPECT_EQ(saved[BACKDROP_COLOUR].b, 200 / 4);
        destroy_bitmap(back);
    }
    destroy_bitmap(picture);
}

TEST_F(MapRender, SaysWhenThePngCannotBeWritten)
{
    ASSERT_EQ(load(three_layer_map()), "");
    BITMAP *picture = create_bitmap(4, 4);
    std::string path = testfiles::scratch_dir() + "/no/such/folder.png";
    std::string problem;
    EXPECT_FALSE(save_map_picture(path, picture, problem));
    EXPECT_EQ(problem, path + ": No such file or directory");
    destroy_bitmap(picture);
}

TEST(MaprenderProgram, DrawsTheWholeLevelAndRefusesOtherFormatsAndHugePictures)
{
    std::string path = testfiles::scratch_dir() + "/level.png";
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

    const std::string jpeg = testfiles::scratch_dir() + "/level.jpg";
    r = toolstest::run_program(std::string(MAPRENDER_PROGRAM) + " " ORVIA_SOURCE_DIR
                               "/data/jump.fmp " + jpeg);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.standard_error, jpeg + ": maprender writes only .png, .bmp, .pcx and .tga pictures\n");
    EXPECT_FALSE(std::filesystem::exists(jpeg));

    // Map sizes and gaps from the file multiply out past any bitmap, and past an int: the
    // picture is refused with its size before anything is allocated.
    MapFile wide = three_layer_map();
    wide.width = wide.height = wide.gapx = wide.gapy = 256;
    wide.layers[0].assign(256 * 256, 1);
    const std::string wide_path = testfiles::scratch_dir() + "/wide_gaps.fmp";
    ASSERT_EQ(MapSave(wide_path.c_str(), wide), 0);
    r = toolstest::run_program(std::string(MAPRENDER_PROGRAM) + " " + wide_path + " " + path);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.standard_error, wide_path + ": cannot render: the whole map would be 65536 x "
                                            "65536 pixels at 8 bits (4096 MiB): a bitmap may "
                                            "take at most 256 MiB\n");
}

TEST(MapRenderTrueColour, TakesTheBackdropColourFromThePalette)
{
    headless::make_screen(32);
    ASSERT_EQ(load(three_layer_map()), "");
    std::string problem;
    BITMAP *picture = render_loaded_map(problem);
    ASSERT_NE(picture, nullptr) << problem;
    EXPECT_EQ(bitmap_color_depth(picture), 32);
    int backdrop = getpixel(picture, 5, 5);
    EXPECT_EQ(getr32(backdrop), 100);
    EXPECT_EQ(getg32(backdrop), 150);
    EXPECT_EQ(getb32(backdrop), 200);
    // Allegro would write the pixels' unused fourth byte as alpha: the files must be opaque.
    constexpr std::size_t PNG_COLOUR_TYPE_AT = 25, TGA_PIXEL_BITS_AT = 16;
    constexpr char PNG_RGB = 2, TGA_RGB_BITS = 24;
    const std::string png = testfiles::scratch_dir() + "/deep.png";
    const std::string tga = testfiles::scratch_dir() + "/deep.tga";
    ASSERT_TRUE(save_map_picture(png, picture, problem)) << problem;
    ASSERT_TRUE(save_map_picture(tga, picture, problem)) << problem;
    EXPECT_EQ(testfiles::read_file(png).at(PNG_COLOUR_TYPE_AT), PNG_RGB);
    EXPECT_EQ(testfiles::read_file(tga).at(TGA_PIXEL_BITS_AT), TGA_RGB_BITS);
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
    for (int g = 0; g < 7; ++g)
        add_solid_graphic(map, g);
    add_block_per_graphic(map);
    map.layers[0] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(load(map), "");
    std::string problem;
    BITMAP *picture = render_loaded_map(problem);
    ASSERT_NE(picture, nullptr) << problem;
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
