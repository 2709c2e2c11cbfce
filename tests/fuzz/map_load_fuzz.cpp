// Fuzz target map_load: arbitrary bytes as a map file, plain or packed, loaded by name onto an
// 8-bit and a 32-bit screen as a program meets it, then row tables, animation steps and release.
#include "fuzz_target.h"
#include "maplib.h"

int fuzz_map_load(const std::uint8_t *data, std::size_t size)
{
    const char *path = fuzz::scratch_file(data, size);
    fuzz::load_on_each_screen([path] { return MapLoad(path); });
    return 0;
}

ORVIA_FUZZ_TARGET("map_load", fuzz_map_load)
