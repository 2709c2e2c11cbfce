// A Tiled map as read from its files, before it becomes a map file: the grid, the tilesets with
// their decoded images, properties and animations, and the tile layers as grids of tile ids.
#ifndef TMXMAP_H
#define TMXMAP_H

#include "diagnostic.h"
#include "tmxdata.h"
#include "tmximport.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A name as messages show it: in double quotes.
inline std::string in_quotes(const std::string &text)
{
    return "\"" + text + "\"";
}

// Where something was written: the file and the line and column of its element.
struct TmxPlace {
    std::string file;
    SourcePos pos;
};

// Flip flags in the top bits of a global tile id, and the rest: the id itself.
enum : std::uint32_t {
    TMX_FLIP_HORIZONTAL = 0x80000000u,
    TMX_FLIP_VERTICAL = 0x40000000u,
    TMX_FLIP_DIAGONAL = 0x20000000u,
    TMX_ROTATE_HEXAGONAL = 0x10000000u,
    TMX_FLIP_BITS = TMX_FLIP_HORIZONTAL | TMX_FLIP_VERTICAL | TMX_FLIP_DIAGONAL,
    TMX_GID_MASK = 0x0FFFFFFFu,
};

// A decoded image: palette indices and the palette (red, green, blue, 0 to 255), or colours as
// 0xAARRGGBB. One import decodes each image file once, for every tileset and tile showing it.
struct TmxImage {
    std::string path;
    int width = 0, height = 0;
    bool paletted = false;
    std::vector<std::uint8_t> indices;
    std::array<std::uint8_t, 3 * 256> palette{};
    std::vector<std::uint32_t> argb;
};

// An image as one <image> element uses it: with its colour key (0xRRGGBB), when it has one.
struct TmxImageUse {
    std::shared_ptr<const TmxImage> image;
    bool has_trans = false;
    std::uint32_t trans = 0;
};

struct TmxProperty {
    std::string name, type, value;
    TmxPlace place;
};

struct TmxFrame {
    int tile = 0;     // tile id in the same tileset
    int duration = 0; // milliseconds
};

// What a tileset says about one of its tiles beyond the image grid.
struct TmxTile {
    TmxPlace place;
    int image = -1; // image collections: the tile's own image in TmxTileset::images
    std::vector<TmxProperty> properties;
    std::vector<TmxFrame> frames;
};

// Where a tile's pixels are: an image and a rectangle of it.
struct TmxTilePicture {
    const TmxImageUse *image = nullptr;
    int x = 0, y = 0, width = 0, height = 0;
};

struct TmxTileset {
    TmxPlace place;
    std::string name;
    std::uint32_t firstgid = 0;
    int tile_width = 0, tile_height = 0, margin = 0, spacing = 0;
    int offset_x = 0, offset_y = 0;  // drawing offset of every tile
    bool collection = false;         // image collection: each tile has its own image
    int columns = 0, capacity = 0;   // the image grid of an atlas tileset
    std::vector<TmxImageUse> images; // atlas: the one image
    std::map<int, TmxTile> tiles;

    bool has_tile(int id) const;
    // Tile ids 0 to id_count() - 1 may have tiles; global ids firstgid onwards name them.
    int id_count() const;
    TmxTilePicture picture(int id) const;
    const TmxTile *tile(int id) const;
};

// A tile layer over the whole map: width x height ids, row by row.
struct TmxLayer {
    std::string name;
    TmxPlace place;
    TmxGids gids;
};

constexpr int TMX_MAX_TILE_LAYERS = 4; // background and three foregrounds

// The object that says where the girl starts, and its position in Tiled's pixels with the
// offsets of its layer and groups: a point, or a tile object's bottom-left corner, is where her
// feet stand.
constexpr const char *TMX_START_OBJECT = "start";
// The object marks the line her feet stand on, and they are the pixel row above it: a point on
// the top edge of a floor tile, where the grid snaps it, starts her on that floor.
constexpr int TMX_FEET_ABOVE_START = 1;
struct TmxStart {
    double x = 0, y = 0;
    TmxPlace place;
};

struct TmxMap {
    std::string file;
    bool staggered = false;
    bool stagger_even = false; // staggerindex "even": even rows are shifted
    int tile_width = 0, tile_height = 0;
    int width = 0, height = 0;        // cells; an infinite map's chunks' bounding box
    int origin_x = 0, origin_y = 0;   // Tiled's cell at the top-left, where chunks begin
    std::vector<TmxTileset> tilesets; // by ascending firstgid
    std::vector<TmxLayer> layers;
    std::optional<TmxStart> start;
};

// Decode a PNG file of at most `max_pixels` pixels. Palette images without transparency keep
// their indices; the others become colours with alpha. False with what is wrong in `problem` (a
// phrase about the image: "is not a PNG file"); one too large has its size in `out` and an empty
// `problem`, for the caller to say whose budget it passes.
bool decode_png(const std::string &bytes, std::uint64_t max_pixels, TmxImage &out,
                std::string &problem);

// Read the map file at `path` (plain or gzip), its external tilesets and their images through
// `options.read`. Every problem goes to errors; what the map file format cannot hold goes to
// warnings. Returns errors.empty().
bool read_tmx(const std::string &path, const TmxOptions &options, TmxMap &map, Diagnostics &errors,
              std::vector<Diagnostic> &warnings);

// Turn a read map into the contents of a map file. Returns errors.empty().
bool convert_tmx(const TmxMap &tmx, const TmxOptions &options, MapFile &map, Diagnostics &errors,
                 std::vector<Diagnostic> &warnings);

#endif
