// Fuzz target map_decode: arbitrary bytes as a map image in memory, decoded onto an 8-bit and
// a 32-bit screen, then row tables, animation steps and release.
#include "fuzz_target.h"
#include "maplib.h"

#include <vector>

namespace {

constexpr std::size_t OUTER_HEADER_SIZE = 12; // "FORM", form length, "FMAP"
constexpr std::size_t FORM_LENGTH_AT = 4;
constexpr std::size_t FORM_LENGTH_BASE = 8;   // the form length counts bytes after itself
constexpr int ANIM_UPDATES = 5;
constexpr int SCREEN_DEPTHS[] = {8, 32};

std::uint32_t read_be32(const unsigned char *p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
           (std::uint32_t(p[2]) << 8) | p[3];
}

void write_be32(unsigned char *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

// MapDecode takes a complete image: the outer header is always read, and the form must not
// claim more bytes than there are. Short inputs are padded with zeros, and an oversized form
// length is cut down to what the input holds; everything inside the form stays as fuzzed.
std::vector<unsigned char> complete_image(const std::uint8_t *data, std::size_t size)
{
    std::vector<unsigned char> image(data, data + size);
    if (image.size() < OUTER_HEADER_SIZE)
        image.resize(OUTER_HEADER_SIZE, 0);
    const std::uint64_t held = image.size() - FORM_LENGTH_BASE;
    if (read_be32(image.data() + FORM_LENGTH_AT) > held)
        write_be32(image.data() + FORM_LENGTH_AT, static_cast<std::uint32_t>(held));
    return image;
}

} // namespace

int fuzz_map_decode(const std::uint8_t *data, std::size_t size)
{
    const std::vector<unsigned char> image = complete_image(data, size);
    for (int depth : SCREEN_DEPTHS) {
        fuzz::use_screen(depth);
        if (MapDecode(image.data()) == 0) {
            MapGenerateYLookup();
            for (int i = 0; i < ANIM_UPDATES; ++i)
                MapUpdateAnims();
        }
        MapFreeMem();
    }
    fuzz::leave_screen();
    return 0;
}

ORVIA_FUZZ_TARGET("map_decode", fuzz_map_decode)
