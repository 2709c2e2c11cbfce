// Maps and canvases for the view tests: maps built as MapFile values (solid-colour 8-bit
// graphics, blocks, layers), loaded through the writer and the decoder, and drawn into bitmaps.
#ifndef TESTS_MAPVIEW_TESTMAP_H
#define TESTS_MAPVIEW_TESTMAP_H

#include "headless.h"
#include "maplib.h"

#include <functional>
#include <vector>

namespace testmap {

constexpr int BLOCK = 16;
constexpr int PALETTE_BYTES = 768;
constexpr int UNTOUCHED = 255; // canvas colour that no test graphic uses

// A palette whose entries stay distinct in every colour depth and never hit the mask colour.
inline std::vector<unsigned char> distinct_palette()
{
    std::vector<unsigned char> cmap(PALETTE_BYTES);
    for (int i = 0; i < 256; ++i) {
        cmap[3 * i] = static_cast<unsigned char>((i & 7) << 5);
        cmap[3 * i + 1] = static_cast<unsigned char>(((i >> 3) & 7) << 5);
        cmap[3 * i + 2] = static_cast<unsigned char>(((i >> 6) & 3) << 6);
    }
    return cmap;
}

// A width x height map of blockwidth x blockheight blocks (gaps equal to the block size) with
// `graphics` 8-bit graphics, graphic g filled with colour index g (graphic 0 is all mask
// colour), no block records yet and layer 0 all zero.
inline MapFile solid_map(int width, int height, int graphics, int blockwidth = BLOCK,
                         int blockheight = BLOCK)
{
    MapFile map;
    map.width = width;
    map.height = height;
    map.blockwidth = map.gapx = blockwidth;
    map.blockheight = map.gapy = blockheight;
    map.cmap = distinct_palette();
    map.numgfx = graphics;
    const int pixels = blockwidth * blockheight;
    map.gfx.resize(static_cast<size_t>(graphics) * pixels);
    for (int g = 0; g < graphics; ++g)
        std::fill(map.gfx.begin() + g * pixels, map.gfx.begin() + (g + 1) * pixels,
                  static_cast<unsigned char>(g));
    map.layers[0].assign(static_cast<size_t>(width) * height, 0);
    return map;
}

// Repaint graphic g pixel by pixel: colour(x, y) gives the colour index.
inline void paint(MapFile &map, int g, const std::function<int(int x, int y)> &colour)
{
    const int pixels = map.blockwidth * map.blockheight;
    for (int y = 0; y < map.blockheight; ++y)
        for (int x = 0; x < map.blockwidth; ++x)
            map.gfx[g * pixels + y * map.blockwidth + x] =
                static_cast<unsigned char>(colour(x, y));
}

// Append a block record; returns its number.
inline int add_block(MapFile &map, int bg, int fg1 = 0, int fg2 = 0, int fg3 = 0,
                     std::uint8_t flags = 0)
{
    MapFileBlock block;
    block.gfx_bg = bg;
    block.gfx_fg1 = fg1;
    block.gfx_fg2 = fg2;
    block.gfx_fg3 = fg3;
    block.flags = flags;
    map.blocks.push_back(block);
    return static_cast<int>(map.blocks.size()) - 1;
}

// Block b shows graphic b as its background, for every graphic.
inline void add_block_per_graphic(MapFile &map)
{
    for (int g = 0; g < map.numgfx; ++g)
        add_block(map, g);
}

inline short &cell(MapFile &map, int layer, int column, int row)
{
    return map.layers[layer][static_cast<size_t>(row) * map.width + column];
}

// Add animation k (cell value -k) over the given blocks; returns k.
inline int add_animation(MapFile &map, const std::vector<int> &blocks,
                         std::int8_t type = anim_loop_forward)
{
    MapFileAnim anim;
    anim.type = type;
    anim.first = static_cast<std::int32_t>(map.animseq.size());
    for (int b : blocks)
        map.animseq.push_back(b);
    anim.end = static_cast<std::int32_t>(map.animseq.size());
    map.anims.push_back(anim);
    return static_cast<int>(map.anims.size());
}

// Encode the map with the writer and decode it into the library's globals.
inline ::testing::AssertionResult load(const MapFile &map)
{
    const std::vector<unsigned char> image = MapEncode(map);
    if (image.empty())
        return ::testing::AssertionFailure() << "the writer cannot encode the map";
    if (MapDecode(image.data()) != 0)
        return ::testing::AssertionFailure() << "decoding failed with maperror " << maperror;
    return ::testing::AssertionSuccess();
}

// The number of the block record a pointer names, -1 for null.
inline long block_number(const BlockStr *block)
{
    return block ? block - mapblockstrpt : -1;
}

// A bitmap filled with UNTOUCHED, in the screen's colour depth unless told otherwise.
class Canvas {
public:
    explicit Canvas(int width = 320, int height = 240, int depth = 0)
        : bmp_(create_bitmap_ex(depth ? depth : bitmap_color_depth(screen), width, height))
    {
        clear_to_color(bmp_, UNTOUCHED);
    }
    ~Canvas() { destroy_bitmap(bmp_); }
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    BITMAP *get() const { return bmp_; }
    operator BITMAP *() const { return bmp_; }
    int at(int x, int y) const { return getpixel(bmp_, x, y); }

    // Number of pixels outside the rectangle (x, y, w, h) that are no longer UNTOUCHED.
    int changed_outside(int x, int y, int w, int h) const
    {
        int changed = 0;
        for (int py = 0; py < bmp_->h; ++py)
            for (int px = 0; px < bmp_->w; ++px) {
                const bool inside = px >= x && px < x + w && py >= y && py < y + h;
                if (!inside && at(px, py) != UNTOUCHED)
                    ++changed;
            }
        return changed;
    }

private:
    BITMAP *bmp_;
};

} // namespace testmap

#endif
