// The level source reader: what a correct source becomes, and the place and wording of the
// message for each kind of mistake.
#include "levelsource.h"

#include <gtest/gtest.h>

namespace {

const char *const good_source = R"(# a small level
tiles sheet.pcx
names sheet.txt   # names of the graphics
maptype 1

block . sky   bg=0 flags=see_through
block # rock  bg=rock flags=solid,ice
block / rise  bg=2 fg2=leaf flags=see_through,climbable slope=4 attr2=-7 attr3=65535 attr7=255
anim  w water type=pingpong_forward delay=3 user=9 frames=sky,rock,sky

layer 0
#..w
#/##
end
layer 3
....
.../
end
start 40 -15
)";

// Parse and return the messages, one per line.
std::string mistakes(const std::string &text)
{
    LevelSource source;
    Diagnostics errors;
    parse_level_source("f.level", text, source, errors);
    std::string all;
    for (const Diagnostic &d : errors.list())
        all += d.text() + "\n";
    return all;
}

// A correct head for sources whose later lines hold the mistake under test.
std::string with_head(const std::string &rest)
{
    return "tiles a.pcx\nnames a.txt\nblock . sky\n" + rest;
}

TEST(LevelSource, ReadsDirectivesLegendAndPictures)
{
    LevelSource source;
    Diagnostics errors;
    ASSERT_TRUE(parse_level_source("f.level", good_source, source, errors));
    EXPECT_EQ(source.tiles.text, "sheet.pcx");
    EXPECT_EQ(source.names.text, "sheet.txt");
    EXPECT_EQ(source.maptype, 1);
    ASSERT_TRUE(source.start.has_value());
    EXPECT_EQ(source.start->x, 40);
    EXPECT_EQ(source.start->y, -15) << "whether she can start there is the game's check";

    ASSERT_EQ(source.blocks.size(), 3u);
    const BlockDef &rise = source.blocks[2];
    EXPECT_EQ(rise.symbol, '/');
    EXPECT_EQ(rise.name, "rise");
    EXPECT_EQ(rise.bg.text, "2");
    EXPECT_EQ(rise.fg2.text, "leaf");
    EXPECT_TRUE(rise.fg1.text.empty());
    EXPECT_EQ(rise.flags, 16 | 8);
    EXPECT_EQ(rise.attributes, (BlockAttributes{4, -7, 65535, 0, 0, 0, 255}));
    EXPECT_EQ(source.blocks[1].flags, 1 | 4);

    ASSERT_EQ(source.anims.size(), 1u);
    const AnimDef &water = source.anims[0];
    EXPECT_EQ(water.symbol, 'w');
    EXPECT_EQ(water.type, 5);
    EXPECT_EQ(water.delay, 3);
    EXPECT_EQ(water.user, 9);
    ASSERT_EQ(water.frames.size(), 3u);
    EXPECT_EQ(water.frames[1].text, "rock");
    EXPECT_EQ(water.frames[1].pos.line, 9);
    EXPECT_EQ(water.frames[1].pos.column, 63);

    ASSERT_EQ(source.layers.size(), 2u);
    EXPECT_EQ(source.layers[0].rows, (std::vector<std::string>{"#..w", "#/##"}));
    EXPECT_EQ(source.layers[0].row_lines, (std::vector<int>{12, 13}));
    EXPECT_EQ(source.layers[1].number, 3);
}

TEST(LevelSource, AcceptsWindowsLineEndsAndNumericAnimationTypes)
{
    LevelSource source;
    Diagnostics errors;
    ASSERT_TRUE(parse_level_source(
        "f.level", "tiles a\r\nnames b\r\nblock . e\r\nanim a f type=4 frames=e\r\nlayer 0\r\n..\r\nend\r\n",
        source, errors));
    EXPECT_EQ(source.layers[0].rows.front(), "..");
    EXPECT_EQ(source.anims[0].type, 4);
}

TEST(LevelSource, NamesEveryMistakeWithLineAndColumn)
{
    EXPECT_EQ(mistakes(with_head("block # rock flags=solid,sticky\nlayer 0\n.\nend\n")),
                       "f.level:4:26: unknown flag \"sticky\" (flags are solid, platform, ice, "
                       "climbable, see_through, stack_next, left_half, right_half)\n");
    EXPECT_EQ(mistakes(with_head("block # rock slope=6\nlayer 0\n.\nend\n")),
              "f.level:4:20: 6 is out of range 0 to 5\n");
    EXPECT_EQ(mistakes(with_head("block # rock attr5=x1\nlayer 0\n.\nend\n")),
              "f.level:4:20: \"x1\" is not a number\n");
    EXPECT_EQ(mistakes(with_head("block # rock colour=3\nlayer 0\n.\nend\n")),
              "f.level:4:14: unknown block setting \"colour\" (expected bg, fg1, fg2, fg3, "
              "flags, slope or attr1 to attr7)\n");
    EXPECT_EQ(mistakes(with_head("blok # rock\nlayer 0\n.\nend\n")),
              "f.level:4:1: unknown directive \"blok\" (expected tiles, names, maptype, start, "
              "block, anim or layer)\n");
    EXPECT_EQ(mistakes(with_head("block ## rock\nlayer 0\n.\nend\n")),
              "f.level:4:7: a legend symbol is one character, not \"##\"\n");
    EXPECT_EQ(mistakes(with_head("block . stone\nlayer 0\n.\nend\n")),
              "f.level:4:7: the legend symbol '.' is defined twice\n");
    EXPECT_EQ(mistakes(with_head("block # sky\nlayer 0\n.\nend\n")),
              "f.level:4:9: the name \"sky\" is defined twice\n");
    EXPECT_EQ(mistakes(with_head("block # rock slope=1 attr1=2\nlayer 0\n.\nend\n")),
              "f.level:4:22: \"attr1\" is set twice for block \"rock\" (slope and attr1 are "
              "the same attribute)\n");
    EXPECT_EQ(mistakes(with_head("block # rock bg\nlayer 0\n.\nend\n")),
              "f.level:4:14: expected key=value, not \"bg\"\n");
    EXPECT_EQ(mistakes(with_head("anim w water type=spin frames=sky\nlayer 0\n.\nend\n")),
              "f.level:4:19: unknown animation type \"spin\" (types are none, loop_forward, "
              "loop_reverse, once, once_hold, pingpong_forward, pingpong_reverse, "
              "pingpong_reverse_returning, pingpong_forward_returning, once_finished)\n");
    EXPECT_EQ(mistakes(with_head("anim w water delay=300\nlayer 0\n.\nend\n")),
              "f.level:4:20: 300 is out of range 0 to 255\n"
              "f.level:4:6: animation \"water\" has no frames=\n");
    EXPECT_EQ(mistakes(with_head("anim w water frames=sky,,sky\nlayer 0\n.\nend\n")),
              "f.level:4:25: an empty frame name in the frames list\n");
    EXPECT_EQ(mistakes(with_head("maptype 4\nlayer 0\n.\nend\n")),
              "f.level:4:9: 4 is out of range 0 to 3\n");
    EXPECT_EQ(mistakes(with_head("start 10\nlayer 0\n.\nend\n")),
              "f.level:4:1: \"start\" takes two numbers, x and y: the map pixel of her feet\n");
    EXPECT_EQ(mistakes(with_head("start 1e3 2147483648\nlayer 0\n.\nend\n")),
              "f.level:4:7: \"1e3\" is not a number\n"
              "f.level:4:11: 2147483648 is out of range -2147483648 to 2147483647\n");
    EXPECT_EQ(mistakes(with_head("start 1 2\nlayer 0\n.\nend\nstart 3 4\n")),
              "f.level:8:1: a second \"start\" line (the first is line 4)\n");
}

TEST(LevelSource, ReportsRaggedAndUnfinishedPictures)
{
    EXPECT_EQ(mistakes(with_head("layer 0\n....\n...\n.....\n....\nend\n")),
              "f.level:6:4: ragged row: 3 cells, but the other rows of layer 0 have 4\n"
              "f.level:7:5: ragged row: 5 cells, but the other rows of layer 0 have 4\n");
    // The width is the one most rows have: a short first row is the one mistake.
    EXPECT_EQ(mistakes(with_head("layer 0\n...\n....\n....\nend\n")),
              "f.level:5:4: ragged row: 3 cells, but the other rows of layer 0 have 4\n");
    EXPECT_EQ(mistakes(with_head("layer 0\n....\n")),
              "f.level:4:1: layer 0 has no \"end\" line after its picture\n");
    EXPECT_EQ(mistakes(with_head("layer 0\nend\n")), "f.level:4:1: layer 0 has no rows\n");
    EXPECT_EQ(mistakes(with_head("layer 0\n..\nend\nlayer 2\n...\nend\n")),
              "f.level:7:1: layer 2 is 3 x 1 cells, layer 0 is 2 x 1\n");
    EXPECT_EQ(mistakes(with_head("layer 0\n..\nend\nlayer 0\n..\nend\n")),
              "f.level:7:7: layer 0 is drawn twice\n");
    EXPECT_EQ(mistakes(with_head("layer 0\n.\nend\nlayer 8\n")),
              "f.level:7:7: 8 is out of range 0 to 7\n");
}

TEST(LevelSource, NeedsTheArtAndLayerZero)
{
    EXPECT_EQ(mistakes("block . sky\nlayer 1\n.\nend\n"),
              "f.level:1:1: no \"tiles\" line names the tile sheet\n"
              "f.level:1:1: no \"names\" line names the tile names file\n"
              "f.level:1:1: no \"layer 0\": the level itself is layer 0\n");
}

// One message for one mistake: the picture after a wrong layer line is passed over up to its
// end line, a forgotten end line is noticed at the next directive, and the symbol of a faulty
// legend line counts as defined.
TEST(LevelSource, ReportsEachMistakeOnce)
{
    const std::string text =
        with_head("layr 0\n..\n..\nend\nlayer 0\n..\nblock # rock slope=9\nlayer 9\n..\nend\n"
                  "end\nblok x y\nlayer 1\n.#\nend\n");
    const std::string expected_directives =
        " (expected tiles, names, maptype, start, block, anim or layer)\n";
    EXPECT_EQ(mistakes(text), "f.level:4:1: unknown directive \"layr\"" + expected_directives +
                                  "f.level:8:1: layer 0 has no \"end\" line before the directive "
                                  "on line 10\n"
                                  "f.level:10:20: 9 is out of range 0 to 5\n"
                                  "f.level:11:7: 9 is out of range 0 to 7\n"
                                  "f.level:14:1: an \"end\" line without a picture\n"
                                  "f.level:15:1: unknown directive \"blok\"" +
                                  expected_directives);
    LevelSource source;
    Diagnostics errors;
    parse_level_source("f.level", text, source, errors);
    EXPECT_EQ(source.symbols, (std::set<char>{'.', '#'}));
}

} // namespace
