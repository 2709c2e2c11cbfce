// mapinspect: list what a map file holds, and what is wrong with it.
#include "mapinspect.h"
#include "toolscreen.h"
#include "usage.h"

#include <cstdlib>
#include <iostream>

namespace {

constexpr const char *USAGE =
    "usage: mapinspect MAPFILE\n"
    "Lists what a map file holds: its chunks, header, start, layers, block records and\n"
    "animations. What is wrong with it goes to standard error, and a warning when the game\n"
    "cannot play it; the status is 0 when the map loads.\n";

} // namespace

int main(int argc, char **argv)
{
    if (std::optional<int> status = answer_usage(argc, argv, 1, USAGE))
        return *status;
    if (!start_headless_allegro("mapinspect"))
        return EXIT_FAILURE;
    return inspect_map(argv[1], std::cout, std::cerr) == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
