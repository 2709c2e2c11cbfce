// Maps built for tests as MapFile values, and loaded through the writer and the decoder.
#include "testmaps.h"

#include <algorithm>

namespace testmaps {

namespace {
constexpr int PALETTE_ENTRIES = PALETTE_BYTES / 3;
} // namespace

std::vector<unsigned char> black_cmap()
{
    return std::vector<unsigned char>(PALETTE_BYTES, 0);
}

std::vector<unsigned char> grey_cmap()
{
    std::vector<unsigned char> cmap(PALETTE_BYTES);
    for (int i = 0; i < PALETTE_BYTES; ++i)
        cmap[i] = static_cast<unsigned char>(i / 3);
    return cmap;
}

std::vector<unsigned char> distinct_cmap()
{
    std::vector<unsigned char> cmap(PALETTE_BYTES);
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        cmap[3 * i] = static_cast<unsigned char>((i & 7) << 5);
        cmap[3 * i + 1] = static_cast<unsigned char>(((i >> 3) & 7) << 5);
        cmap[3 * i + 2] = static_cast<unsigned char>(((i >> 6) & 3) << 6);
    }
    return cmap;
}

int add_solid_graphic(MapFile &map, int colour)
{
    const std::size_t pixels = static_cast<std::size_t>(map.blockwidth) * map.blockheight;
    map.gfx.insert(map.gfx.end(), pixels, static_cast<unsigned char>(colour));
    return map.numgfx++;
}

MapFile solid_map(int width, int height, int graphics, int blockwidth, int blockheight)
{
    MapFile map;
    map.width = width;
    map.height = height;
    map.blockwidth = map.gapx = blockwidth;
    map.blockheight = map.gapy = blockheight;
    map.cmap = distinct_cmap();
    for (int g = 0; g < graphics; ++g)
        add_solid_graphic(map, g);
    map.layers[0].assign(static_cast<std::size_t>(width) * height, 0);
    return map;
}

void paint(MapFile &map, int g, const std::function<int(int x, int y)> &colour)
{
    const int pixels = map.blockwidth * map.blockheight;
    for (int y = 0; y < map.blockheight; ++y)
        for (int x = 0; x < map.blockwidth; ++x)
            map.gfx[g * pixels + y * map.blockwidth + x] =
                static_cast<unsigned char>(colour(x, y));
}

int add_block(MapFile &map, int bg, int fg1, int fg2, int fg3, std::uint8_t flags)
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

void add_block_per_graphic(MapFile &map)
{
    for (int g = 0; g < map.numgfx; ++g)
        add_block(map, g);
}

short &cell(MapFile &map, int layer, int column, int row)
{
    return map.layers[layer][static_cast<std::size_t>(row) * map.width + column];
}

int add_animation(MapFile &map, const std::vector<int> &blocks, std::int8_t type)
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

std::string load(const MapFile &map)
{
    std::string problem;
    const std::vector<unsigned char> image = MapEncode(map, &problem);
    if (image.empty())
        return "the writer refuses the map: " + problem;
    if (MapDecode(image.data()) != 0)
        return "the decoder refuses the map: maperror " + std::to_string(maperror) + ", " +
               MapErrorText(maperror);
    return "";
}

long block_number(const BlockStr *block)
{
    return block ? block - mapblockstrpt : -1;
}

} // namespace testmaps
