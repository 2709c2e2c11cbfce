// Tiled itself as the reference: its example maps and maps made here for flips, layers and
// staggered rows, converted by levelc and drawn by maprender, look as tmxrasterizer draws them;
// maps Tiled writes in every layer data encoding convert to the same map file; the game's level
// goes to Tiled through mapexport and comes back through levelc unchanged.
#include "colour.h"
#include "headless.h"
#include "maplib.h"
#include "tmxdata.h"
#include "testfiles.h"
#include "toolstest.h"

#include <gtest/gtest.h>
#include <loadpng.h>
#include <pugixml.hpp>
#include <zlib.h>
#include <zstd.h>

#include <filesystem>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {

const fs::path EXAMPLES = TILED_EXAMPLES;
constexpr int OPAQUE = 255, HALF = 128;

std::string run_quietly_offscreen(const std::string &program)
{
    return "QT_QPA_PLATFORM=offscreen " + program;
}

BITMAP *load_picture(const std::string &path, PALETTE palette)
{
    headless::install();
    set_color_conversion(COLORCONV_NONE);
    _png_screen_gamma = 0.0;
    return load_png(path.c_str(), palette);
}

// An image with its alpha cut at one half, as the importer cuts it: the map file has no
// partial transparency, so Tiled draws the cut copy for the comparison.
void write_cut_image(const fs::path &from, const fs::path &to)
{
    PALETTE palette;
    BITMAP *image = load_picture(from.string(), palette);
    ASSERT_NE(image, nullptr) << from;
    if (bitmap_color_depth(image) == 32)
        for (int y = 0; y < image->h; ++y)
            for (int x = 0; x < image->w; ++x) {
                const int c = getpixel(image, x, y);
                putpixel(
                    image, x, y,
                    makeacol32(getr32(c), getg32(c), getb32(c), geta32(c) >= HALF ? OPAQUE : 0));
            }
    ASSERT_EQ(save_png(to.string().c_str(), image, palette), 0);
    destroy_bitmap(image);
}

pugi::xml_document parse_map_file(const fs::path &path)
{
    std::string text = testfiles::read_file(path);
    if (is_gzip(text)) {
        std::string plain, problem;
        EXPECT_TRUE(gunzip(text, 1 << 26, plain, problem)) << problem;
        text = plain;
    }
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_buffer(text.data(), text.size())) << path;
    return doc;
}

// Point every image of a tileset element at `to(image path)`, paths read from `folder`.
template <typename Rewrite>
void rewrite_images(pugi::xml_node tileset, const fs::path &folder, Rewrite to)
{
    for (pugi::xpath_node found : tileset.select_nodes(".//image")) {
        pugi::xml_attribute source = found.node().attribute("source");
        source.set_value(to(folder / source.value()).c_str());
    }
}

// Tilesets and images by absolute paths, so that the copy can live in the scratch folder;
// `cut` also replaces every image by its copy with cut alpha, and external tilesets by copies.
void make_paths_absolute(pugi::xml_document &doc, const fs::path &folder, const std::string &name,
                         bool cut)
{
    int made = 0;
    auto image_copy = [&](const fs::path &image) {
        if (!cut)
            return fs::absolute(image).string();
        const fs::path copy =
            fs::path(testfiles::scratch_dir()) / (name + "_" + std::to_string(made++) + ".png");
        write_cut_image(image, copy);
        return copy.string();
    };
    for (pugi::xml_node tileset : doc.child("map").children("tileset")) {
        pugi::xml_attribute source = tileset.attribute("source");
        if (!source) {
            rewrite_images(tileset, folder, image_copy);
            continue;
        }
        const fs::path tsx = folder / source.value();
        if (!cut) {
            source.set_value(fs::absolute(tsx).string().c_str());
            continue;
        }
        pugi::xml_document set = parse_map_file(tsx);
        rewrite_images(set.child("tileset"), tsx.parent_path(), image_copy);
        const fs::path copy =
            fs::path(testfiles::scratch_dir()) / (name + "_" + std::to_string(made++) + ".tsx");
        set.save_file(copy.string().c_str());
        source.set_value(copy.string().c_str());
    }
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
            if (rgb[0] == getr32(r) && rgb[1] == getg32(r) && rgb[2] == getb32(r))
                continue;
            if (differing++ == 0)
                first = "first at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
        }
    }
    EXPECT_GT(opaque, 0);
    EXPECT_EQ(differing, 0) << first << " of " << opaque << " opaque pixels";
    destroy_bitmap(ref);
    destroy_bitmap(mine);
}

// levelc and maprender against tmxrasterizer, on a copy with cut alpha and without the layers
// the map file leaves out (object and image layers) or cannot draw (opacity below 1). Hidden
// layers are converted, so Tiled is asked to draw them too. Then the converted map goes through
// mapexport and levelc again and must draw exactly as before.
void expect_drawn_as_tiled(const fs::path &map, const std::string &name)
{
    SCOPED_TRACE(map.string());
    pugi::xml_document doc = parse_map_file(map);
    make_paths_absolute(doc, map.parent_path(), name, true);
    pugi::xml_node root = doc.child("map");
    std::vector<pugi::xml_node> hidden;
    for (pugi::xml_node layer : root.children())
        if (std::string(layer.name()) == "objectgroup" ||
            std::string(layer.name()) == "imagelayer" ||
            layer.attribute("opacity").as_double(1) < 1)
            hidden.push_back(layer);
    for (pugi::xml_node layer : hidden)
        root.remove_child(layer);
    const std::string base = testfiles::scratch_dir() + "/" + name;
    ASSERT_TRUE(doc.save_file((base + ".tmx").c_str()));
    const toolstest::run_result converted =
        toolstest::run_program(std::string(LEVELC_PROGRAM) + " " + base + ".tmx " + base + ".fmp");
    ASSERT_EQ(converted.status, 0) << converted.output;
    const toolstest::run_result drawn = toolstest::run_program(
        std::string(MAPRENDER_PROGRAM) + " " + base + ".fmp " + base + "_ours.png");
    ASSERT_EQ(drawn.status, 0) << drawn.output;
    const toolstest::run_result reference = toolstest::run_program(run_quietly_offscreen(
        std::string(TMXRASTERIZER_PROGRAM) + " --no-smoothing --ignore-visibility " + base +
        ".tmx " + base + "_tiled.png"));
    ASSERT_EQ(reference.status, 0) << reference.output;
    expect_same_opaque_pixels(base + "_tiled.png", base + "_ours.png");

    // Through mapexport and back, the map draws the same.
    const std::string exported = base + "_exported";
    for (const std::string &step :
         {std::string(MAPEXPORT_PROGRAM) + " " + base + ".fmp " + exported + ".tmx",
          std::string(LEVELC_PROGRAM) + " " + exported + ".tmx " + exported + ".fmp",
          std::string(MAPRENDER_PROGRAM) + " " + exported + ".fmp " + exported + ".png"}) {
        const toolstest::run_result r = toolstest::run_program(step);
        ASSERT_EQ(r.status, 0) << step << "\n" << r.output;
    }
    EXPECT_EQ(testfiles::read_file(exported + ".png"), testfiles::read_file(base + "_ours.png"));
}

// Example maps the importer refuses, and why.
const std::map<std::string, std::string> REFUSED = {
    {"isometric_grass_and_water.tmx", "the map is isometric"},
    {"hexagonal-mini.tmx", "the map is hexagonal"},
    {"test_hexagonal_tile_60x60x30.tmx", "the map is hexagonal"},
    {"rule_006.tmx", "is a fifth tile layer"},
    {"rule_007.tmx", "is a fifth tile layer"},
    // The package ships this tileset compressed, as objs.tsx.gz.
    {"sandbox.tmx.gz", "cannot read \"" + (EXAMPLES / "sticker-knight/map/objs.tsx").string()},
    {"sandbox2.tmx.gz", "cannot read \"" + (EXAMPLES / "sticker-knight/map/objs.tsx").string()},
};

TEST(TiledExamples, ConvertAndLookAsTiledDrawsThemOrAreRefusedClearly)
{
    ASSERT_TRUE(fs::is_directory(EXAMPLES)) << "the tiled package's examples are missing";
    std::set<std::string> refused_seen;
    int compared = 0;
    for (const auto &entry : fs::recursive_directory_iterator(EXAMPLES)) {
        const std::string file = entry.path().filename().string();
        if (file.size() < 4 ||
            (file.substr(file.size() - 4) != ".tmx" && file.find(".tmx.gz") == std::string::npos))
            continue;
        const auto refusal = REFUSED.find(file);
        if (refusal == REFUSED.end()) {
            expect_drawn_as_tiled(entry.path(), "example" + std::to_string(compared++));
            continue;
        }
        const toolstest::run_result r =
            toolstest::run_program(std::string(LEVELC_PROGRAM) + " " + entry.path().string() + " " +
                                   testfiles::scratch_dir() + "/refused.fmp");
        EXPECT_EQ(r.status, 1) << file;
        EXPECT_NE(r.output.find(entry.path().string() + ":"), std::string::npos) << r.output;
        EXPECT_NE(r.output.find(refusal->second), std::string::npos) << r.output;
        EXPECT_FALSE(fs::exists(testfiles::scratch_dir() + "/refused.fmp"));
        refused_seen.insert(file);
    }
    EXPECT_EQ(refused_seen.size(), REFUSED.size());
    EXPECT_EQ(compared, 14);
}

std::string csv_cells(const std::vector<std::uint32_t> &gids)
{
    std::string text;
    for (std::uint32_t g : gids)
        text += (text.empty() ? "" : ",") + std::to_string(g);
    return text;
}

// Tile 77 of the outdoor tileset in all eight flips over a ground of tile 2, a fence drawn
// over them, a flower tile that animates (shown on its first frame) and a hexagon image of its
// own, 60 x 60, standing out of its 16 x 16 cell.
std::string designed_orthogonal_map()
{
    const std::uint32_t flips[8] = {0,           0x80000000u, 0x40000000u, 0x20000000u,
                                    0xC0000000u, 0xA0000000u, 0x60000000u, 0xE0000000u};
    std::vector<std::uint32_t> ground(16, 3), flipped(16, 0), fence(16, 0), own(16, 0);
    for (int i = 0; i < 8; ++i)
        flipped[i] = 78 | flips[i];
    for (int i = 8; i < 16; ++i)
        fence[i] = 200 | flips[i % 4];
    fence[2] = 100;
    own[13] = 289;
    auto layer = [](const char *name, const std::vector<std::uint32_t> &gids) {
        return std::string(" <layer name=\"") + name +
               "\" width=\"8\" height=\"2\"><data encoding=\"csv\">" + csv_cells(gids) +
               "</data></layer>\n";
    };
    return "<?xml version=\"1.0\"?>\n<map orientation=\"orthogonal\" width=\"8\" height=\"2\" "
           "tilewidth=\"16\" tileheight=\"16\">\n"
           " <tileset firstgid=\"1\" name=\"outdoor\" tilewidth=\"16\" tileheight=\"16\">"
           "<image source=\"" +
           (EXAMPLES / "buch-outdoor.png").string() +
           "\"/>"
           "<tile id=\"99\"><animation><frame tileid=\"99\" duration=\"300\"/>"
           "<frame tileid=\"100\" duration=\"300\"/></animation></tile></tileset>\n"
           " <tileset firstgid=\"289\" name=\"own\" tilewidth=\"60\" tileheight=\"60\">"
           "<tile id=\"0\"><image source=\"" +
           (EXAMPLES / "test_hexagonal_tile_60x60x30.png").string() + "\"/></tile></tileset>\n" +
           layer("ground", ground) + layer("flipped", flipped) + layer("fence", fence) +
           layer("own", own) + "</map>\n";
}

// The isometric tiles (64 x 64, moved 16 down) on a staggered map whose even rows are shifted.
std::string designed_staggered_map()
{
    std::vector<std::uint32_t> cells;
    for (int i = 0; i < 5 * 6; ++i)
        cells.push_back(static_cast<std::uint32_t>(1 + i % 24) | (i % 5 == 0 ? 0x80000000u : 0));
    return "<?xml version=\"1.0\"?>\n<map orientation=\"staggered\" staggeraxis=\"y\" "
           "staggerindex=\"even\" width=\"5\" height=\"6\" tilewidth=\"64\" tileheight=\"32\">\n"
           " <tileset firstgid=\"1\" name=\"iso\" tilewidth=\"64\" tileheight=\"64\">"
           "<tileoffset x=\"0\" y=\"16\"/><image source=\"" +
           (EXAMPLES / "isometric_grass_and_water.png").string() +
           "\"/></tileset>\n"
           " <layer name=\"ground\" width=\"5\" height=\"6\"><data encoding=\"csv\">" +
           csv_cells(cells) + "</data></layer>\n</map>\n";
}

TEST(TiledDesignedMaps, FlipsFourLayersBigTilesAndShiftedEvenRowsLookAsTiledDrawsThem)
{
    const fs::path orthogonal =
        testfiles::write_scratch("designed_orthogonal.tmx", designed_orthogonal_map());
    const fs::path staggered =
        testfiles::write_scratch("designed_staggered.tmx", designed_staggered_map());
    expect_drawn_as_tiled(orthogonal, "designed0");
    expect_drawn_as_tiled(staggered, "designed1");
}

std::string base64(const std::string &bytes)
{
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group =
                group << 8 | (i + k < bytes.size() ? static_cast<unsigned char>(bytes[i + k]) : 0);
        for (std::size_t k = 0; k < 4; ++k)
            out += k <= (bytes.size() - i) ? digits[group >> (18 - 6 * k) & 63] : '=';
    }
    return out;
}

std::string zlib_pack(const std::string &bytes, bool gzip)
{
    z_stream zs{};
    EXPECT_EQ(
        deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, gzip ? 31 : 15, 8, Z_DEFAULT_STRATEGY),
        Z_OK);
    std::string out(deflateBound(&zs, bytes.size()), '\0');
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.data()));
    zs.avail_in = static_cast<uInt>(bytes.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

// Rewrite every layer's (or chunk's) cells in one of Tiled's layer data forms.
void encode_cells(pugi::xml_node data, pugi::xml_node holder, std::size_t count,
                  const std::string &form)
{
    TmxGids gids;
    std::string problem;
    ASSERT_TRUE(decode_layer_data(holder.text().get(), data.attribute("encoding").value(),
                                  data.attribute("compression").value(), count, gids, problem))
        << problem;
    holder.text().set("");
    if (form == "xml") {
        for (std::uint32_t g : gids)
            holder.append_child("tile").append_attribute("gid") = g;
        return;
    }
    if (form == "csv") {
        holder.text().set(csv_cells(gids).c_str());
        return;
    }
    std::string bytes;
    for (std::uint32_t g : gids)
        for (int b = 0; b < 4; ++b)
            bytes += static_cast<char>(g >> (8 * b));
    if (form == "zlib" || form == "gzip")
        bytes = zlib_pack(bytes, form == "gzip");
    if (form == "zstd") {
        std::string packed(ZSTD_compressBound(bytes.size()), '\0');
        packed.resize(ZSTD_compress(packed.data(), packed.size(), bytes.data(), bytes.size(), 3));
        bytes = packed;
    }
    holder.text().set(base64(bytes).c_str());
}

void set_form(pugi::xml_document &doc, const std::string &form)
{
    for (pugi::xml_node layer : doc.child("map").children("layer")) {
        pugi::xml_node data = layer.child("data");
        if (data.child("chunk"))
            for (pugi::xml_node chunk : data.children("chunk"))
                encode_cells(
                    data, chunk,
                    chunk.attribute("width").as_uint() * chunk.attribute("height").as_uint(), form);
        else
            encode_cells(data, data,
                         layer.attribute("width").as_uint() * layer.attribute("height").as_uint(),
                         form);
        data.remove_attribute("encoding");
        data.remove_attribute("compression");
        if (form != "xml")
            data.append_attribute("encoding") = form == "csv" ? "csv" : "base64";
        if (form != "xml" && form != "csv" && form != "base64")
            data.append_attribute("compression") = form.c_str();
    }
}

TEST(TiledEncodings, MapsTiledWritesInEveryEncodingConvertToTheSameMapFile)
{
    const fs::path maps[] = {EXAMPLES / "rpg/island.tmx",
                             EXAMPLES / "isometric_staggered_grass_and_water.tmx.gz"};
    const std::string scratch = testfiles::scratch_dir();
    for (const fs::path &map : maps) {
        SCOPED_TRACE(map.string());
        const toolstest::run_result original = toolstest::run_program(
            std::string(LEVELC_PROGRAM) + " " + map.string() + " " + scratch + "/original.fmp");
        ASSERT_EQ(original.status, 0) << original.output;
        for (const std::string form : {"xml", "csv", "base64", "zlib", "gzip", "zstd"}) {
            SCOPED_TRACE(form);
            // Tiled keeps the layer data form of the map it reads: a map in this form makes it
            // write every layer in it.
            pugi::xml_document doc = parse_map_file(map);
            make_paths_absolute(doc, map.parent_path(), "encoded", false);
            set_form(doc, form);
            ASSERT_TRUE(doc.save_file((scratch + "/seed.tmx").c_str()));
            const std::string written = scratch + "/tiled_" + form + ".tmx";
            const toolstest::run_result exported = toolstest::run_program(run_quietly_offscreen(
                std::string(TILED_PROGRAM) + " --export-map " + scratch + "/seed.tmx " + written));
            ASSERT_EQ(exported.status, 0) << exported.output;
            const std::string text = testfiles::read_file(written);
            const std::string expected = form == "xml"      ? "<tile gid="
                                         : form == "csv"    ? "encoding=\"csv\""
                                         : form == "base64" ? "encoding=\"base64\">"
                                                            : "compression=\"" + form + "\"";
            ASSERT_NE(text.find(expected), std::string::npos) << "Tiled did not write " << form;
            const toolstest::run_result converted = toolstest::run_program(
                std::string(LEVELC_PROGRAM) + " " + written + " " + scratch + "/converted.fmp");
            ASSERT_EQ(converted.status, 0) << converted.output;
            EXPECT_EQ(testfiles::read_file(scratch + "/converted.fmp"),
                      testfiles::read_file(scratch + "/original.fmp"));
        }
    }
}

// What the loaded map shows in each cell of layer 0: its block record, or its animation's type,
// delay and frames, with every graphic as its pixels, so that maps whose records and graphics
// are numbered otherwise compare by what they hold.
struct Shown {
    int type = -2, delay = 0;
    std::vector<std::string> records;
    bool operator==(const Shown &o) const
    {
        return type == o.type && delay == o.delay && records == o.records;
    }
};

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

struct MapContents {
    std::vector<Shown> cells;
    std::vector<unsigned char> cmap;
    int records = 0, animations = 0;
};

MapContents contents_of(const std::string &path)
{
    headless::make_screen(8);
    MapContents out;
    EXPECT_EQ(MapLoad(path.c_str()), 0) << path;
    if (!mappt)
        return out;
    out.cmap.assign(mapcmappt, mapcmappt + 768);
    out.records = mapnumblockstr;
    out.animations = static_cast<int>(mapanimstrendpt - mapanimstrpt) - 1;
    for (int i = 0; i < mapwidth * mapheight; ++i) {
        Shown shown;
        if (mappt[i] >= 0) {
            shown.records.push_back(record_text(mapblockstrpt[mappt[i]]));
        } else {
            const AnimStr &a = mapanimstrendpt[mappt[i]];
            shown.type = a.type;
            shown.delay = a.delay;
            for (int f = a.first; f < a.end; ++f)
                shown.records.push_back(record_text(mapblockstrpt[mapanimseqpt[f]]));
        }
        out.cells.push_back(shown);
    }
    MapFreeMem();
    headless::drop_screen();
    return out;
}

TEST(TiledRoundTrip, TheGamesLevelGoesToTiledAndComesBackUnchanged)
{
    const std::string scratch = testfiles::scratch_dir();
    const std::string level = ORVIA_SOURCE_DIR "/data/jump.fmp";
    const toolstest::run_result exported = toolstest::run_program(
        std::string(MAPEXPORT_PROGRAM) + " " + level + " " + scratch + "/jump.tmx");
    ASSERT_EQ(exported.status, 0) << exported.output;
    EXPECT_EQ(exported.output, "") << "nothing of the level is left out";
    const toolstest::run_result back = toolstest::run_program(
        std::string(LEVELC_PROGRAM) + " " + scratch + "/jump.tmx " + scratch + "/back.fmp");
    ASSERT_EQ(back.status, 0) << back.output;
    const MapContents before = contents_of(level), after = contents_of(scratch + "/back.fmp");
    EXPECT_EQ(after.records, before.records);
    EXPECT_EQ(after.animations, before.animations);
    EXPECT_EQ(after.cmap, before.cmap);
    ASSERT_EQ(after.cells.size(), before.cells.size());
    for (std::size_t i = 0; i < before.cells.size(); ++i)
        ASSERT_TRUE(after.cells[i] == before.cells[i]) << "cell " << i;

    // Tiled shows what maprender draws of the level itself.
    const toolstest::run_result reference = toolstest::run_program(
        run_quietly_offscreen(std::string(TMXRASTERIZER_PROGRAM) + " --no-smoothing " + scratch +
                              "/jump.tmx " + scratch + "/jump_tiled.png"));
    ASSERT_EQ(reference.status, 0) << reference.output;
    const toolstest::run_result drawn = toolstest::run_program(
        std::string(MAPRENDER_PROGRAM) + " " + level + " " + scratch + "/jump_ours.png");
    ASSERT_EQ(drawn.status, 0) << drawn.output;
    expect_same_opaque_pixels(scratch + "/jump_tiled.png", scratch + "/jump_ours.png");

    const toolstest::run_result wrong_name = toolstest::run_program(
        std::string(MAPEXPORT_PROGRAM) + " " + level + " " + scratch + "/exported_level.txt");
    EXPECT_EQ(wrong_name.status, 1);
    EXPECT_NE(wrong_name.output.find("must end in .tmx"), std::string::npos) << wrong_name.output;
    EXPECT_FALSE(fs::exists(scratch + "/exported_level.png"));

    const toolstest::run_result help =
        toolstest::run_program(std::string(MAPEXPORT_PROGRAM) + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("usage: mapexport MAP.fmp OUT.tmx", 0), 0u) << help.output;
}

} // namespace
