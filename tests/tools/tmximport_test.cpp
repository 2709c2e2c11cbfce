// The Tiled map importer on maps held in memory: what block records, graphics, animations and
// the header become, a clear message with its place for every kind of bad input, and hostile
// maps refused at the budgets of an import, scaled down.
#include "tmximport.h"

#include "headless.h"
#include "levelcheck.h"
#include "testfiles.h"
#include "wallstuff.h"

#include <gtest/gtest.h>
#include <loadpng.h>

#include <functional>
#include <map>

namespace {

constexpr int TILE = 8;

// Files by name, as the importer reads them.
using MemoryFiles = std::map<std::string, std::string>;

std::string png_bytes(BITMAP *bitmap, const RGB *palette)
{
    const std::string path = testfiles::scratch_dir() + "/memory.png";
    EXPECT_EQ(save_png(path.c_str(), bitmap, palette), 0);
    return testfiles::read_file(path);
}

// Four 8 x 8 tiles side by side: red, green, blue, yellow; the green one has a transparent and
// a half-transparent pixel in its top row, so that it differs from its mirror image.
std::string four_tile_sheet()
{
    headless::install();
    BITMAP *sheet = create_bitmap_ex(32, 4 * TILE, TILE);
    const int colours[4] = {makeacol32(255, 0, 0, 255), makeacol32(0, 255, 0, 255),
                            makeacol32(0, 0, 255, 255), makeacol32(255, 255, 0, 255)};
    for (int t = 0; t < 4; ++t)
        rectfill(sheet, t * TILE, 0, t * TILE + TILE - 1, TILE - 1, colours[t]);
    putpixel(sheet, TILE, 0, makeacol32(0, 255, 0, 0));
    putpixel(sheet, TILE + 1, 0, makeacol32(0, 255, 0, 100));
    std::string bytes = png_bytes(sheet, nullptr);
    destroy_bitmap(sheet);
    return bytes;
}

struct Import {
    bool ok = false;
    MapFile map;
    Diagnostics errors;
    std::vector<Diagnostic> warnings;
    std::map<std::string, int> reads; // of each file

    std::string messages() const
    {
        std::string all;
        for (const Diagnostic &d : errors.list())
            all += d.text() + "\n";
        return all;
    }
};

Import import(MemoryFiles &files, const std::string &tmx, TmxOptions options = TmxOptions())
{
    files["map.tmx"] = tmx;
    Import result;
    options.read = [&files, &result](const std::string &path, std::uint64_t, std::string &bytes,
                                     std::string &problem) {
        ++result.reads[path];
        const auto found = files.find(path);
        if (found == files.end()) {
            problem = "no such file";
            return false;
        }
        bytes = found->second;
        return true;
    };
    result.ok = import_tiled_map("map.tmx", options, result.map, result.errors, result.warnings);
    return result;
}

// True-colour pixel (x, y) of a graphic.
std::array<int, 3> rgb(const MapFile &map, int graphic, int x, int y)
{
    const std::size_t at =
        ((static_cast<std::size_t>(graphic) * map.blockheight + y) * map.blockwidth + x) * 3;
    return {map.gfx[at], map.gfx[at + 1], map.gfx[at + 2]};
}

const std::array<int, 3> MASK{255, 0, 255};

// Tile 0 solid with attribute 3; tile 1 a platform, see-through switched off; tile 2 animated
// 100 ms on tile 0, 50 ms on tile 1; tile 3 animated there and back over tiles 0, 1, 2.
const char *const PROPERTIES_MAP = R"(<?xml version="1.0" encoding="UTF-8"?>
<map version="1.8" orientation="orthogonal" width="2" height="2" tilewidth="8" tileheight="8">
 <properties><property name="music" value="song.ogg"/></properties>
 <tileset firstgid="1" name="t" tilewidth="8" tileheight="8">
  <image source="t.png" width="32" height="8"/>
  <tile id="0"><properties><property name="solid" type="bool" value="true"/>
   <property name="user3" type="int" value="7"/><property name="door" value="x"/></properties></tile>
  <tile id="1"><properties><property name="platform" type="bool" value="true"/>
   <property name="see_through" type="bool" value="false"/></properties></tile>
  <tile id="2"><animation><frame tileid="0" duration="100"/><frame tileid="1" duration="50"/></animation></tile>
  <tile id="3"><animation><frame tileid="0" duration="50"/><frame tileid="1" duration="50"/>
   <frame tileid="2" duration="50"/><frame tileid="1" duration="50"/></animation></tile>
 </tileset>
 <layer name="ground" width="2" height="2"><data encoding="csv">1,2,3,0</data></layer>
 <layer name="front" width="2" height="2" opacity="0.5"><data encoding="csv">2147483650,0,0,4</data></layer>
 <objectgroup name="things"/>
</map>
)";

TEST(TmxImport, TilesBecomeBlockRecordsGraphicsAndAnimations)
{
    MemoryFiles files;
    files["t.png"] = four_tile_sheet();
    const Import r = import(files, PROPERTIES_MAP);
    ASSERT_TRUE(r.ok) << r.messages();
    const MapFile &m = r.map;
    EXPECT_EQ(m.depth, 24);
    // Graphics: blank, red, green, blue, then the mirrored green (tile 3 only animates).
    ASSERT_EQ(m.numgfx, 5);
    EXPECT_EQ(rgb(m, 0, 3, 3), MASK);
    EXPECT_EQ(rgb(m, 2, 0, 0), MASK) << "alpha 0 is transparent";
    EXPECT_EQ(rgb(m, 2, 1, 0), MASK) << "alpha below one half is transparent";
    EXPECT_EQ(rgb(m, 4, TILE - 1, 0), MASK) << "the flipped copy";
    EXPECT_EQ(rgb(m, 4, 0, 0), (std::array<int, 3>{0, 255, 0}));

    // Block 0 is the empty cell's, which this map lacks, so that a cell erased to 0 is empty;
    // the others are numbered as cells first show them.
    ASSERT_EQ(m.blocks.size(), 8u);
    const MapFileBlock &empty = m.blocks[0], &both = m.blocks[1], &platform = m.blocks[2];
    EXPECT_EQ(empty.gfx_bg, 0);
    EXPECT_EQ(empty.gfx_fg1, 0);
    EXPECT_EQ(empty.flags, BLOCK_SEE_THROUGH);
    EXPECT_EQ(both.gfx_bg, 1);
    EXPECT_EQ(both.gfx_fg1, 4);
    EXPECT_EQ(both.flags, BLOCK_SOLID | BLOCK_PLATFORM) << "flags of all layers; see-through off";
    EXPECT_EQ(both.attr3, 7);
    EXPECT_EQ(platform.gfx_bg, 2);
    EXPECT_EQ(platform.flags, BLOCK_PLATFORM) << "see_through=false beats the transparent pixel";

    // 100 ms and 50 ms are 4 and 2 updates: a delay of 1 with the first frame twice; the
    // frames' records take no properties from the tiles they show.
    ASSERT_EQ(m.anims.size(), 2u);
    const MapFileAnim &uneven = m.anims[0], &pingpong = m.anims[1];
    EXPECT_EQ(uneven.type, anim_loop_forward);
    EXPECT_EQ(uneven.delay, 1);
    const std::vector<std::int32_t> uneven_frames(m.animseq.begin() + uneven.first,
                                                  m.animseq.begin() + uneven.end);
    ASSERT_EQ(uneven_frames.size(), 3u);
    EXPECT_EQ(uneven_frames[0], uneven_frames[1]);
    EXPECT_EQ(m.blocks[uneven_frames[0]].gfx_bg, 1);
    EXPECT_EQ(m.blocks[uneven_frames[0]].flags, 0);
    EXPECT_EQ(m.blocks[uneven_frames[2]].gfx_bg, 2);
    EXPECT_EQ(m.blocks[uneven_frames[2]].flags, BLOCK_SEE_THROUGH);
    const MapFileBlock &blue_in_front = m.blocks[m.animseq[pingpong.first + 2]];
    EXPECT_EQ(blue_in_front.gfx_bg, 0) << "no background: graphic 0, blank";
    EXPECT_EQ(blue_in_front.gfx_fg1, 3);
    EXPECT_EQ(blue_in_front.flags, BLOCK_SEE_THROUGH);
    EXPECT_EQ(m.layers[0], (std::vector<short>{1, 2, -1, -2}));

    std::vector<std::string> warnings;
    for (const Diagnostic &w : r.warnings)
        warnings.push_back(w.text());
    EXPECT_EQ(warnings, (std::vector<std::string>{
                            "map.tmx:3:2: warning: map properties left out",
                            "map.tmx:15:2: warning: layer \"front\": opacity 0.5 left out",
                            "map.tmx:16:2: warning: object layer \"things\" left out",
                            "map.tmx:4:2: warning: tileset \"t\": tile properties door left out",
                        }));
}

// Two 8 x 8 tiles in an 8-bit sheet whose colour key is palette entry 5; taller than the 8 x 4
// cells of a staggered map, infinite, whose chunks' bounding box starts on an odd row.
TEST(TmxImport, PaletteTilesetsStaggeredRowsAndChunks)
{
    headless::install();
    BITMAP *sheet = create_bitmap_ex(8, 2 * TILE, TILE);
    clear_to_color(sheet, 5);
    rectfill(sheet, 0, 4, TILE - 1, TILE - 1, 9);
    rectfill(sheet, TILE, 4, 2 * TILE - 1, TILE - 1, 11);
    PALETTE palette;
    for (int i = 0; i < PAL_SIZE; ++i)
        palette[i] = RGB{static_cast<unsigned char>(i % 64), 10, 20, 0};
    palette[5] = RGB{63, 0, 63, 0};
    MemoryFiles files;
    files["p.png"] = png_bytes(sheet, palette);
    destroy_bitmap(sheet);
    const Import r = import(files, R"(<?xml version="1.0"?>
<map orientation="staggered" staggeraxis="y" staggerindex="even" width="1" height="1"
     tilewidth="8" tileheight="4" infinite="1">
 <tileset firstgid="1" name="p" tilewidth="8" tileheight="8"><image source="p.png" trans="ff00ff"/></tileset>
 <layer name="ground" width="1" height="1"><data encoding="csv">
  <chunk x="-2" y="-1" width="2" height="2">1,0,0,2</chunk>
  <chunk x="1" y="1" width="1" height="1">2</chunk>
 </data></layer>
 <group offsetx="3"><objectgroup offsety="2">
  <object name="start" x="10.4" y="5.6"/></objectgroup></group>
</map>
)");
    ASSERT_TRUE(r.ok) << r.messages();
    const MapFile &m = r.map;
    EXPECT_EQ(m.depth, 8);
    ASSERT_EQ(m.cmap.size(), 768u);
    EXPECT_EQ(m.cmap[9 * 3], (9 << 2) | (9 >> 4));
    EXPECT_EQ(m.width, 4);
    EXPECT_EQ(m.height, 3);
    EXPECT_EQ(m.layers[0], (std::vector<short>{1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 2}));
    EXPECT_EQ(m.staggerx, 4) << "the odd first row swaps the stagger index back to odd";
    // The image reaches 4 pixels above the cell: 4 below are added, the cell stays centred.
    EXPECT_EQ(m.blockheight, 12);
    const std::size_t graphic = static_cast<std::size_t>(m.blockwidth) * m.blockheight;
    EXPECT_EQ(m.gfx[graphic + 3 * 8], 0) << "the colour key is index 0";
    EXPECT_EQ(m.gfx[graphic + 5 * 8], 9);
    EXPECT_EQ(m.gfx[graphic + 9 * 8], 0) << "below the image";
    // Where Tiled shows the start, moved by its layer and group, from the chunks' first cell
    // (-2, -1); her feet on the pixel row above the point.
    ASSERT_EQ(m.extra_chunks.size(), 1u);
    EXPECT_EQ(m.extra_chunks[0].data, start_chunk({13 + 2 * 8, 8 - 1 + 1 * 4}, m.lsb).data);
}

// One small map; each case changes one piece of it and names the place the message points at.
const char *const GOOD_MAP = R"(<?xml version="1.0" encoding="UTF-8"?>
<map version="1.8" orientation="orthogonal" width="2" height="2" tilewidth="8" tileheight="8">
 <tileset firstgid="1" name="t" tilewidth="8" tileheight="8"><image source="t.png"/></tileset>
 <layer name="ground" width="2" height="2">
  <data encoding="csv">1,2,3,4</data>
 </layer>
</map>
)";

// Replace this text of the good map with that, and the message must begin so.
struct BadCase {
    std::string replace, with, message;
};

std::string replaced(std::string text, const std::string &what, const std::string &with)
{
    const std::size_t at = text.find(what);
    EXPECT_NE(at, std::string::npos) << what;
    return at == std::string::npos ? text : text.replace(at, what.size(), with);
}

TEST(TmxImport, RefusesBadInputNamingTheFileAndThePlace)
{
    MemoryFiles files;
    files["t.png"] = four_tile_sheet();
    files["cut.png"] = files["t.png"].substr(0, 60);
    files["text.png"] = "not an image";
    files["set.tsx"] = "<map/>";
    ASSERT_TRUE(import(files, GOOD_MAP).ok);
    const std::string data = "<data encoding=\"csv\">1,2,3,4</data>";
    const BadCase cases[] = {
        {" </layer>\n", "", "map.tmx:6:3: malformed XML: Start-end tags mismatch"},
        {"", "<?xml version=\"1.0\"?>\n<world/>",
         "map.tmx:2:1: not a Tiled map: the root element is <world>"},
        {"\"csv\"", "\"hex\"", "map.tmx:5:3: layer \"ground\": unknown encoding \"hex\""},
        {data, "<data encoding=\"base64\" compression=\"lzma\">AQAAAA==</data>",
         "map.tmx:5:3: layer \"ground\": unknown compression \"lzma\""},
        {data, "<data encoding=\"base64\">AQAAAAIAAAADAAAABAAAA</data>",
         "map.tmx:5:3: layer \"ground\": truncated base64"},
        {data, "<data encoding=\"base64\" compression=\"zlib\">AQAAAAIAAAA=</data>",
         "map.tmx:5:3: layer \"ground\": broken zlib stream"},
        {data, "<data encoding=\"base64\" compression=\"gzip\">H4sIAAAAAAAA</data>",
         "map.tmx:5:3: layer \"ground\": broken gzip stream"},
        {data, "<data encoding=\"base64\" compression=\"zstd\">KLUv/f////8=</data>",
         "map.tmx:5:3: layer \"ground\": broken zstd stream"},
        {"1,2,3,4", "1,2,3",
         "map.tmx:5:3: layer \"ground\": the data holds 3 cells, the layer has 4 cells"},
        {"1,2,3,4", "1,2,3,9",
         "map.tmx:4:2: layer \"ground\", cell (1, 1): tile 9 is in no tileset"},
        {"t.png", "none.png", "map.tmx:3:62: cannot read the tileset image \"none.png\""},
        {"t.png", "text.png", "map.tmx:3:62: the tileset image \"text.png\" is not a PNG"},
        {"t.png", "cut.png", "map.tmx:3:62: the tileset image \"cut.png\" cannot be decoded"},
        {"tileheight=\"8\"><", "tileheight=\"9\"><",
         "map.tmx:3:2: the 32 x 8 image \"t.png\" holds no whole 8 x 9 tile"},
        {"name=\"t\"", "name=\"t\" tilecount=\"5\"",
         "map.tmx:3:2: the tileset has 5 tiles, but the 32 x 8 image \"t.png\" holds only 4"},
        {"width=\"2\" height=\"2\" t", "width=\"30000\" height=\"30000\" t",
         "map.tmx:2:1: the map is 30000 x 30000 cells, more than 16777216"},
        {"width=\"2\" height=\"2\" t", "width=\"40000\" height=\"2\" t",
         "map.tmx:2:1: <map> attribute width is 40000, out of range 1 to 32767"},
        {"name=\"t\" tilewidth=\"8\" tileheight=\"8\"><image source=\"t.png\"/></tileset>",
         "source=\"set.tsx\"/>", "set.tsx:1:1: not a Tiled tileset: the root element is <map>"},
        {"</map>", "<objectgroup><object name=\"start\" x=\"1\" y=\"2\"/></objectgroup>\n"
                   "<group><objectgroup><object name=\"start\"/></objectgroup></group></map>",
         "map.tmx:8:21: a second object named \"start\": the first is at line 7, column 14"},
        {"</map>", "<objectgroup><object name=\"start\" x=\"1px\"/></objectgroup></map>",
         "map.tmx:7:14: <object> attribute x is \"1px\", not a number"},
    };
    for (const BadCase &c : cases) {
        SCOPED_TRACE(c.message);
        const Import r =
            import(files, c.replace.empty() ? c.with : replaced(GOOD_MAP, c.replace, c.with));
        EXPECT_FALSE(r.ok);
        ASSERT_EQ(r.errors.list().size(), 1u) << r.messages();
        EXPECT_EQ(r.messages().rfind(c.message, 0), 0u) << r.messages();
    }
}

// A map of 8 x 8 tiles, 2 x 1 cells, with these tilesets and layers; its layer of these cells.
std::string small_map(const std::string &tilesets, const std::string &layers,
                      const std::string &attributes = "")
{
    return "<?xml version=\"1.0\"?>\n<map width=\"2\" height=\"1\" tilewidth=\"8\" "
           "tileheight=\"8\"" +
           attributes + ">\n" + tilesets + "\n" + layers + "\n</map>\n";
}

std::string ground(const std::string &cells)
{
    return " <layer name=\"ground\" width=\"2\" height=\"1\"><data encoding=\"csv\">" + cells +
           "</data></layer>";
}

// Tiles 2 and 3 show tiles 0 and 1 in turn for 100 and 50 ms, 6 update steps.
const char *const TILES_TSX = R"(<tileset name="s" tilewidth="8" tileheight="8">
 <image source="t.png"/>
 <tile id="2"><animation><frame tileid="0" duration="100"/><frame tileid="1" duration="50"/></animation></tile>
 <tile id="3"><animation><frame tileid="0" duration="100"/><frame tileid="1" duration="50"/></animation></tile>
</tileset>)";

// Images and tileset files named again are read and decoded once, and cells whose tiles differ
// but animate alike share an animation worked out once: the budgets here hold one of each.
TEST(TmxImport, SharedImagesTilesetsAndAnimationsAreWorkedOutOnce)
{
    MemoryFiles files;
    files["t.png"] = four_tile_sheet();
    files["s.tsx"] = TILES_TSX;
    const std::string tilesets = R"( <tileset firstgid="1" source="s.tsx"/>
 <tileset firstgid="5" source="s.tsx"/>
 <tileset firstgid="9" name="own" tilewidth="8" tileheight="8">
  <tile id="0"><image source="t.png"/></tile><tile id="1"><image source="./t.png"/></tile>
 </tileset>)";
    TmxOptions budgets;
    budgets.max_decoded_pixels = 4 * TILE * TILE;
    budgets.max_animation_steps = 6;
    const Import r = import(files, small_map(tilesets, ground("3,8")), budgets);
    ASSERT_TRUE(r.ok) << r.messages();
    EXPECT_EQ(r.reads.at("t.png"), 1);
    EXPECT_EQ(r.reads.count("./t.png"), 0u) << "the same file by another name";
    EXPECT_EQ(r.reads.at("s.tsx"), 1);
    EXPECT_EQ(r.map.anims.size(), 1u);
    EXPECT_EQ(r.map.layers[0], (std::vector<short>{-1, -1}));

    const Import own = import(files, small_map(tilesets, ground("9,10")), budgets);
    ASSERT_TRUE(own.ok) << own.messages();
    EXPECT_EQ(own.map.layers[0], (std::vector<short>{1, 1}));
}

// Each hostile map, small, against budgets scaled to it; the message names the numbers.
struct BudgetCase {
    std::string map;
    std::function<void(TmxOptions &)> budget;
    std::string message;
};

TEST(TmxImport, HostileMapsAreRefusedAtTheBudgetsOfAnImport)
{
    MemoryFiles files;
    files["t.png"] = four_tile_sheet();
    files["u.png"] = files["t.png"];
    files["s.tsx"] = TILES_TSX;
    // Tile 2 animates over 6 update steps, tile 3 over 4.
    const std::string sheet =
        R"( <tileset firstgid="1" name="t" tilewidth="8" tileheight="8"><image source="t.png"/>
  <tile id="2"><animation><frame tileid="0" duration="100"/><frame tileid="1" duration="50"/></animation></tile>
  <tile id="3"><animation><frame tileid="0" duration="50"/><frame tileid="3" duration="50"/></animation></tile>
 </tileset>)";
    std::string nested;
    for (int i = 0; i < 100; ++i)
        nested += "<group>";
    nested += ground("1,1");
    for (int i = 0; i < 100; ++i)
        nested += "</group>";
    const std::string whole_file =
        testfiles::read_file(ORVIA_SOURCE_DIR "/tests/fuzz/corpus/tmx/whole_file.tmx.gz");
    const std::string chunk = R"(  <chunk x="0" y="0" width="2" height="2">1,1,1,1</chunk>)";
    const auto none = [](TmxOptions &) {};
    const BudgetCase cases[] = {
        // A frame of the last tile would add up past 28 bits, into the flip bits.
        {small_map(R"( <tileset firstgid="268435455" name="b" tilewidth="8" tileheight="8">
  <image source="t.png"/>
  <tile id="0"><animation><frame tileid="3" duration="100"/></animation></tile></tileset>)",
                   ground("268435455,0")),
         none,
         "map.tmx:3:2: the ids of tileset \"b\" (268435455 to 268435458) pass the largest tile "
         "id, 268435455"},
        {small_map(sheet, nested), none, "map.tmx:7:449: groups nested more than 64 deep"},
        {small_map(sheet, " <objectgroup name=\"things\"/>"), none,
         "map.tmx:2:1: the map has no tile layer: there is nothing to convert"},
        {small_map(" <tileset firstgid=\"1\" source=\"s.tsx\"/>\n <tileset firstgid=\"9\" "
                   "name=\"own\" tilewidth=\"8\" tileheight=\"8\"><tile id=\"0\"><image "
                   "source=\"u.png\"/></tile></tileset>",
                   ground("1,9")),
         [](TmxOptions &o) { o.max_decoded_pixels = 300; },
         "map.tmx:4:77: the tileset image \"u.png\" is 32 x 8 pixels, with the 256 pixels of the "
         "images before it, more than the 300 decoded pixels of an import"},
        {small_map(sheet,
                   " <layer name=\"ground\"><data encoding=\"csv\">\n" + chunk + "\n" + chunk +
                       "\n" + chunk + "\n </data></layer>",
                   " infinite=\"1\""),
         [](TmxOptions &o) { o.max_chunk_cells = 8; },
         "map.tmx:10:3: the chunks come to 12 cells here, more than the 8 chunk cells of an "
         "import"},
        // A gzipped map is unpacked within its budget, and counted before its tree is built.
        {whole_file, [](TmxOptions &o) { o.max_file_bytes = 300; },
         "map.tmx: unpacks to more than 300 bytes"},
        {whole_file, [](TmxOptions &o) { o.max_xml_nodes = 20; },
         "map.tmx:4:30: more than the 20 XML elements, attributes and texts of an import"},
        {small_map(" <tileset firstgid=\"1\" source=\"s.tsx\"/>\n <tileset firstgid=\"5\" "
                   "source=\"s.tsx\"/>",
                   ground("1,5")),
         [](TmxOptions &o) { o.max_xml_nodes = 60; },
         "map.tmx:4:2: more than the 60 XML elements, attributes and texts of an import, "
         "\"s.tsx\" counted again"},
        {small_map(sheet, ground("3,4")), [](TmxOptions &o) { o.max_animation_steps = 8; },
         "map.tmx:7:2: layer \"ground\", cell (1, 0): turning the tile animations into block "
         "animations takes 10 update steps here, more than the 8 update steps of an import"},
        {small_map(sheet, ground("1,2")), [](TmxOptions &o) { o.max_tiles = 1; },
         "map.tmx:7:2: layer \"ground\", cell (1, 0): more than the 1 different tiles of an "
         "import (flips counted)"},
        // The empty cell is one combination, always there.
        {small_map(sheet, ground("1,2")), [](TmxOptions &o) { o.max_tile_combinations = 2; },
         "map.tmx:7:2: layer \"ground\", cell (1, 0): more than the 2 different combinations of "
         "tiles in cells of an import"},
    };
    for (const BudgetCase &c : cases) {
        SCOPED_TRACE(c.message);
        TmxOptions budgets;
        c.budget(budgets);
        const Import r = import(files, c.map, budgets);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.messages(), c.message + "\n");
    }
}

} // namespace
