// The rules a map file must meet to be loaded: the header's, the size of graphics, and the
// largest bitmap made from a file's numbers. The decoders and the writer both apply them.
#include "maprules.h"

#include "mapformat.h"
#include "mapinternal.h"

namespace {

using namespace mapformat;

constexpr std::int64_t MAX_LAYER_CELLS = std::int64_t{1} << 24;
constexpr std::int64_t MEBIBYTE = std::int64_t{1} << 20;

// A header chunk must hold every field its length announces: gaps and staggers come with more
// than 28 bytes, the click mask with more than 36.
bool header_length_is_whole(std::uint32_t size)
{
    if (size < HEADER_MIN_SIZE)
        return false;
    if (size > HEADER_BASIC_SIZE && size < HEADER_GAPS_SIZE)
        return false;
    return !(size > HEADER_GAPS_SIZE && size < HEADER_CLICK_MASK_SIZE);
}

std::string pair_text(std::int64_t a, std::int64_t b)
{
    return std::to_string(a) + " x " + std::to_string(b);
}

MapRefusal refuse(int code, std::string reason)
{
    return {code, std::move(reason)};
}

} // namespace

int MapReadShort(const unsigned char *p, bool lsb)
{
    const int value = lsb ? p[0] | p[1] << 8 : p[0] << 8 | p[1];
    return value & 0x8000 ? value - 0x10000 : value;
}

MapHeader MapReadHeader(const unsigned char *hd, std::uint32_t size)
{
    MapHeader h;
    h.size = size;
    if (size < HEADER_MIN_SIZE)
        return h;
    h.major = hd[HD_MAJOR];
    h.lsb = hd[HD_BYTE_ORDER] == LITTLE_ENDIAN_FLAG;
    h.maptype = hd[HD_MAP_TYPE];
    const auto field = [hd, &h](int offset) { return MapReadShort(hd + offset, h.lsb); };
    h.width = field(HD_WIDTH);
    h.height = field(HD_HEIGHT);
    h.blockwidth = field(HD_BLOCK_WIDTH);
    h.blockheight = field(HD_BLOCK_HEIGHT);
    h.depth = field(HD_DEPTH);
    h.blockstrsize = field(HD_BLOCKSTR_SIZE);
    h.numblockstr = field(HD_NUM_BLOCKSTR);
    h.numgfx = field(HD_NUM_GFX);
    h.gapx = h.blockwidth;
    h.gapy = h.blockheight;
    if (size >= HEADER_GAPS_SIZE) {
        h.gapx = field(HD_GAP_X);
        h.gapy = field(HD_GAP_Y);
        h.staggerx = field(HD_STAGGER_X);
        h.staggery = field(HD_STAGGER_Y);
    }
    if (size >= HEADER_CLICK_MASK_SIZE)
        h.clickmask = field(HD_CLICK_MASK);
    return h;
}

MapRefusal MapCheckHeaderFrame(const MapHeader &h)
{
    if (!header_length_is_whole(h.size))
        return refuse(MER_MAPLOADERROR, "a header chunk of " + std::to_string(h.size) +
                                            " bytes: it must hold 24 to 28, 36, or 38 or more");
    if (h.major > MAX_MAJOR_VERSION)
        return refuse(MER_MAPTOONEW, "format version " + std::to_string(h.major) +
                                         ": versions up to " +
                                         std::to_string(MAX_MAJOR_VERSION) + " are read");
    return {};
}

MapRefusal MapCheckHeaderValues(const MapHeader &h)
{
    if (h.maptype > MAP_TYPE_LAST)
        return refuse(MER_MAPTOONEW, "map type " + std::to_string(h.maptype) +
                                         ": types 0 to " + std::to_string(MAP_TYPE_LAST) +
                                         " are read");
    if (!MapIsSupportedDepth(h.depth))
        return refuse(MER_MAPTOONEW, "colour depth " + std::to_string(h.depth) +
                                         ": 8, 15, 16, 24 and 32 bits are read");
    if (h.width <= 0 || h.height <= 0)
        return refuse(MER_MAPLOADERROR,
                      "a map of " + pair_text(h.width, h.height) + " blocks: both at least 1");
    if (h.blockwidth <= 0 || h.blockheight <= 0)
        return refuse(MER_MAPLOADERROR, "blocks of " + pair_text(h.blockwidth, h.blockheight) +
                                            " pixels: both at least 1");
    if (h.gapx <= 0 || h.gapy <= 0)
        return refuse(MER_MAPLOADERROR, "gaps of " + pair_text(h.gapx, h.gapy) +
                                            " pixels between blocks: both at least 1");
    if (h.blockstrsize < MIN_BLOCKSTR_SIZE)
        return refuse(MER_MAPLOADERROR, "block records of " + std::to_string(h.blockstrsize) +
                                            " bytes: at least " +
                                            std::to_string(MIN_BLOCKSTR_SIZE));
    if (h.numblockstr < 0 || h.numgfx < 0)
        return refuse(MER_MAPLOADERROR, std::to_string(h.numblockstr) + " block records and " +
                                            std::to_string(h.numgfx) +
                                            " graphics: neither may be negative");
    const std::int64_t cells = std::int64_t{h.width} * h.height;
    if (cells > MAX_LAYER_CELLS)
        return refuse(MER_MAPLOADERROR, "a map of " + pair_text(h.width, h.height) +
                                            " blocks has " + std::to_string(cells) +
                                            " cells in a layer: at most " +
                                            std::to_string(MAX_LAYER_CELLS));
    return {};
}

std::uint64_t MapGraphicsBytes(int count, int width, int height, int depth)
{
    if (count <= 0 || width <= 0 || height <= 0)
        return 0;
    return std::uint64_t(count) * std::uint64_t(width) * std::uint64_t(height) *
           std::uint64_t(MapBytesPerPixel(depth));
}

bool MapBitmapFits(std::int64_t width, std::int64_t height, int depth)
{
    if (width <= 0 || height <= 0 || depth <= 0)
        return false;
    const std::int64_t bytes = MapBytesPerPixel(depth);
    return width <= MAP_MAX_BITMAP_BYTES / bytes / height;
}

std::string MapBitmapSizeText(std::int64_t width, std::int64_t height, int depth)
{
    const std::int64_t mebibytes =
        width > 0 && height > 0 && width <= INT64_MAX / height / MapBytesPerPixel(depth)
            ? width * height * MapBytesPerPixel(depth) / MEBIBYTE
            : -1;
    return pair_text(width, height) + " pixels at " + std::to_string(depth) + " bits (" +
           (mebibytes >= 0 ? std::to_string(mebibytes) + " MiB" : "too many bytes to count") +
           "): a bitmap may take at most " + std::to_string(MAP_MAX_BITMAP_BYTES / MEBIBYTE) +
           " MiB";
}
