// Writing the loaded map as a Tiled map. The tileset's first tiles are the map's graphics in
// order; copies follow where a block record needs properties that a graphic's own tile does
// not carry, and one animated tile for each layer of an animation that changes. XML through
// pugixml, the tile sheet through Allegro's PNG saver.
#include "mapexport.h"

#include "colour.h"
#include "inputfiles.h"
#include "levelcheck.h"
#include "maplib.h"
#include "tmxmap.h"
#include "tmxproperties.h"

#include <allegro.h>
#include <loadpng.h>
#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <unordered_map>

namespace {

constexpr int SLOTS = 4; // background, first to third foreground
constexpr const char *LAYER_NAMES[SLOTS] = {"background", "foreground 1", "foreground 2",
                                            "foreground 3"};
constexpr const char *START_LAYER_NAME = "Start";
constexpr int SHEET_COLUMNS = 16;
constexpr int LONGEST_DELAY = 127;  // delays up to this wait delay + 1 updates
constexpr int WRAPPING_DELAY = 128; // waits 129 updates; larger delays wait 1
constexpr int SHEET_TRUE_COLOUR_DEPTH = 24;
constexpr int PALETTE_COLOURS = 256;
constexpr int SIX_BIT_LEVELS = 64;
constexpr const char *TRUE_COLOUR_KEY = "ff00ff"; // the map file's mask colour
constexpr int FIRST_GID = 1;
constexpr const char *TILED_VERSION = "1.8";

using Properties = std::vector<PropertyText>;

bool same(const Properties &a, const Properties &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const PropertyText &x, const PropertyText &y) {
                          return x.name == y.name && x.value == y.value;
                      });
}

// One tile of the exported tileset: the graphic it shows, its properties, and for an animated
// tile its frames (tile, milliseconds).
struct ExportTile {
    int graphic = 0;
    Properties properties;
    std::vector<std::pair<int, int>> frames;
};

// Updates an animation with this delay waits between two frames.
int updates_per_frame(int delay)
{
    if (delay <= LONGEST_DELAY)
        return delay + 1;
    return delay == WRAPPING_DELAY ? WRAPPING_DELAY + 1 : 1;
}

class Exporter {
public:
    Exporter(const std::string &tmx_path, Diagnostics &errors, std::vector<Diagnostic> &warnings)
        : tmx_path_(tmx_path), errors_(errors), warnings_(warnings)
    {
    }

    bool run();

private:
    bool fail(const std::string &message)
    {
        errors_.error(tmx_path_, {}, message);
        return false;
    }
    void warn(const std::string &message)
    {
        warnings_.push_back({tmx_path_, {}, "warning: " + message});
    }

    bool check_geometry();
    void read_graphics();
    int graphic_of(const BlockGfx &field) const;
    std::array<int, SLOTS> graphics_of(const BlockStr &block) const;
    std::array<bool, SLOTS> shown_of(const BlockStr &block) const;
    bool exports_empty(const BlockStr &block) const;
    Properties block_properties_of(const BlockStr &block) const;
    int tile_for(int graphic, const Properties &properties);
    int blank_tile();
    std::array<std::uint32_t, SLOTS> block_gids(int block);
    std::array<std::uint32_t, SLOTS> animation_gids(int cell);
    std::vector<int> animation_frames(const AnimStr &anim, int number);
    const std::array<std::uint32_t, SLOTS> &cell_gids(short cell);
    void note_unused_blocks();
    void read_start();
    void add_start(pugi::xml_node map, int layer_id) const;
    std::string sheet_palette(PALETTE palette);
    BITMAP *paint_sheet() const;
    bool write_sheet(const char *path, std::string &reason);
    bool write_tileset(const char *path, const std::string &name, const std::string &sheet,
                       std::string &reason);
    bool write_map(const char *path, const std::string &tileset, std::string &reason);

    std::string tmx_path_;
    Diagnostics &errors_;
    std::vector<Diagnostic> &warnings_;

    std::unordered_map<const BITMAP *, int> graphic_by_bitmap_;
    std::vector<bool> blank_, see_through_; // per graphic
    std::vector<ExportTile> tiles_;         // the graphics' own tiles first
    std::vector<bool> own_claimed_;
    std::map<std::pair<int, std::string>, int> copies_;
    std::map<std::string, int> animated_tiles_;
    int blank_tile_ = -1;
    std::vector<bool> block_shown_;
    std::unordered_map<short, std::array<std::uint32_t, SLOTS>> gids_of_cell_;
    std::array<std::vector<std::uint32_t>, SLOTS> layers_;
    int reach_x_ = 0, reach_y_ = 0;
    int sheet_columns_ = 1, sheet_width_ = 0, sheet_height_ = 0;
    std::string trans_;
    std::optional<map_point> start_;
};

// Tiled's staggered maps shift every other row by half a tile and step half a tile down per
// row; other staggers have no Tiled form.
bool Exporter::check_geometry()
{
    if (!mappt)
        return fail("the map has no layer 0");
    const bool staggered = mapblockstaggerx || mapblockstaggery;
    if (staggered &&
        (std::abs(mapblockstaggerx) * 2 != mapblockgapx || mapblockstaggery * 2 != mapblockgapy))
        return fail("a map staggered by " + std::to_string(mapblockstaggerx) + " x " +
                    std::to_string(mapblockstaggery) + " with gaps " +
                    std::to_string(mapblockgapx) + " x " + std::to_string(mapblockgapy) +
                    " has no Tiled form: Tiled staggers by half the gaps");
    reach_x_ = std::max(0, (mapblockwidth - mapblockgapx) / 2);
    reach_y_ = std::max(0, (mapblockheight - mapblockgapy) / 2);
    for (int l = 1; l < MAP_LAYERS; ++l)
        if (mapmappt[l])
            warn("layer " + std::to_string(l) + " left out: a Tiled map shows layer 0 only");
    return true;
}

void Exporter::read_graphics()
{
    for (int g = 0; g < mapnumblockgfx; ++g) {
        BITMAP *bitmap = abmTiles[g];
        graphic_by_bitmap_[bitmap] = g;
        const int mask = bitmap_mask_color(bitmap);
        int masked = 0;
        for (int y = 0; y < bitmap->h; ++y)
            for (int x = 0; x < bitmap->w; ++x)
                masked += getpixel(bitmap, x, y) == mask;
        blank_.push_back(masked == bitmap->w * bitmap->h);
        see_through_.push_back(masked > 0);
        tiles_.push_back({g, {}, {}});
    }
    own_claimed_.assign(tiles_.size(), false);
    block_shown_.assign(static_cast<std::size_t>(mapnumblockstr), false);
}

int Exporter::graphic_of(const BlockGfx &field) const
{
    return field.bitmap ? graphic_by_bitmap_.at(field.bitmap) : 0;
}

std::array<int, SLOTS> Exporter::graphics_of(const BlockStr &b) const
{
    return {graphic_of(b.gfx_bg), graphic_of(b.gfx_fg1), graphic_of(b.gfx_fg2),
            graphic_of(b.gfx_fg3)};
}

// Which of a block's graphics show anything: a foreground it lacks, or a blank graphic, does not.
std::array<bool, SLOTS> Exporter::shown_of(const BlockStr &b) const
{
    const std::array<int, SLOTS> graphics = graphics_of(b);
    const bool present[SLOTS] = {true, b.gfx_fg1.bitmap != nullptr, b.gfx_fg2.bitmap != nullptr,
                                 b.gfx_fg3.bitmap != nullptr};
    std::array<bool, SLOTS> shown{};
    for (int s = 0; s < SLOTS; ++s)
        shown[s] = present[s] && !blank_[static_cast<std::size_t>(graphics[s])];
    return shown;
}

// A block that becomes a cell without tiles: it shows nothing and has no properties to carry.
bool Exporter::exports_empty(const BlockStr &block) const
{
    const std::array<bool, SLOTS> shown = shown_of(block);
    return std::none_of(shown.begin(), shown.end(), [](bool s) { return s; }) &&
           block_properties_of(block).empty();
}

Properties Exporter::block_properties_of(const BlockStr &block) const
{
    return record_properties(block,
                             see_through_[static_cast<std::size_t>(graphic_of(block.gfx_bg))]);
}

// A graphic's own tile takes the properties of its first use; other uses that want other
// properties get copies of it.
int Exporter::tile_for(int graphic, const Properties &properties)
{
    ExportTile &own = tiles_[static_cast<std::size_t>(graphic)];
    if (!own_claimed_[static_cast<std::size_t>(graphic)]) {
        own_claimed_[static_cast<std::size_t>(graphic)] = true;
        own.properties = properties;
        return graphic;
    }
    if (same(own.properties, properties))
        return graphic;
    std::string key;
    for (const PropertyText &p : properties)
        key += p.name + "=" + p.value + ";";
    const auto found = copies_.find({graphic, key});
    if (found != copies_.end())
        return found->second;
    tiles_.push_back({graphic, properties, {}});
    const int id = static_cast<int>(tiles_.size()) - 1;
    copies_.emplace(std::make_pair(graphic, key), id);
    return id;
}

// A tile that shows nothing, for animation frames without a foreground graphic.
int Exporter::blank_tile()
{
    if (blank_tile_ >= 0)
        return blank_tile_;
    const auto blank = std::find(blank_.begin(), blank_.end(), true);
    if (blank != blank_.end()) {
        blank_tile_ = static_cast<int>(blank - blank_.begin());
        return blank_tile_;
    }
    tiles_.push_back({-1, {}, {}});
    blank_tile_ = static_cast<int>(tiles_.size()) - 1;
    return blank_tile_;
}

// A block's graphics as the cells of the four layers: the background's tile carries the
// record's properties; a layer without a graphic, or with one that shows nothing, is empty.
std::array<std::uint32_t, SLOTS> Exporter::block_gids(int block)
{
    block_shown_[static_cast<std::size_t>(block)] = true;
    const BlockStr &b = mapblockstrpt[block];
    const std::array<int, SLOTS> graphics = graphics_of(b);
    const std::array<bool, SLOTS> shown = shown_of(b);
    std::array<std::uint32_t, SLOTS> gids{};
    for (int s = 0; s < SLOTS; ++s) {
        const Properties properties = s == 0 ? block_properties_of(b) : Properties{};
        if (shown[s] || !properties.empty())
            gids[s] = static_cast<std::uint32_t>(FIRST_GID + tile_for(graphics[s], properties));
    }
    return gids;
}

// The blocks an animation shows from a reset on, once round its cycle, as Tiled loops them:
// reversed loops backwards, ping-pongs there and back without repeating the turning frames.
std::vector<int> Exporter::animation_frames(const AnimStr &anim, int number)
{
    std::vector<int> forward(mapanimseqpt + anim.first, mapanimseqpt + anim.end);
    if (forward.empty())
        return {mapanimseqpt[anim.first]};
    std::vector<int> backward(forward.rbegin(), forward.rend());
    const std::string which = "animation " + std::to_string(number);
    switch (anim.type) {
    case anim_loop_forward:
        return forward;
    case anim_loop_reverse:
        return backward;
    case anim_pingpong_forward:
    case anim_pingpong_forward_returning:
        forward.insert(forward.end(), backward.begin() + 1, backward.end() - (forward.size() > 1));
        return forward;
    case anim_pingpong_reverse:
    case anim_pingpong_reverse_returning: {
        const std::vector<int> there(mapanimseqpt + anim.first, mapanimseqpt + anim.end);
        backward.insert(backward.end(), there.begin() + 1, there.end() - (there.size() > 1));
        return backward;
    }
    case anim_once:
    case anim_once_hold:
    case anim_once_finished:
        warn(which + " runs once; in Tiled it loops");
        return forward;
    default:
        warn(which + " never steps; in Tiled it shows its first frame");
        return {forward.front()};
    }
}

// An animated cell: each layer whose tile changes becomes an animated tile of its own, its
// frames the graphics' own tiles; the cell's properties are those of its first frame.
std::array<std::uint32_t, SLOTS> Exporter::animation_gids(int cell)
{
    const AnimStr &anim = mapanimstrendpt[cell];
    const int number = -cell;
    const std::vector<int> frames = animation_frames(anim, number);
    const int ms = updates_per_frame(anim.delay) * ANIMATION_STEP_MS;
    std::vector<std::array<std::uint32_t, SLOTS>> shown;
    for (int b : frames)
        shown.push_back(block_gids(b));
    const Properties first = block_properties_of(mapblockstrpt[frames.front()]);
    for (int b : frames)
        if (!same(block_properties_of(mapblockstrpt[b]), first)) {
            warn("animation " + std::to_string(number) +
                 ": its frames' flags and attributes "
                 "differ; Tiled keeps its first frame's");
            break;
        }
    std::array<std::uint32_t, SLOTS> gids = shown.front();
    for (int s = 0; s < SLOTS; ++s) {
        const bool changes = std::any_of(shown.begin(), shown.end(),
                                         [&](const auto &g) { return g[s] != shown.front()[s]; });
        if (!changes)
            continue;
        ExportTile animated;
        animated.properties = s == 0 ? first : Properties{};
        std::string key;
        for (std::size_t f = 0; f < frames.size(); ++f) {
            const BlockStr &b = mapblockstrpt[frames[f]];
            const BlockGfx fields[SLOTS] = {b.gfx_bg, b.gfx_fg1, b.gfx_fg2, b.gfx_fg3};
            const int tile = fields[s].bitmap ? graphic_of(fields[s]) : blank_tile();
            animated.frames.push_back({tile, ms});
            key += std::to_string(tile) + ",";
        }
        animated.graphic = tiles_[static_cast<std::size_t>(animated.frames.front().first)].graphic;
        for (const PropertyText &p : animated.properties)
            key += p.name + "=" + p.value + ";";
        key += std::to_string(ms);
        auto found = animated_tiles_.find(key);
        if (found == animated_tiles_.end()) {
            tiles_.push_back(animated);
            found = animated_tiles_.emplace(key, static_cast<int>(tiles_.size()) - 1).first;
        }
        gids[s] = static_cast<std::uint32_t>(FIRST_GID + found->second);
    }
    return gids;
}

const std::array<std::uint32_t, SLOTS> &Exporter::cell_gids(short cell)
{
    auto found = gids_of_cell_.find(cell);
    if (found == gids_of_cell_.end())
        found =
            gids_of_cell_.emplace(cell, cell >= 0 ? block_gids(cell) : animation_gids(cell)).first;
    return found->second;
}

// An empty block 0 is not lost: the importer makes the empty cell block 0 again.
void Exporter::note_unused_blocks()
{
    auto unused = std::count(block_shown_.begin(), block_shown_.end(), false);
    if (mapnumblockstr > 0 && !block_shown_[0] && exports_empty(mapblockstrpt[0]))
        --unused;
    if (unused)
        warn(std::to_string(unused) + " block records that no cell shows left out");
}

void Exporter::read_start()
{
    std::string problem;
    start_ = loaded_map_start(&problem);
    if (!problem.empty())
        warn(problem + ": the start is left out");
}

// The start as Tiled shows it best: a point object in a layer of its own.
void Exporter::add_start(pugi::xml_node map, int layer_id) const
{
    pugi::xml_node layer = map.append_child("objectgroup");
    layer.append_attribute("id") = layer_id;
    layer.append_attribute("name") = START_LAYER_NAME;
    pugi::xml_node object = layer.append_child("object");
    object.append_attribute("id") = 1;
    object.append_attribute("name") = TMX_START_OBJECT;
    object.append_attribute("x") = start_->x;
    object.append_attribute("y") = static_cast<long long>(start_->y) + TMX_FEET_ABOVE_START;
    object.append_child("point");
}

// The 8-bit sheet's palette: the map's, with entry 0 in a colour no other entry has, since
// Tiled knows the transparent pixels by their colour. Returns that colour as Tiled writes it.
std::string Exporter::sheet_palette(PALETTE palette)
{
    const RGB *source = mapcmappt ? mapcmap6bit : default_palette;
    std::copy(source, source + PALETTE_COLOURS, palette);
    if (mapdepth != MAP_PALETTE_DEPTH)
        return TRUE_COLOUR_KEY;
    auto used_elsewhere = [&](const RGB &c) {
        for (int i = 1; i < PALETTE_COLOURS; ++i)
            if (palette[i].r == c.r && palette[i].g == c.g && palette[i].b == c.b)
                return true;
        return false;
    };
    if (used_elsewhere(palette[0])) {
        warn("palette entry 0 (transparent) shares its colour with another entry: it is "
             "written in a colour of its own");
        for (int n = 0; used_elsewhere(palette[0]); ++n)
            palette[0] = RGB{static_cast<unsigned char>(n % SIX_BIT_LEVELS),
                             static_cast<unsigned char>(n / SIX_BIT_LEVELS % SIX_BIT_LEVELS),
                             static_cast<unsigned char>(n / (SIX_BIT_LEVELS * SIX_BIT_LEVELS)), 0};
    }
    char key[sizeof "rrggbb"];
    std::snprintf(key, sizeof key, "%02x%02x%02x", component_8bit(palette[0].r),
                  component_8bit(palette[0].g), component_8bit(palette[0].b));
    return key;
}

// Tile t at column t % columns, row t / columns; 8-bit maps keep their palette indices, deeper
// ones become 24-bit colours with the mask colour where nothing is drawn.
BITMAP *Exporter::paint_sheet() const
{
    const int rows = (static_cast<int>(tiles_.size()) + sheet_columns_ - 1) / sheet_columns_;
    const bool paletted = mapdepth == MAP_PALETTE_DEPTH;
    BITMAP *sheet = create_bitmap_ex(paletted ? MAP_PALETTE_DEPTH : SHEET_TRUE_COLOUR_DEPTH,
                                     sheet_columns_ * mapblockwidth, rows * mapblockheight);
    if (!sheet)
        return nullptr;
    const int key = bitmap_mask_color(sheet);
    clear_to_color(sheet, key);
    for (std::size_t t = 0; t < tiles_.size(); ++t) {
        if (tiles_[t].graphic < 0)
            continue;
        BITMAP *graphic = abmTiles[tiles_[t].graphic];
        const int x0 = static_cast<int>(t) % sheet_columns_ * mapblockwidth;
        const int y0 = static_cast<int>(t) / sheet_columns_ * mapblockheight;
        const int mask = bitmap_mask_color(graphic);
        const int depth = bitmap_color_depth(graphic);
        for (int y = 0; y < graphic->h; ++y) {
            for (int x = 0; x < graphic->w; ++x) {
                const int c = getpixel(graphic, x, y);
                int out = c;
                if (c == mask)
                    out = key;
                else if (!paletted)
                    out =
                        makecol24(getr_depth(depth, c), getg_depth(depth, c), getb_depth(depth, c));
                putpixel(sheet, x0 + x, y0 + y, out);
            }
        }
    }
    return sheet;
}

bool Exporter::write_sheet(const char *path, std::string &reason)
{
    sheet_columns_ = std::clamp(static_cast<int>(tiles_.size()), 1, SHEET_COLUMNS);
    PALETTE palette;
    trans_ = sheet_palette(palette);
    BITMAP *sheet = paint_sheet();
    if (!sheet) {
        reason = "no memory for the tile sheet";
        return false;
    }
    sheet_width_ = sheet->w;
    sheet_height_ = sheet->h;
    errno = 0;
    const bool saved = save_png(path, sheet, palette) == 0;
    destroy_bitmap(sheet);
    if (!saved)
        reason = failed_writing("cannot write the tile sheet");
    return saved;
}

void add_properties(pugi::xml_node parent, const Properties &properties)
{
    if (properties.empty())
        return;
    pugi::xml_node list = parent.append_child("properties");
    for (const PropertyText &p : properties) {
        pugi::xml_node property = list.append_child("property");
        property.append_attribute("name") = p.name.c_str();
        property.append_attribute("type") = p.type.c_str();
        property.append_attribute("value") = p.value.c_str();
    }
}

bool save_xml(const pugi::xml_document &doc, const char *path, const std::string &what,
              std::string &reason)
{
    errno = 0;
    const bool saved = doc.save_file(path, " ", pugi::format_default, pugi::encoding_utf8);
    if (!saved)
        reason = failed_writing("cannot write the " + what);
    return saved;
}

bool Exporter::write_tileset(const char *path, const std::string &name, const std::string &sheet,
                             std::string &reason)
{
    pugi::xml_document doc;
    pugi::xml_node set = doc.append_child("tileset");
    set.append_attribute("version") = TILED_VERSION;
    set.append_attribute("name") = name.c_str();
    set.append_attribute("tilewidth") = mapblockwidth;
    set.append_attribute("tileheight") = mapblockheight;
    set.append_attribute("tilecount") = static_cast<int>(tiles_.size());
    set.append_attribute("columns") = sheet_columns_;
    // Tiled stands a tile on its cell's bottom-left corner; the map's graphics stand centred.
    const int offset_x = -reach_x_, offset_y = mapblockheight - mapblockgapy - reach_y_;
    if (offset_x || offset_y) {
        pugi::xml_node offset = set.append_child("tileoffset");
        offset.append_attribute("x") = offset_x;
        offset.append_attribute("y") = offset_y;
    }
    pugi::xml_node image = set.append_child("image");
    image.append_attribute("source") = sheet.c_str();
    image.append_attribute("trans") = trans_.c_str();
    image.append_attribute("width") = sheet_width_;
    image.append_attribute("height") = sheet_height_;
    for (std::size_t t = 0; t < tiles_.size(); ++t) {
        const ExportTile &tile = tiles_[t];
        if (tile.properties.empty() && tile.frames.empty())
            continue;
        pugi::xml_node element = set.append_child("tile");
        element.append_attribute("id") = static_cast<int>(t);
        add_properties(element, tile.properties);
        if (tile.frames.empty())
            continue;
        pugi::xml_node animation = element.append_child("animation");
        for (const auto &[frame, ms] : tile.frames) {
            pugi::xml_node f = animation.append_child("frame");
            f.append_attribute("tileid") = frame;
            f.append_attribute("duration") = ms;
        }
    }
    return save_xml(doc, path, "tileset", reason);
}

std::string csv(const std::vector<std::uint32_t> &cells)
{
    std::ostringstream out;
    out << '\n';
    for (std::size_t i = 0; i < cells.size(); ++i) {
        out << cells[i];
        if (i + 1 < cells.size())
            out << ',';
        if ((i + 1) % static_cast<std::size_t>(mapwidth) == 0)
            out << '\n';
    }
    return out.str();
}

bool Exporter::write_map(const char *path, const std::string &tileset, std::string &reason)
{
    pugi::xml_document doc;
    pugi::xml_node map = doc.append_child("map");
    map.append_attribute("version") = TILED_VERSION;
    const bool staggered = mapblockstaggerx || mapblockstaggery;
    map.append_attribute("orientation") = staggered ? "staggered" : "orthogonal";
    map.append_attribute("renderorder") = "right-down";
    map.append_attribute("width") = mapwidth;
    map.append_attribute("height") = mapheight;
    map.append_attribute("tilewidth") = mapblockgapx;
    map.append_attribute("tileheight") = mapblockgapy;
    map.append_attribute("infinite") = 0;
    if (staggered) {
        map.append_attribute("staggeraxis") = "y";
        map.append_attribute("staggerindex") = mapblockstaggerx < 0 ? "even" : "odd";
    }
    int used = 1;
    for (int s = 0; s < SLOTS; ++s)
        if (std::any_of(layers_[s].begin(), layers_[s].end(),
                        [](std::uint32_t g) { return g != 0; }))
            used = s + 1;
    const int objects = start_ ? 1 : 0;
    map.append_attribute("nextlayerid") = used + objects + 1;
    map.append_attribute("nextobjectid") = objects + 1;
    pugi::xml_node set = map.append_child("tileset");
    set.append_attribute("firstgid") = FIRST_GID;
    set.append_attribute("source") = tileset.c_str();
    for (int s = 0; s < used; ++s) {
        pugi::xml_node layer = map.append_child("layer");
        layer.append_attribute("id") = s + 1;
        layer.append_attribute("name") = LAYER_NAMES[s];
        layer.append_attribute("width") = mapwidth;
        layer.append_attribute("height") = mapheight;
        pugi::xml_node data = layer.append_child("data");
        data.append_attribute("encoding") = "csv";
        data.text() = csv(layers_[s]).c_str();
    }
    if (start_)
        add_start(map, used + 1);
    return save_xml(doc, path, "map", reason);
}

bool Exporter::run()
{
    const std::filesystem::path tmx(tmx_path_);
    if (tmx.extension() != ".tmx")
        return fail("the Tiled map's name must end in .tmx");
    if (!check_geometry())
        return false;
    read_graphics();
    const std::size_t cells = static_cast<std::size_t>(mapwidth) * mapheight;
    for (auto &layer : layers_)
        layer.resize(cells);
    for (std::size_t i = 0; i < cells; ++i) {
        const auto &gids = cell_gids(mappt[i]);
        for (int s = 0; s < SLOTS; ++s)
            layers_[s][i] = gids[s];
    }
    note_unused_blocks();
    read_start();
    // The files name one another as they lie side by side in one folder.
    const std::string name = tmx.stem().string();
    const std::string sheet = name + ".png", tileset = name + ".tsx";
    const std::vector<std::string> paths = exported_files(tmx_path_);
    const std::vector<MapOutputFile> files = {
        {paths[0], [&](const char *path, std::string &reason) { return write_sheet(path, reason); }},
        {paths[1],
         [&](const char *path, std::string &reason) {
             return write_tileset(path, name, sheet, reason);
         }},
        {paths[2],
         [&](const char *path, std::string &reason) { return write_map(path, tileset, reason); }},
    };
    std::string problem;
    return MapReplaceFiles(files, &problem) == 0 || fail("cannot write the Tiled map: " + problem);
}

} // namespace

std::vector<std::string> exported_files(const std::string &tmx_path)
{
    const std::filesystem::path tmx(tmx_path), folder = tmx.parent_path();
    const std::string name = tmx.stem().string();
    return {(folder / (name + ".png")).string(), (folder / (name + ".tsx")).string(), tmx_path};
}

bool export_loaded_map(const std::string &tmx_path, Diagnostics &errors,
                       std::vector<Diagnostic> &warnings)
{
    Exporter exporter(tmx_path, errors, warnings);
    return exporter.run() && errors.empty();
}
