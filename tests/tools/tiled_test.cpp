// Tiled itself as the reference: its example maps and two maps made here (every flip, four
// layers, a tile with an image of its own, staggered rows with the even ones shifted), converted
// by levelc and drawn by maprender, look as tmxrasterizer draws them and come back the same
// through mapexport; maps Tiled writes in every layer data encoding convert to the same map
// file; the game's level goes to Tiled through mapexport and comes back through levelc unchanged.
#include "colour.h"
#include "headless.h"
#include "maplib.h"
#include "tmxdata.h"
#include "tmximport.h"
#include "testfiles.h"
#include "toolstest.h"

#include <gtest/gtest.h>
#include <loadpng.h>
#include <pugixml.hpp>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

const fs::path EXAMPLES = TILED_EXAMPLES;
const std::string LEVELC = LEVELC_PROGRAM, MAPRENDER = MAPRENDER_PROGRAM,
                  MAPEXPORT = MAPEXPORT_PROGRAM,
                  TMXRASTERIZER = "QT_QPA_PLATFORM=offscreen " TMXRASTERIZER_PROGRAM
                                  " --no-smoothing",
                  TILED = "QT_QPA_PLATFORM=offscreen " TILED_PROGRAM;
constexpr int OPAQUE = 255, HALF = 128;

// Run a command of these words, which must succeed.
::testing::AssertionResult succeeds(std::initializer_list<std::string> words)
{
    std::string command;
    for (const std::string &word : words)
        command += (command.empty() ? "" : " ") + word;
    const toolstest::run_result r = toolstest::run_program(command);
    if (r.status == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << command << "\n" << r.output;
}

BITMAP *load_picture(const std::string &path, PALETTE palette)
{
    headless::install();
    set_color_conversion(COLORCONV_NONE);
    _png_screen_gamma = 0.0;
    return load_png(path.c_str(), palette);
}

// Cut an image's alpha at one half, as the importer cuts it: the map file has no partial
// transparency, so Tiled draws the cut copy for the comparison.
void cut_alpha(const std::string &path)
{
    PALETTE palette;
    BITMAP *image = load_picture(path, palette);
    ASSERT_NE(image, nullptr) << path;
    for (int y = 0; bitmap_color_depth(image) == 32 && y < image->h; ++y)
        for (int x = 0; x < image->w; ++x) {
            const int c = getpixel(image, x, y);
            putpixel(image, x, y,
                     makeacol32(getr32(c), getg32(c), getb32(c), geta32(c) >= HALF ? OPAQUE : 0));
        }
    ASSERT_EQ(save_png(path.c_str(), image, palette), 0);
    destroy_bitmap(image);
}

// Colours that tmxrasterizer draws fully opaque and maprender's picture shows otherwise.
void expect_same_opaque_pixels(const std::string &reference, const std::string &ours)
{
    PALETTE ref_palette, our_palette;
    BITMAP *ref = load_picture(reference, ref_palette);
    BITMAP *mine = load_picture(ours, our_palette);
    ASSERT_TRUE(ref && mine);
    ASSERT_EQ(bitmap_color_depth(ref), 32);
    EXPECT_EQ(ref->w, mine->w);
    EXPECT_EQ(ref->h, mine->h);
    const int depth = bitmap_color_depth(mine);
    long opaque = 0, differing = 0;
    std::string first;
    for (int y = 0; y < std::min(ref->h, mine->h); ++y) {
        for (int x = 0; x < std::min(ref->w, mine->w); ++x) {
            const int r = getpixel(ref, x, y);
            if (geta32(r) != OPAQUE)
                continue;
            ++opaque;
            const int c = getpixel(mine, x, y);
            const RGB &p = our_palette[c & 0xFF];
            const int rgb[3] = {depth == 8 ? component_8bit(p.r) : getr_depth(depth, c),
                                depth == 8 ? component_8bit(p.g) : getg_depth(depth, c),
                                depth == 8 ? component_8bit(p.b) : getb_depth(depth, c)};
            if ((rgb[0] != getr32(r) || rgb[1] != getg32(r) || rgb[2] != getb32(r)) &&
                differing++ == 0)
                first = "first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
        }
    }
    EXPECT_GT(opaque, 0);
    EXPECT_EQ(differing, 0) << first << " of " << opaque << " opaque pixels";
    destroy_bitmap(ref);
    destroy_bitmap(mine);
}

pugi::xml_document parse_map_file(const fs::path &path)
{
    std::string text = testfiles::read_file(path);
    std::string plain, problem;
    if (is_gzip(text)) {
        EXPECT_TRUE(gunzip(text, 1 << 26, plain, problem)) << problem;
        text = plain;
    }
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_buffer(text.data(), text.size())) << path;
    return doc;
}

// levelc and maprender against tmxrasterizer, on a copy without the layers the map file leaves
// out (object and image layers) or cannot draw (opacity below 1). Hidden layers are converted,
// so Tiled is asked to draw them too. Then the converted map goes through mapexport and levelc
// again and must draw exactly as before.
void expect_drawn_as_tiled(const fs::path &map)
{
    SCOPED_TRACE(map.string());
    pugi::xml_document doc = parse_map_file(map);
    pugi::xml_node root = doc.child("map");
    std::vector<pugi::xml_node> left_out;
    for (pugi::xml_node layer : root.children())
        if (std::string(layer.name()) == "objectgroup" ||
            std::string(layer.name()) == "imagelayer" ||
            layer.attribute("opacity").as_double(1) < 1)
            left_out.push_back(layer);
    for (pugi::xml_node layer : left_out)
        root.remove_child(layer);
    const std::string name = map.filename().string();
    const std::string base =
        (map.parent_path() / ("drawn_" + name.substr(0, name.find('.')))).string();
    ASSERT_TRUE(doc.save_file((base + ".tmx").c_str()));
    ASSERT_TRUE(succeeds({LEVELC, base + ".tmx", base + ".fmp"}));
    ASSERT_TRUE(succeeds({MAPRENDER, base + ".fmp", base + "_ours.png"}));
    ASSERT_TRUE(
        succeeds({TMXRASTERIZER, "--ignore-visibility", base + ".tmx", base + "_tiled.png"}));
    expect_same_opaque_pixels(base + "_tiled.png", base + "_ours.png");

    const std::string exported = base + "_exported";
    ASSERT_TRUE(succeeds({MAPEXPORT, base + ".fmp", exported + ".tmx"}));
    ASSERT_TRUE(succeeds({LEVELC, exported + ".tmx", exported + ".fmp"}));
    ASSERT_TRUE(succeeds({MAPRENDER, exported + ".fmp", exported + ".png"}));
    EXPECT_EQ(testfiles::read_file(exported + ".png"), testfiles::read_file(base + "_ours.png"));
}

// Tile 77 of the outdoor tileset in all eight flips over a ground of tile 2, a fence drawn over
// them, a flower tile that animates (shown on its first frame) and a hexagon image of its own,
// 60 x 60, standing out of its 16 x 16 cell.
const char *const DESIGNED_ORTHOGONAL = R"(<?xml version="1.0"?>
<map orientation="orthogonal" width="8" height="2" tilewidth="16" tileheight="16">
 <tileset firstgid="1" name="outdoor" tilewidth="16" tileheight="16">
  <image source="buch-outdoor.png"/>
  <tile id="99"><animation><frame tileid="99" duration="300"/>
   <frame tileid="100" duration="300"/></animation></tile>
 </tileset>
 <tileset firstgid="289" name="own" tilewidth="60" tileheight="60">
  <tile id="0"><image source="test_hexagonal_tile_60x60x30.png"/></tile>
 </tileset>
 <layer name="ground" width="8" height="2">
  <data encoding="csv">3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,3</data></layer>
 <layer name="flipped" width="8" height="2"><data encoding="csv">78,2147483726,1073741902,536870990,
  3221225550,2684354638,1610612814,3758096462,0,0,0,0,0,0,0,0</data></layer>
 <layer name="fence" width="8" height="2"><data encoding="csv">0,0,100,0,0,0,0,0,
  200,2147483848,1073742024,536871112,200,2147483848,1073742024,536871112</data></layer>
 <layer name="own" width="8" height="2">
  <data encoding="csv">0,0,0,0,0,0,0,0,0,0,0,0,0,289,0,0</data></layer>
</map>
)";

// The isometric tiles (64 x 64, moved 16 down) on a staggered map whose even rows are shifted,
// the first column flipped.
const char *const DESIGNED_STAGGERED = R"(<?xml version="1.0"?>
<map orientation="staggered" staggeraxis="y" staggerindex="even" width="5" height="6"
     tilewidth="64" tileheight="32">
 <tileset firstgid="1" name="iso" tilewidth="64" tileheight="64"><tileoffset x="0" y="16"/>
  <image source="isometric_grass_and_water.png"/></tileset>
 <layer name="ground" width="5" height="6"><data encoding="csv">2147483649,2,3,4,5,
  2147483654,7,8,9,10,2147483659,12,13,14,15,2147483664,17,18,19,20,
  2147483669,22,23,24,1,2147483650,3,4,5,6</data></layer>
</map>
)";

// On a copy of the examples whose images have cut alpha, with the designed maps beside them.
TEST(TiledExamples, ConvertAndLookAsTiledDrawsThemOrAreRefusedClearly)
{
    ASSERT_TRUE(fs::is_directory(EXAMPLES)) << "the tiled package's examples are missing";
    const fs::path copy = fs::path(testfiles::scratch_dir()) / "examples";
    fs::copy(EXAMPLES, copy, fs::copy_options::recursive);
    std::vector<fs::path> maps;
    for (const auto &entry : fs::recursive_directory_iterator(copy)) {
        if (entry.path().extension() == ".png")
            cut_alpha(entry.path().string());
        if (is_tiled_map_name(entry.path().string()))
            maps.push_back(entry.path());
    }
    ASSERT_TRUE(testfiles::write_file((copy / "designed_orthogonal.tmx").string(),
                                      std::string(DESIGNED_ORTHOGONAL)));
    ASSERT_TRUE(testfiles::write_file((copy / "designed_staggered.tmx").string(),
                                      std::string(DESIGNED_STAGGERED)));
    maps.insert(maps.end(), {copy / "designed_orthogonal.tmx", copy / "designed_staggered.tmx"});
    // The example maps the importer refuses, and why.
    const std::map<std::string, std::string> refusals = {
        {"isometric_grass_and_water.tmx", "the map is isometric"},
        {"hexagonal-mini.tmx", "the map is hexagonal"},
        {"test_hexagonal_tile_60x60x30.tmx", "the map is hexagonal"},
        {"rule_006.tmx", "is a fifth tile layer"},
        {"rule_007.tmx", "is a fifth tile layer"},
        // The package ships this tileset compressed, as objs.tsx.gz.
        {"sandbox.tmx.gz", "cannot read \"" + (copy / "sticker-knight/map/objs.tsx").string()},
        {"sandbox2.tmx.gz", "cannot read \"" + (copy / "sticker-knight/map/objs.tsx").string()},
    };

    int refused = 0, compared = 0;
    const std::string refused_output = testfiles::scratch_dir() + "/refused.fmp";
    for (const fs::path &map : maps) {
        const auto refusal = refusals.find(map.filename().string());
        if (refusal == refusals.end()) {
            expect_drawn_as_tiled(map);
            ++compared;
            continue;
        }
        const toolstest::run_result r =
            toolstest::run_program(LEVELC + " " + map.string() + " " + refused_output);
        EXPECT_EQ(r.status, 1) << map;
        EXPECT_NE(r.standard_error.find(map.string() + ":"), std::string::npos) << r.standard_error;
        EXPECT_NE(r.standard_error.find(refusal->second), std::string::npos) << r.standard_error;
        EXPECT_FALSE(fs::exists(refused_output));
        ++refused;
    }
    EXPECT_EQ(refused, static_cast<int>(refusals.size()));
    EXPECT_EQ(compared, 16);
}

// Tiled keeps the layer data form of the map it reads: the fuzzing seeds, one small map in each
// form, come back from Tiled's own writer in that form, and all of them convert to one map file.
TEST(TiledEncodings, MapsTiledWritesInEveryEncodingConvertToTheSameMapFile)
{
    const fs::path fuzz = ORVIA_SOURCE_DIR "/tests/fuzz", scratch = testfiles::scratch_dir();
    fs::copy(fuzz / "tmx_files", scratch,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const std::string converted = (scratch / "converted.fmp").string();
    std::string first;
    for (const std::string form : {"xml", "csv", "base64", "zlib", "gzip", "zstd"}) {
        SCOPED_TRACE(form);
        const std::string seed = (scratch / (form + ".tmx")).string();
        const std::string written = (scratch / ("tiled_" + form + ".tmx")).string();
        fs::copy_file(fuzz / "corpus/tmx" / (form + ".tmx"), seed,
                      fs::copy_options::overwrite_existing);
        ASSERT_TRUE(succeeds({TILED, "--export-map", seed, written}));
        const std::string marker = form == "xml"      ? "<tile gid="
                                   : form == "csv"    ? "encoding=\"csv\""
                                   : form == "base64" ? "encoding=\"base64\">"
                                                      : "compression=\"" + form + "\"";
        EXPECT_NE(testfiles::read_file(written).find(marker), std::string::npos)
            << "Tiled did not write " << form;
        for (const std::string &map : {seed, written}) {
            ASSERT_TRUE(succeeds({LEVELC, map, converted}));
            if (first.empty())
                first = testfiles::read_file(converted);
            EXPECT_EQ(testfiles::read_file(converted), first) << map;
        }
    }
}

// A block record as what it shows and holds, every graphic by its pixels.
std::string record_text(const BlockStr &b)
{
    std::string text;
    for (BITMAP *graphic :
         {b.gfx_bg.bitmap, b.gfx_fg1.bitmap, b.gfx_fg2.bitmap, b.gfx_fg3.bitmap}) {
        text += graphic ? "[" : "[none";
        for (int y = 0; graphic && y < graphic->h; ++y)
            for (int x = 0; x < graphic->w; ++x)
                text += static_cast<char>(getpixel(graphic, x, y));
        text += "]";
    }
    for (long v : {long(b.attr1), long(b.attr2), long(b.attr3), long(b.attr4), long(b.attr5),
                   long(b.attr6), long(b.attr7), long(b.flags)})
        text += std::to_string(v) + ",";
    return text;
}

// The palette and the numbers of block records and animations, then what each cell of layer 0
// shows: its block record, or its animation's type, delay and frames. Maps whose records and
// graphics are numbered otherwise compare by what they hold.
std::vector<std::string> contents_of(const std::string &path)
{
    headless::make_screen(8);
    EXPECT_EQ(MapLoad(path.c_str()), 0) << path;
    std::vector<std::string> contents;
    if (!mappt)
        return contents;
    contents.push_back(std::string(mapcmappt, mapcmappt + 768) + std::to_string(mapnumblockstr) +
                       " records, " + std::to_string(mapanimstrendpt - mapanimstrpt) + " anims");
    for (int i = 0; i < mapwidth * mapheight; ++i) {
        if (mappt[i] >= 0) {
            contents.push_back(record_text(mapblockstrpt[mappt[i]]));
            continue;
        }
        const AnimStr &a = mapanimstrendpt[mappt[i]];
        std::string shown = "type " + std::to_string(a.type) + " delay " + std::to_string(a.delay);
        for (int f = a.first; f < a.end; ++f)
            shown += record_text(mapblockstrpt[mapanimseqpt[f]]);
        contents.push_back(shown);
    }
    MapFreeMem();
    headless::drop_screen();
    return contents;
}

TEST(TiledRoundTrip, TheGamesLevelGoesToTiledAndComesBackUnchanged)
{
    const std::string scratch = testfiles::scratch_dir();
    const std::string level = ORVIA_SOURCE_DIR "/data/jump.fmp";
    const toolstest::run_result exported =
        toolstest::run_program(MAPEXPORT + " " + level + " " + scratch + "/jump.tmx");
    ASSERT_EQ(exported.status, 0) << exported.output;
    EXPECT_EQ(exported.output, "") << "nothing of the level is left out";
    ASSERT_TRUE(succeeds({LEVELC, scratch + "/jump.tmx", scratch + "/back.fmp"}));
    const std::vector<std::string> before = contents_of(level);
    const std::vector<std::string> after = contents_of(scratch + "/back.fmp");
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        ASSERT_TRUE(after[i] == before[i]) << (i ? "cell " + std::to_string(i - 1) : "header");

    // Tiled shows what maprender draws of the level itself.
    ASSERT_TRUE(succeeds({TMXRASTERIZER, scratch + "/jump.tmx", scratch + "/jump_tiled.png"}));
    ASSERT_TRUE(succeeds({MAPRENDER, level, scratch + "/jump_ours.png"}));
    expect_same_opaque_pixels(scratch + "/jump_tiled.png", scratch + "/jump_ours.png");

    const toolstest::run_result wrong_name =
        toolstest::run_program(MAPEXPORT + " " + level + " " + scratch + "/exported_level.txt");
    EXPECT_EQ(wrong_name.status, 1);
    EXPECT_NE(wrong_name.output.find("must end in .tmx"), std::string::npos) << wrong_name.output;
    EXPECT_FALSE(fs::exists(scratch + "/exported_level.png"));
}

} // namespace
