// Fuzz target map_decode: arbitrary bytes as a map image in memory, decoded onto an 8-bit and
// a 32-bit screen, then row tables, animation steps and release.
#include "fuzz_target.h"
#include "maplib.h"

int fuzz_map_decode(const std::uint8_t *data, std::size_t size)
{
    const std::vector<unsigned char> image = fuzz::complete_map_image(data, size);
    fuzz::load_on_each_screen([&image] { return MapDecode(image.data()); });
    return 0;
}

ORVIA_FUZZ_TARGET("map_decode", fuzz_map_decode)
