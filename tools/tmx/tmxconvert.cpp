// From a read Tiled map to the contents of a map file: the block size that holds every tile
// where Tiled draws it, the graphics (flipped copies included) at 8 bits or in true colour, one
// block record per combination of a cell's tiles, and animations from tile animations.
#include "tmxmap.h"

#include "levelcheck.h"
#include "tmxproperties.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace {

constexpr int TRUE_COLOUR_DEPTH = 24;
constexpr int TRUE_COLOUR_BYTES = 3;
constexpr std::uint8_t MASK_INDEX = 0;
constexpr std::uint8_t MASK_RGB[TRUE_COLOUR_BYTES] = {255, 0, 255};
constexpr std::uint8_t NEAR_MASK_RED = 254; // opaque pixels of the mask colour become this
constexpr std::uint32_t HALF_ALPHA = 0x80;  // alpha below this is transparent
constexpr int MAX_NUMBER = std::numeric_limits<short>::max(); // graphics, blocks, animations
constexpr int MAX_STEPS_PER_FRAME = 128;       // a delay of 0 to 127 shows a frame 1 to 128 updates
constexpr long long MAX_CYCLE_STEPS = 1 << 16; // one cell's animation cycle
constexpr std::size_t MAX_ANIM_FRAMES = 4096;
constexpr std::size_t MIN_PINGPONG_FRAMES = 4; // a, b, c, b: the shortest worth the name
constexpr std::uint8_t FULL = 0xFF;

using TileRef = std::uint32_t; // a global tile id with its flip bits, as a cell holds it
using CellKey = std::array<TileRef, TMX_MAX_TILE_LAYERS>;
using Graphics = std::array<int, TMX_MAX_TILE_LAYERS>; // of a block record, by layer

struct CellKeyHash {
    std::size_t operator()(const CellKey &key) const
    {
        std::size_t h = 0;
        for (TileRef ref : key)
            h = h * 1000003u ^ ref;
        return h;
    }
};

// One frame of one layer of an animated cell: a graphic shown for a number of updates; 0 for a
// layer that shows one graphic all along.
struct Showing {
    int graphic;
    long long steps;
};
using Pattern = std::array<std::vector<Showing>, TMX_MAX_TILE_LAYERS>;
using Run = std::pair<std::int32_t, long long>; // a block record and the updates it stays

// The cell value that shows a frame of an animated tile, flipped as the cell is.
TileRef frame_ref(const TmxTileset &set, const TmxFrame &frame, TileRef cell)
{
    return (set.firstgid + static_cast<std::uint32_t>(frame.tile)) | (cell & TMX_FLIP_BITS);
}

// What an animated cell's block animation follows from: its tiles' settings and what each layer
// shows when.
std::vector<long long> pattern_key(const Pattern &layers, const TileSettings &settings)
{
    std::vector<long long> key{settings.flags_set, settings.flags_cleared};
    for (const auto &attribute : settings.attributes)
        key.insert(key.end(), {attribute.has_value(), attribute.value_or(0)});
    for (const auto &layer : layers) {
        key.push_back(static_cast<long long>(layer.size()));
        for (const Showing &s : layer)
            key.insert(key.end(), {s.graphic, s.steps});
    }
    return key;
}

class Converter {
public:
    Converter(const TmxMap &tmx, const TmxOptions &options, MapFile &map, Diagnostics &errors,
              std::vector<Diagnostic> &warnings)
        : tmx_(tmx), options_(options), map_(map), errors_(errors), warnings_(warnings)
    {
    }

    bool convert();

private:
    struct Tile {
        const TmxTileset *set = nullptr;
        int id = 0;
    };

    bool fail(const TmxPlace &place, const std::string &message)
    {
        errors_.error(place.file, place.pos, message);
        return false;
    }
    void warn(const std::string &message)
    {
        warnings_.push_back({tmx_.file, {}, "warning: " + message});
    }

    Tile tile_of(TileRef ref) const;
    bool check_tiles();
    bool check_tile(TileRef ref);
    TmxTilePicture picture(TileRef ref) const;
    bool block_geometry();
    bool palette_fits() const;
    bool make_graphics();
    void paint(TileRef ref, std::vector<std::uint8_t> &pixels);
    bool transparent_colour(const TmxImageUse &use, std::uint32_t rgb, int index) const;
    void put_pixel(std::uint8_t *out, const TmxImageUse &use, int x, int y);
    const TileSettings &settings(TileRef ref);
    int graphic(TileRef ref) const;
    int block(const Graphics &shown, const TileSettings &settings);
    bool cell_value(const CellKey &key, short &value);
    bool animation(const CellKey &key, const Pattern &layers, const TileSettings &settings,
                   short &value);
    bool cycle_of(const CellKey &key, const Pattern &layers, long long &cycle);
    std::vector<Run> block_runs(const Pattern &layers, long long cycle,
                                const TileSettings &settings);
    bool block_animation(const CellKey &key, const Pattern &layers, const TileSettings &settings,
                         short &value);
    std::vector<Showing> showings(TileRef ref) const;
    bool fill_layer();
    void header();
    bool start();
    std::string place_of_first(TileRef ref, TmxPlace &place) const;
    std::string place_of_cell(const CellKey &key, TmxPlace &place) const;
    std::string cell_name(const TmxLayer &layer, std::size_t index) const;

    const TmxMap &tmx_;
    const TmxOptions &options_;
    MapFile &map_;
    Diagnostics &errors_;
    std::vector<Diagnostic> &warnings_;

    std::vector<TileRef> shown_; // every tile a cell shows, sorted
    int block_width_ = 0, block_height_ = 0, margin_x_ = 0, margin_y_ = 0;
    int depth_ = TRUE_COLOUR_DEPTH;
    std::unordered_map<TileRef, int> graphic_of_;
    std::vector<bool> graphic_see_through_; // per graphic: has a transparent pixel
    std::unordered_multimap<std::size_t, int> graphic_by_hash_;
    std::size_t near_mask_pixels_ = 0;
    std::map<std::pair<const TmxTileset *, int>, TileSettings> settings_;
    std::map<const TmxTileset *, std::vector<std::string>> unknown_properties_;
    std::unordered_map<std::string, int> block_by_record_;
    std::unordered_map<CellKey, short, CellKeyHash> cell_of_key_;
    std::map<std::vector<long long>, short> cell_of_pattern_;
    std::uint64_t animation_steps_ = 0; // simulated for all patterns so far
    std::map<std::pair<std::vector<std::int32_t>, int>, int> anim_by_frames_;
};

Converter::Tile Converter::tile_of(TileRef ref) const
{
    const std::uint32_t gid = ref & TMX_GID_MASK;
    const auto after =
        std::upper_bound(tmx_.tilesets.begin(), tmx_.tilesets.end(), gid,
                         [](std::uint32_t g, const TmxTileset &set) { return g < set.firstgid; });
    if (after == tmx_.tilesets.begin())
        return {};
    const TmxTileset &set = *(after - 1);
    return {&set, static_cast<int>(gid - set.firstgid)};
}

// Where a tile is first used, for a message: the layer and the cell.
std::string Converter::place_of_first(TileRef ref, TmxPlace &place) const
{
    for (const TmxLayer &layer : tmx_.layers) {
        const auto found = std::find(layer.gids.begin(), layer.gids.end(), ref);
        if (found == layer.gids.end())
            continue;
        place = layer.place;
        return cell_name(layer, static_cast<std::size_t>(found - layer.gids.begin()));
    }
    place = {tmx_.file, {}};
    return "a cell";
}

// A cell as messages name it: "layer "ground", cell (3, 5)".
std::string Converter::cell_name(const TmxLayer &layer, std::size_t index) const
{
    return "layer " + in_quotes(layer.name) + ", cell (" + std::to_string(index % tmx_.width) +
           ", " + std::to_string(index / tmx_.width) + ")";
}

// Where a cell of these tiles is first, by its lowest tile.
std::string Converter::place_of_cell(const CellKey &key, TmxPlace &place) const
{
    const auto tile = std::find_if(key.begin(), key.end(), [](TileRef ref) { return ref != 0; });
    return place_of_first(tile == key.end() ? 0 : *tile, place);
}

// Every tile the cells show, flips counted, within the import's budget: each has its graphic and
// settings looked up, so more than a map's graphics can only be tiles that look alike. A cell
// like the one before it adds nothing new, as most do.
bool Converter::check_tiles()
{
    std::unordered_set<TileRef> seen;
    for (const TmxLayer &layer : tmx_.layers) {
        TileRef before = 0;
        for (std::size_t i = 0; i < layer.gids.size(); ++i) {
            const TileRef ref = layer.gids[i];
            if (ref == before || (ref & TMX_GID_MASK) == 0)
                continue;
            before = ref;
            if (seen.insert(ref).second && seen.size() > options_.max_tiles)
                return fail(layer.place, cell_name(layer, i) + ": " +
                                             past_budget(options_.max_tiles, "different tiles") +
                                             " (flips counted)");
        }
    }
    std::vector<TileRef> used(seen.begin(), seen.end());
    std::sort(used.begin(), used.end());
    for (TileRef ref : used)
        if (!check_tile(ref))
            return false;
    std::sort(shown_.begin(), shown_.end());
    shown_.erase(std::unique(shown_.begin(), shown_.end()), shown_.end());
    return true;
}

bool Converter::check_tile(TileRef ref)
{
    const Tile tile = tile_of(ref);
    const std::string gid = std::to_string(ref & TMX_GID_MASK);
    TmxPlace place;
    if (!tile.set || !tile.set->has_tile(tile.id)) {
        const std::string where = place_of_first(ref, place);
        return fail(place, where + ": tile " + gid + " is in no tileset");
    }
    if (ref & TMX_ROTATE_HEXAGONAL) {
        const std::string where = place_of_first(ref, place);
        return fail(place, where + ": tile " + gid +
                               " is turned by 120 degrees, which only "
                               "hexagonal maps do");
    }
    const TmxTile *extra = tile.set->tile(tile.id);
    if (!extra || extra->frames.empty()) {
        shown_.push_back(ref);
        return true;
    }
    for (const TmxFrame &frame : extra->frames) {
        if (!tile.set->has_tile(frame.tile))
            return fail(extra->place, "tileset " + in_quotes(tile.set->name) + ", tile " +
                                          std::to_string(tile.id) + ": its animation shows tile " +
                                          std::to_string(frame.tile) + ", which the tileset lacks");
        shown_.push_back(frame_ref(*tile.set, frame, ref));
    }
    return true;
}

TmxTilePicture Converter::picture(TileRef ref) const
{
    const Tile tile = tile_of(ref);
    return tile.set->picture(tile.id);
}

// Tiled draws a tile with its image's bottom-left corner on the cell's bottom-left corner,
// moved by the tileset's offset. A block graphic is as large as the cell and, around it, as
// much as the furthest tile reaches out on either side, so that the cell stays in its middle.
bool Converter::block_geometry()
{
    int reach_x = 0, reach_y = 0;
    for (TileRef ref : shown_) {
        const Tile tile = tile_of(ref);
        const TmxTilePicture pic = tile.set->picture(tile.id);
        if ((ref & TMX_FLIP_DIAGONAL) && pic.width != pic.height) {
            TmxPlace place;
            const std::string where = place_of_first(ref, place);
            return fail(place, where + ": tile " + std::to_string(ref & TMX_GID_MASK) +
                                   " is flipped diagonally, which only square tiles can be here");
        }
        const int left = tile.set->offset_x;
        const int top = tmx_.tile_height - pic.height + tile.set->offset_y;
        reach_x = std::max({reach_x, -left, left + pic.width - tmx_.tile_width});
        reach_y = std::max({reach_y, -top, top + pic.height - tmx_.tile_height});
    }
    margin_x_ = reach_x;
    margin_y_ = reach_y;
    block_width_ = tmx_.tile_width + 2 * reach_x;
    block_height_ = tmx_.tile_height + 2 * reach_y;
    const std::uint64_t bytes = static_cast<std::uint64_t>(block_width_) * block_height_ *
                                TRUE_COLOUR_BYTES * (shown_.size() + 1);
    const std::string graphics = std::to_string(shown_.size()) + " graphics of " +
                                 std::to_string(block_width_) + " x " +
                                 std::to_string(block_height_) + " pixels";
    if (block_width_ > MAX_NUMBER || block_height_ > MAX_NUMBER)
        return fail({tmx_.file, {}}, graphics + " would not fit a map file");
    if (bytes > options_.max_graphics_bytes)
        return fail({tmx_.file, {}}, graphics + " and the empty one take " +
                                         std::to_string(bytes) + " bytes, " +
                                         past_budget(options_.max_graphics_bytes,
                                                     "graphics bytes"));
    return true;
}

bool Converter::transparent_colour(const TmxImageUse &use, std::uint32_t rgb, int index) const
{
    if (!use.has_trans)
        return false;
    if (!use.image->paletted)
        return rgb == use.trans;
    const std::uint8_t *entry = use.image->palette.data() + 3 * index;
    return (std::uint32_t(entry[0]) << 16 | std::uint32_t(entry[1]) << 8 | entry[2]) == use.trans;
}

// An 8-bit map needs every image paletted with one palette, and index 0 free for transparency.
bool Converter::palette_fits() const
{
    const TmxImage *first = nullptr;
    for (TileRef ref : shown_) {
        const TmxTilePicture pic = picture(ref);
        const TmxImage &image = *pic.image->image;
        if (!image.paletted || (first && image.palette != first->palette))
            return false;
        first = &image;
        for (int y = 0; y < pic.height; ++y)
            for (int x = 0; x < pic.width; ++x) {
                const int index = image.indices[(pic.y + y) * image.width + pic.x + x];
                if (index == MASK_INDEX && !transparent_colour(*pic.image, 0, index))
                    return false;
            }
    }
    return first != nullptr;
}

void Converter::put_pixel(std::uint8_t *out, const TmxImageUse &use, int x, int y)
{
    const TmxImage &image = *use.image;
    const std::size_t at = static_cast<std::size_t>(y) * image.width + x;
    if (depth_ == MAP_PALETTE_DEPTH) {
        const int index = image.indices[at];
        out[0] = transparent_colour(use, 0, index) ? MASK_INDEX : static_cast<std::uint8_t>(index);
        return;
    }
    std::uint32_t argb = 0;
    if (image.paletted) {
        const int index = image.indices[at];
        if (transparent_colour(use, 0, index))
            return;
        argb = std::uint32_t(FULL) << 24;
        for (int c = 0; c < TRUE_COLOUR_BYTES; ++c)
            argb |= std::uint32_t(image.palette[3 * index + c]) << (16 - 8 * c);
    } else {
        argb = image.argb[at];
        if ((argb >> 24) < HALF_ALPHA || transparent_colour(use, argb & 0xFFFFFF, 0))
            return;
    }
    for (int c = 0; c < TRUE_COLOUR_BYTES; ++c)
        out[c] = static_cast<std::uint8_t>(argb >> (16 - 8 * c));
    if (std::equal(out, out + TRUE_COLOUR_BYTES, MASK_RGB)) {
        out[0] = NEAR_MASK_RED;
        ++near_mask_pixels_;
    }
}

// The tile's image, flipped as the cell says (diagonally first, then horizontally and
// vertically), at its place in the block graphic; the rest stays transparent.
void Converter::paint(TileRef ref, std::vector<std::uint8_t> &pixels)
{
    const Tile tile = tile_of(ref);
    const TmxTilePicture pic = tile.set->picture(tile.id);
    const int bytes = depth_ == MAP_PALETTE_DEPTH ? 1 : TRUE_COLOUR_BYTES;
    const int left = margin_x_ + tile.set->offset_x;
    const int top = margin_y_ + tmx_.tile_height - pic.height + tile.set->offset_y;
    for (int y = 0; y < pic.height; ++y) {
        for (int x = 0; x < pic.width; ++x) {
            int sx = ref & TMX_FLIP_HORIZONTAL ? pic.width - 1 - x : x;
            int sy = ref & TMX_FLIP_VERTICAL ? pic.height - 1 - y : y;
            if (ref & TMX_FLIP_DIAGONAL)
                std::swap(sx, sy);
            std::uint8_t *out =
                pixels.data() +
                (static_cast<std::size_t>(top + y) * block_width_ + left + x) * bytes;
            put_pixel(out, *pic.image, pic.x + sx, pic.y + sy);
        }
    }
}

// True when some pixel of a graphic is the mask colour (index 0, or the mask's red, green, blue).
bool has_mask_pixel(const std::vector<std::uint8_t> &pixels, int depth)
{
    if (depth == MAP_PALETTE_DEPTH)
        return std::find(pixels.begin(), pixels.end(), MASK_INDEX) != pixels.end();
    for (std::size_t i = 0; i < pixels.size(); i += TRUE_COLOUR_BYTES)
        if (std::equal(MASK_RGB, MASK_RGB + TRUE_COLOUR_BYTES,
                       pixels.begin() + static_cast<long>(i)))
            return true;
    return false;
}

bool Converter::make_graphics()
{
    depth_ = palette_fits() ? MAP_PALETTE_DEPTH : TRUE_COLOUR_DEPTH;
    const std::size_t bytes = static_cast<std::size_t>(block_width_) * block_height_ *
                              (depth_ == MAP_PALETTE_DEPTH ? 1 : TRUE_COLOUR_BYTES);
    std::vector<std::uint8_t> blank(bytes, MASK_INDEX);
    if (depth_ == TRUE_COLOUR_DEPTH)
        for (std::size_t i = 0; i < bytes; ++i)
            blank[i] = MASK_RGB[i % TRUE_COLOUR_BYTES];
    // Tiles that look alike share one graphic; the blank one is graphic 0, the empty cell's.
    // Graphics are found by a hash of their pixels and compared where they are kept.
    auto add = [&](const std::vector<std::uint8_t> &pixels) {
        const std::size_t hash = std::hash<std::string_view>()(
            std::string_view(reinterpret_cast<const char *>(pixels.data()), pixels.size()));
        const auto [first, last] = graphic_by_hash_.equal_range(hash);
        for (auto found = first; found != last; ++found)
            if (std::equal(pixels.begin(), pixels.end(),
                           map_.gfx.begin() + static_cast<long>(found->second * bytes)))
                return found->second;
        const int number = map_.numgfx++;
        graphic_by_hash_.emplace(hash, number);
        map_.gfx.insert(map_.gfx.end(), pixels.begin(), pixels.end());
        graphic_see_through_.push_back(has_mask_pixel(pixels, depth_));
        return number;
    };
    add(blank);
    for (TileRef ref : shown_) {
        std::vector<std::uint8_t> pixels = blank;
        paint(ref, pixels);
        graphic_of_[ref] = add(pixels);
        if (map_.numgfx > MAX_NUMBER)
            return fail({tmx_.file, {}}, "more than " + std::to_string(MAX_NUMBER) + " graphics");
    }
    if (near_mask_pixels_)
        warn(std::to_string(near_mask_pixels_) + " opaque pixels of the mask colour (255, 0, "
                                                 "255) are drawn as (254, 0, 255)");
    if (depth_ == MAP_PALETTE_DEPTH) {
        const TmxImage &image = *picture(shown_.front()).image->image;
        map_.cmap.assign(image.palette.begin(), image.palette.end());
    }
    return true;
}

const TileSettings &Converter::settings(TileRef ref)
{
    static const TileSettings none;
    if ((ref & TMX_GID_MASK) == 0)
        return none;
    const Tile tile = tile_of(ref);
    const auto key = std::make_pair(tile.set, tile.id);
    const auto found = settings_.find(key);
    if (found != settings_.end())
        return found->second;
    TileSettings &made = settings_[key];
    if (const TmxTile *extra = tile.set->tile(tile.id))
        read_tile_settings(extra->properties, made, unknown_properties_[tile.set], errors_);
    return made;
}

int Converter::graphic(TileRef ref) const
{
    return (ref & TMX_GID_MASK) == 0 ? 0 : graphic_of_.at(ref);
}

int Converter::block(const Graphics &shown, const TileSettings &settings)
{
    MapFileBlock b;
    b.gfx_bg = shown[0];
    b.gfx_fg1 = shown[1];
    b.gfx_fg2 = shown[2];
    b.gfx_fg3 = shown[3];
    settings.apply(b, graphic_see_through_[static_cast<std::size_t>(b.gfx_bg)]);
    const std::string key(reinterpret_cast<const char *>(&b), sizeof b);
    const auto found = block_by_record_.find(key);
    if (found != block_by_record_.end())
        return found->second;
    const int number = static_cast<int>(map_.blocks.size());
    block_by_record_.emplace(key, number);
    map_.blocks.push_back(b);
    return number;
}

// The graphics one layer of a cell shows over a cycle, each for whole updates; frames of one
// graphic in a row are one showing, and a layer of one graphic does not change.
std::vector<Showing> Converter::showings(TileRef ref) const
{
    const Tile tile = tile_of(ref);
    const TmxTile *extra = (ref & TMX_GID_MASK) ? tile.set->tile(tile.id) : nullptr;
    if (!extra || extra->frames.empty())
        return {{graphic(ref), 0}};
    std::vector<Showing> out;
    for (const TmxFrame &frame : extra->frames) {
        const long long rounded = (frame.duration + ANIMATION_STEP_MS / 2LL) / ANIMATION_STEP_MS;
        const long long steps = std::max(1LL, rounded);
        const int shown = graphic(frame_ref(*tile.set, frame, ref));
        if (!out.empty() && out.back().graphic == shown)
            out.back().steps += steps;
        else
            out.push_back({shown, steps});
    }
    if (out.size() == 1)
        out.front().steps = 0;
    return out;
}

// Frames that go there and back (a, b, c, b) become a ping-pong over a, b, c.
bool is_there_and_back(const std::vector<std::int32_t> &frames)
{
    const std::size_t n = frames.size();
    if (n < MIN_PINGPONG_FRAMES || n % 2 != 0)
        return false;
    for (std::size_t i = 1; i < n / 2; ++i)
        if (frames[i] != frames[n - i])
            return false;
    return true;
}

// The shortest stretch that repeats to make the whole cycle.
void drop_repeats(std::vector<std::int32_t> &frames)
{
    const std::size_t n = frames.size();
    for (std::size_t period = 1; period < n; ++period) {
        if (n % period != 0)
            continue;
        bool repeats = true;
        for (std::size_t i = period; i < n && repeats; ++i)
            repeats = frames[i] == frames[i - period];
        if (repeats) {
            frames.resize(period);
            return;
        }
    }
}

// Cells whose tiles differ but show the same graphics for the same times with the same settings
// share one animation, worked out once.
bool Converter::animation(const CellKey &key, const Pattern &layers, const TileSettings &settings,
                          short &value)
{
    std::vector<long long> pattern = pattern_key(layers, settings);
    const auto found = cell_of_pattern_.find(pattern);
    if (found != cell_of_pattern_.end()) {
        value = found->second;
        return true;
    }
    if (!block_animation(key, layers, settings, value))
        return false;
    cell_of_pattern_.emplace(std::move(pattern), value);
    return true;
}

// How many updates the cell's layers take to show their frames together from the start again: all
// their cycles together. Every cycle worked out counts against the import's budget.
bool Converter::cycle_of(const CellKey &key, const Pattern &layers, long long &cycle)
{
    cycle = 1;
    TmxPlace place;
    for (int l = 0; l < TMX_MAX_TILE_LAYERS; ++l) {
        long long length = 0;
        for (const Showing &s : layers[l])
            length += s.steps;
        // A layer's own cycle too long stops the count before the common one can overflow.
        cycle = length > MAX_CYCLE_STEPS ? length : std::lcm(cycle, std::max(length, 1LL));
        if (cycle > MAX_CYCLE_STEPS) {
            const std::string where = place_of_first(key[l], place);
            return fail(place, where + ": the tile animations here repeat only after " +
                                   std::to_string(cycle * ANIMATION_STEP_MS) + " ms, more than " +
                                   std::to_string(MAX_CYCLE_STEPS * ANIMATION_STEP_MS));
        }
    }
    animation_steps_ += static_cast<std::uint64_t>(cycle);
    if (animation_steps_ <= options_.max_animation_steps)
        return true;
    const std::string where = place_of_cell(key, place);
    return fail(place, where + ": turning the tile animations into block animations takes " +
                           std::to_string(animation_steps_) + " update steps here, " +
                           past_budget(options_.max_animation_steps, "update steps"));
}

// Each moment of the cycle shows one combination of frames, a block record: the records in order.
std::vector<Run> Converter::block_runs(const Pattern &layers, long long cycle,
                                       const TileSettings &settings)
{
    std::vector<Run> runs;
    std::array<std::size_t, TMX_MAX_TILE_LAYERS> frame{};
    std::array<long long, TMX_MAX_TILE_LAYERS> left{};
    for (int l = 0; l < TMX_MAX_TILE_LAYERS; ++l)
        left[l] = layers[l][0].steps;
    Graphics shown{};
    int b = 0;
    for (long long t = 0; t < cycle; ++t) {
        bool changed = t == 0;
        for (int l = 0; l < TMX_MAX_TILE_LAYERS; ++l) {
            const bool animated = layers[l][frame[l]].steps > 0;
            if (animated && left[l] == 0) {
                frame[l] = (frame[l] + 1) % layers[l].size();
                left[l] = layers[l][frame[l]].steps;
                changed = true;
            }
            shown[l] = layers[l][frame[l]].graphic;
            left[l] -= animated ? 1 : 0;
        }
        b = changed ? block(shown, settings) : b;
        if (!runs.empty() && runs.back().first == b)
            ++runs.back().second;
        else
            runs.push_back({b, 1});
    }
    return runs;
}

// The layers of a cell animate together, and the animation steps at the longest interval that
// divides every frame's time.
bool Converter::block_animation(const CellKey &key, const Pattern &layers,
                                const TileSettings &settings, short &value)
{
    long long cycle = 0;
    if (!cycle_of(key, layers, cycle))
        return false;
    const auto runs = block_runs(layers, cycle, settings);
    if (runs.size() == 1) {
        value = static_cast<short>(runs.front().first);
        return true;
    }
    long long common = 0;
    for (const auto &run : runs)
        common = std::gcd(common, run.second);
    long long unit = std::min<long long>(common, MAX_STEPS_PER_FRAME);
    while (common % unit != 0)
        --unit;
    std::vector<std::int32_t> frames;
    for (const auto &run : runs)
        frames.insert(frames.end(), static_cast<std::size_t>(run.second / unit), run.first);
    drop_repeats(frames);
    MapFileAnim anim;
    anim.type = anim_loop_forward;
    if (is_there_and_back(frames)) {
        anim.type = anim_pingpong_forward;
        frames.resize(frames.size() / 2 + 1);
    }
    if (frames.size() > MAX_ANIM_FRAMES) {
        TmxPlace place;
        const std::string where = place_of_cell(key, place);
        return fail(place, where + ": the tile animations here need " +
                               std::to_string(frames.size()) + " frames, more than " +
                               std::to_string(MAX_ANIM_FRAMES));
    }
    anim.delay = static_cast<std::uint8_t>(unit - 1);
    anim.countdown = static_cast<std::int8_t>(anim.delay);
    const auto anim_key =
        std::make_pair(frames, anim.type * (MAX_STEPS_PER_FRAME + 1) + anim.delay);
    const auto found = anim_by_frames_.find(anim_key);
    if (found == anim_by_frames_.end()) {
        anim.first = static_cast<std::int32_t>(map_.animseq.size());
        map_.animseq.insert(map_.animseq.end(), frames.begin(), frames.end());
        anim.end = static_cast<std::int32_t>(map_.animseq.size());
        anim.current = anim.first;
        map_.anims.push_back(anim);
        anim_by_frames_.emplace(anim_key, static_cast<int>(map_.anims.size()));
        value = static_cast<short>(-static_cast<int>(map_.anims.size()));
    } else {
        value = static_cast<short>(-found->second);
    }
    return true;
}

bool Converter::cell_value(const CellKey &key, short &value)
{
    const auto found = cell_of_key_.find(key);
    if (found != cell_of_key_.end()) {
        value = found->second;
        return true;
    }
    TileSettings merged;
    Pattern layers;
    bool animated = false;
    for (int l = 0; l < TMX_MAX_TILE_LAYERS; ++l) {
        merged.add(settings(key[l]));
        layers[l] = showings(key[l]);
        animated = animated || layers[l].front().steps > 0;
    }
    if (!errors_.empty())
        return false;
    if (animated) {
        if (!animation(key, layers, merged, value))
            return false;
    } else {
        value = static_cast<short>(block({layers[0][0].graphic, layers[1][0].graphic,
                                          layers[2][0].graphic, layers[3][0].graphic},
                                         merged));
    }
    if (map_.blocks.size() > MAX_NUMBER || map_.anims.size() > MAX_NUMBER)
        return fail({tmx_.file, {}},
                    "more than " + std::to_string(MAX_NUMBER) + " block records or animations");
    cell_of_key_.emplace(key, value);
    return true;
}

// The empty cell is block 0, as a cell erased to 0 is, whether or not the map has one; a tile
// never is.
bool Converter::fill_layer()
{
    short empty = 0;
    if (!cell_value(CellKey{}, empty))
        return false;
    const std::size_t cells = static_cast<std::size_t>(tmx_.width) * tmx_.height;
    std::vector<short> &layer = map_.layers[0];
    layer.resize(cells);
    for (std::size_t i = 0; i < cells; ++i) {
        CellKey key{};
        for (std::size_t l = 0; l < tmx_.layers.size(); ++l)
            key[l] = tmx_.layers[l].gids[i];
        if (!cell_value(key, layer[i]))
            return false;
        if (cell_of_key_.size() > options_.max_tile_combinations)
            return fail(tmx_.layers.front().place,
                        cell_name(tmx_.layers.front(), i) + ": " +
                            past_budget(options_.max_tile_combinations,
                                        "different combinations of tiles in cells"));
    }
    return true;
}

void Converter::header()
{
    map_.maptype = MAP_TYPE_RUNS;
    map_.width = tmx_.width;
    map_.height = tmx_.height;
    map_.depth = depth_;
    map_.blockwidth = block_width_;
    map_.blockheight = block_height_;
    map_.gapx = tmx_.tile_width;
    map_.gapy = tmx_.tile_height;
    if (tmx_.staggered) {
        // Odd rows are shifted right by half a tile; with staggerindex "even" the even rows are,
        // which is the odd rows shifted left.
        map_.staggerx = (tmx_.stagger_even ? -1 : 1) * tmx_.tile_width / 2;
        map_.staggery = tmx_.tile_height / 2;
    }
}

// Map pixels count from the map's first cell, Tiled's from its cell (0, 0).
bool Converter::start()
{
    if (!tmx_.start)
        return true;
    const double x = std::round(tmx_.start->x) - double(tmx_.origin_x) * tmx_.tile_width;
    const double y = std::round(tmx_.start->y) - TMX_FEET_ABOVE_START -
                     double(tmx_.origin_y) * tmx_.tile_height;
    constexpr double low = std::numeric_limits<std::int32_t>::min();
    constexpr double high = std::numeric_limits<std::int32_t>::max();
    if (!(x >= low && x <= high && y >= low && y <= high))
        return fail(tmx_.start->place, "the object named " + in_quotes(TMX_START_OBJECT) +
                                           " lies further out than a map file can say");
    map_.extra_chunks.push_back(
        start_chunk({static_cast<int>(x), static_cast<int>(y)}, map_.lsb));
    return true;
}

bool Converter::convert()
{
    map_ = MapFile{};
    if (!check_tiles() || !block_geometry() || !make_graphics() || !fill_layer() || !start())
        return false;
    for (const auto &[set, names] : unknown_properties_) {
        if (names.empty())
            continue;
        std::vector<std::string> distinct = names;
        std::sort(distinct.begin(), distinct.end());
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        std::string list;
        for (const std::string &name : distinct)
            list += (list.empty() ? "" : ", ") + name;
        warnings_.push_back({set->place.file, set->place.pos,
                             "warning: tileset " + in_quotes(set->name) + ": tile properties " +
                                 list + " left out"});
    }
    header();
    return errors_.empty();
}

} // namespace

bool convert_tmx(const TmxMap &tmx, const TmxOptions &options, MapFile &map, Diagnostics &errors,
                 std::vector<Diagnostic> &warnings)
{
    Converter converter(tmx, options, map, errors, warnings);
    return converter.convert();
}

bool is_tiled_map_name(const std::string &path)
{
    return name_ends_with(path, ".tmx") || name_ends_with(path, ".tmx.gz");
}

bool import_tiled_map(const std::string &path, const TmxOptions &options, MapFile &map,
                      Diagnostics &errors, std::vector<Diagnostic> &warnings)
{
    TmxMap tmx;
    return read_tmx(path, options, tmx, errors, warnings) &&
           convert_tmx(tmx, options, map, errors, warnings);
}
