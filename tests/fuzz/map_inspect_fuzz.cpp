// Fuzz target map_inspect: arbitrary bytes as a map file given to the inspector, which walks
// its chunks, loads it with the library and lists what it holds.
#include "fuzz_target.h"
#include "mapinspect.h"

#include <sstream>

int fuzz_map_inspect(const std::uint8_t *data, std::size_t size)
{
    fuzz::start_allegro(); // the inspector needs no screen, as the mapinspect program has none
    std::ostringstream listing, problems;
    inspect_map(fuzz::scratch_file(data, size), listing, problems);
    return 0;
}

ORVIA_FUZZ_TARGET("map_inspect", fuzz_map_inspect)
