// Fuzz target map_inspect: arbitrary bytes as a map file given to the inspector, which walks
// its chunks, loads it with the library and lists what it holds.
#include "fuzz_target.h"
#include "mapinspect.h"

#include <sstream>

int fuzz_map_inspect(const std::uint8_t *data, std::size_t size)
{
    constexpr int SCREEN_DEPTH = 8; // as the mapinspect program sets it
    fuzz::use_screen(SCREEN_DEPTH);
    std::ostringstream listing, problems;
    inspect_map(fuzz::scratch_file(data, size), listing, problems);
    fuzz::leave_screen();
    return 0;
}

ORVIA_FUZZ_TARGET("map_inspect", fuzz_map_inspect)
