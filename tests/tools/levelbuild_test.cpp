// The level compiler: names resolved to numbers, pictures to cells, the map as the loader
// reads it back, and the messages for what cannot be resolved, from the library and from the
// levelc program; the girl's start kept through Tiled and back, the warning of a map the game
// cannot play, and the one conversion levelc and the game share.
#include "levelbuild.h"
#include "levelconvert.h"

#include "headless.h"
#include "testfiles.h"
#include "testmaps.h"
#include "tilesheets.h"
#include "toolstest.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr int GRAPHICS = 4;
constexpr int GRAPHIC_PIXELS = 16 * 16;

const char *const source_text = R"(tiles sheet.pcx
names sheet.txt
block . sky   flags=see_through
block # rock  bg=rock flags=solid,ice attr3=7
block / rise  bg=2 fg1=leaf fg2=3 slope=4
anim  w water type=pingpong_forward delay=3 frames=rise,rock,rise
anim  v vine  frames=sky
layer 0
#..w
#/#v
end
layer 1
w...
....
end
)";

// Four graphics, graphic n filled with palette index n, named as the source wants.
TileSheet small_sheet()
{
    TileSheet sheet = solid_sheet(GRAPHICS);
    sheet.names = {{"rock", 1}, {"leaf", 3}};
    return sheet;
}

// Build a source whose head is correct and return the messages, one per line.
std::string mistakes(const std::string &text)
{
    LevelSource source;
    Diagnostics errors;
    EXPECT_TRUE(parse_level_source("f.level", text, source, errors));
    MapFile map;
    build_level(source, small_sheet(), map, errors);
    std::string all;
    for (const Diagnostic &d : errors.list())
        all += d.text() + "\n";
    return all;
}

MapFile built_map()
{
    LevelSource source;
    Diagnostics errors;
    MapFile map;
    EXPECT_TRUE(parse_level_source("f.level", source_text, source, errors));
    EXPECT_TRUE(build_level(source, small_sheet(), map, errors));
    return map;
}

TEST(LevelBuild, NumbersBlocksInLegendOrderAndAnimationsFromOne)
{
    MapFile map = built_map();
    EXPECT_EQ(map.width, 4);
    EXPECT_EQ(map.height, 2);
    EXPECT_EQ(map.maptype, 2);
    EXPECT_EQ(map.numgfx, GRAPHICS);
    EXPECT_EQ(map.gfx.size(), std::size_t(GRAPHICS * GRAPHIC_PIXELS));
    EXPECT_EQ(map.cmap.size(), 768u);

    ASSERT_EQ(map.blocks.size(), 3u);
    EXPECT_EQ(map.blocks[0].gfx_bg, 0);
    EXPECT_EQ(map.blocks[0].flags, 16);
    EXPECT_EQ(map.blocks[1].gfx_bg, 1);
    EXPECT_EQ(map.blocks[1].flags, 1 | 4);
    EXPECT_EQ(map.blocks[1].attr3, 7);
    EXPECT_EQ(map.blocks[2].gfx_bg, 2);
    EXPECT_EQ(map.blocks[2].gfx_fg1, 3);
    EXPECT_EQ(map.blocks[2].gfx_fg2, 3);
    EXPECT_EQ(map.blocks[2].gfx_fg3, 0);
    EXPECT_EQ(map.blocks[2].attr1, 4);

    EXPECT_EQ(map.animseq, (std::vector<std::int32_t>{2, 1, 2, 0}));
    ASSERT_EQ(map.anims.size(), 2u);
    EXPECT_EQ(map.anims[0].type, 5);
    EXPECT_EQ(map.anims[0].delay, 3);
    EXPECT_EQ(map.anims[0].first, 0);
    EXPECT_EQ(map.anims[0].end, 3);
    EXPECT_EQ(map.anims[1].type, 1);
    EXPECT_EQ(map.anims[1].first, 3);
    EXPECT_EQ(map.anims[1].end, 4);

    EXPECT_EQ(map.layers[0], (std::vector<short>{1, 0, 0, -1, 1, 2, 1, -2}));
    EXPECT_EQ(map.layers[1], (std::vector<short>{-1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(map.layers[2].empty());
}

class LevelBuildLoaded : public HeadlessTest {};

TEST_F(LevelBuildLoaded, TheLoaderReadsBackBlocksCellsAndAnimations)
{
    ASSERT_EQ(testmaps::load(built_map()), "");
    EXPECT_EQ(mapwidth, 4);
    EXPECT_EQ(mapheight, 2);
    EXPECT_EQ(mapblockwidth, 16);
    const BlockStr *rise = MapGetBlock(1, 1);
    EXPECT_EQ(rise->attr1, 4);
    EXPECT_EQ(rise->gfx_bg.bitmap, abmTiles[2]);
    EXPECT_EQ(rise->gfx_fg1.bitmap, abmTiles[3]);
    EXPECT_EQ(MapGetBlock(0, 0)->flags, 1 | 4);
    // The first animation starts on its first frame, the block "rise".
    EXPECT_EQ(MapGetBlock(3, 0), rise);
    EXPECT_EQ(getpixel(abmTiles[1], 5, 5), 1);
}

TEST(LevelBuild, ReportsWhatCannotBeResolved)
{
    EXPECT_EQ(mistakes("tiles a\nnames b\nblock . sky bg=stone fg1=4 fg3=leaf\nlayer 0\n..\nend\n"),
              "f.level:3:16: no graphic named \"stone\" in b\n"
              "f.level:3:26: graphic 4 does not exist: the tile sheet has 4 graphics\n");
    EXPECT_EQ(mistakes("tiles a\nnames b\nblock . sky\nanim w w frames=sky,snow\nlayer 0\n.\nend\n"),
              "f.level:4:21: no block named \"snow\" (animation frames are block names)\n");
    EXPECT_EQ(mistakes("tiles a\nnames b\nblock . sky\nlayer 0\n...\n.Q \nQQ.\nend\nlayer 1\n..Q\n...\n...\nend\n"),
              "f.level:6:2: unknown legend character 'Q' (here and in 3 more cells)\n"
              "f.level:6:3: unknown legend character space\n");
}

TEST(LevelCompile, ReadsTheSheetAndNamesBesideTheSource)
{
    toolstest::save_test_sheet(testfiles::scratch_dir() + "/sheet.pcx", 2, 2);
    testfiles::write_scratch("sheet.txt", "# graphics\n1 rock\n\n3 leaf\n");
    std::string path = testfiles::write_scratch("good.level", source_text);
    MapFile map;
    Diagnostics errors;
    ASSERT_TRUE(compile_level(path, map, errors))
        << (errors.empty() ? "" : errors.list().front().text());
    EXPECT_EQ(map.numgfx, GRAPHICS);
    EXPECT_EQ(map.blocks[1].gfx_bg, 1);
    EXPECT_EQ(map.blocks[2].gfx_fg1, 3);
    // Graphic 3: palette index 3 with the corner mark; the palette in 8-bit components.
    EXPECT_EQ(map.gfx[3 * GRAPHIC_PIXELS], toolstest::SHEET_CORNER_COLOUR);
    EXPECT_EQ(map.gfx[3 * GRAPHIC_PIXELS + 1], 3);
    // Entry 10 is (10, 53, 63) in 6 bits: 63 must become 255, not 252.
    EXPECT_EQ(map.cmap[3 * 10 + 0], 40);
    EXPECT_EQ(map.cmap[3 * 10 + 1], 215);
    EXPECT_EQ(map.cmap[3 * 10 + 2], 255);
}

TEST(LevelCompile, NamesTheFileThatCannotBeRead)
{
    headless::install();
    std::string path = testfiles::write_scratch("noart.level",
                                                "tiles missing.pcx\nnames x\nblock . s\nlayer 0\n.\nend\n");
    MapFile map;
    Diagnostics errors;
    EXPECT_FALSE(compile_level(path, map, errors));
    ASSERT_EQ(errors.list().size(), 2u);
    const std::string absent = ": No such file or directory";
    EXPECT_EQ(errors.list()[0].text(), path + ":1:7: cannot open the tile sheet " +
                                           testfiles::scratch_dir() + "/missing.pcx" + absent);
    EXPECT_EQ(errors.list()[1].text(), path + ":2:7: cannot read the tile names " +
                                           testfiles::scratch_dir() + "/x" + absent);

    const std::pair<std::string, std::string> unreadable[] = {
        {testfiles::scratch_dir() + "/absent.level", absent},
        {testfiles::scratch_dir(), ": not a regular file"}};
    for (const auto &[source, reason] : unreadable) {
        Diagnostics none;
        EXPECT_FALSE(compile_level(source, map, none));
        EXPECT_EQ(none.list().at(0).text(), source + ": cannot read the level source" + reason);
    }
}

// The mistakes of the source's form, of the names file and of the names the source uses, all
// in one run, in reading order, and no map file written.
TEST(LevelcProgram, PrintsEveryMistakeOfEveryFileAndWritesNothing)
{
    toolstest::save_test_sheet(testfiles::scratch_dir() + "/sheet.pcx", 2, 2);
    testfiles::write_scratch("sheet.txt", "1 rock\n3\n");
    std::string path = testfiles::write_scratch(
        "broken.level", "tiles sheet.pcx\nnames sheet.txt\nblock . sky bg=sand flags=solid,wet\n"
                        "layer 0\n...\n..\nQ..\nend\n");
    std::string out = testfiles::scratch_dir() + "/broken.fmp";
    toolstest::run_result r = toolstest::run_program(std::string(LEVELC_PROGRAM) + " " + path +
                                                     " " + out);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.standard_error,
              path + ":3:16: no graphic named \"sand\" in sheet.txt\n" +
              path + ":3:33: unknown flag \"wet\" (flags are solid, platform, ice, climbable, "
                     "see_through, stack_next, left_half, right_half)\n" +
              path + ":6:3: ragged row: 2 cells, but the other rows of layer 0 have 3\n" +
              path + ":7:1: unknown legend character 'Q'\n" +
              testfiles::scratch_dir() + "/sheet.txt:2:1: expected \"number name\", not \"3\"\n");
    EXPECT_EQ(r.standard_output, "");
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(LevelcProgram, WritesTheMapFile)
{
    toolstest::save_test_sheet(testfiles::scratch_dir() + "/sheet.pcx", 2, 2);
    testfiles::write_scratch("sheet.txt", "1 rock\n3 leaf\n");
    std::string path = testfiles::write_scratch("cli.level", source_text);
    std::string out = testfiles::scratch_dir() + "/cli.fmp";
    toolstest::run_result r = toolstest::run_program(std::string(LEVELC_PROGRAM) + " " + path +
                                                     " " + out);
    ASSERT_EQ(r.status, 0) << r.output;
    headless::make_screen(8);
    EXPECT_EQ(MapLoad(out.c_str()), 0);
    EXPECT_EQ(mapnumblockstr, 3);
    MapFreeMem();
    headless::drop_screen();

    // The writer's reason when the file cannot be written.
    const std::string nowhere = testfiles::scratch_dir() + "/no/such/folder.fmp";
    r = toolstest::run_program(std::string(LEVELC_PROGRAM) + " " + path + " " + nowhere);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.standard_error,
              nowhere + ": cannot write the map file: No such file or directory\n");
}

// A level of 40 x 20 blocks with a floor, and where she starts on it when it says.
std::string small_level(const std::string &start)
{
    std::string rows = std::string(40, '#') + "\n";
    for (int row = 1; row < 18; ++row)
        rows += "#" + std::string(38, '.') + "#\n";
    rows += std::string(40, '#') + "\n" + std::string(40, '#') + "\n";
    return "tiles sheet.pcx\nnames sheet.txt\n" + start +
           "block . sky flags=see_through\nblock # rock bg=rock flags=solid\nlayer 0\n" + rows +
           "end\n";
}

// The start a level source gives goes into the map file, out to Tiled as a point and back
// through levelc, and mapinspect shows it each time. Without it she would start outside this
// small map: levelc writes the map all the same and says, in the game's words, why the game
// cannot play it.
TEST(LevelcProgram, KeepsTheStartThroughTiledAndWarnsOfAMapTheGameCannotPlay)
{
    toolstest::save_test_sheet(testfiles::scratch_dir() + "/sheet.pcx", 2, 2);
    testfiles::write_scratch("sheet.txt", "1 rock\n");
    const std::string folder = testfiles::scratch_dir() + "/", levelc = LEVELC_PROGRAM;
    const std::string source =
        testfiles::write_scratch("small.level", small_level("start 100 287\n"));
    auto run = [](const std::string &program, const std::string &in, const std::string &out = "") {
        return toolstest::run_program(program + " " + in + (out.empty() ? "" : " " + out));
    };
    toolstest::run_result r = run(levelc, source, folder + "small.fmp");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.standard_error, "") << "the game can play it";
    EXPECT_EQ(run(MAPEXPORT_PROGRAM, folder + "small.fmp", folder + "small.tmx").status, 0);
    EXPECT_NE(testfiles::read_file(folder + "small.tmx").find("name=\"start\" x=\"100\" y=\"288\""),
              std::string::npos)
        << "her feet stand on the line the point marks";
    r = run(levelc, folder + "small.tmx", folder + "back.fmp");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.standard_error, "");
    for (const std::string map : {"small.fmp", "back.fmp"}) {
        r = run(MAPINSPECT_PROGRAM, folder + map);
        EXPECT_EQ(r.standard_error, "") << map;
        EXPECT_NE(r.standard_output.find("\nstart: 100, 287\n"), std::string::npos) << map;
    }
    // The game converts both kinds of level as levelc does, and learns every file read.
    const std::pair<std::string, std::vector<std::string>> inputs[] = {
        {source, {source, folder + "sheet.pcx", folder + "sheet.txt"}},
        {folder + "small.tmx", {folder + "small.tmx", folder + "small.tsx", folder + "small.png"}}};
    for (const auto &[level, files] : inputs) {
        std::vector<std::string> read;
        const InputReader noting = [&read](const std::string &path, std::uint64_t limit,
                                           std::string &bytes, std::string &problem) {
            read.push_back(path);
            return read_input_file(path, limit, bytes, problem);
        };
        MapFile map;
        Diagnostics errors;
        std::vector<Diagnostic> warnings;
        EXPECT_TRUE(is_level_to_convert(level));
        EXPECT_TRUE(convert_level(level, noting, map, errors, warnings)) << level;
        EXPECT_EQ(read, files);
        EXPECT_EQ(map.extra_chunks.at(0).data, start_chunk({100, 287}, map.lsb).data) << level;
    }
    EXPECT_FALSE(is_level_to_convert(folder + "small.fmp"));

    const std::string unplayable = folder + "unplayable.fmp";
    r = run(levelc, testfiles::write_scratch("nostart.level", small_level("")), unplayable);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.standard_error, "levelc: warning: the game cannot play " + unplayable +
                                    ": the girl's start position (1350, 447) is outside the map "
                                    "of 640 x 320 pixels\n");
    EXPECT_TRUE(std::filesystem::exists(unplayable));
}

} // namespace
