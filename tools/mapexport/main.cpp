// mapexport: write a map file as a Tiled map (TMX, TSX tileset, PNG tile sheet).
#include "mapexport.h"

#include "inputfiles.h"
#include "maplib.h"
#include "toolscreen.h"
#include "usage.h"

#include <allegro.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char *USAGE =
    "usage: mapexport MAP.fmp OUT.tmx\n"
    "Writes the map's layer 0 as a Tiled map OUT.tmx, with the tileset OUT.tsx and the tile\n"
    "sheet OUT.png beside it. The four graphics of a block become four tile layers, the block\n"
    "records' flags and attributes tile properties, animations animated tiles, the girl's\n"
    "start a point object named start. Files already there are replaced only when all three\n"
    "are complete, never when one is MAP.fmp.\n"
    "levelc OUT.tmx MAP.fmp converts it back.\n";

} // namespace

int main(int argc, char **argv)
{
    if (std::optional<int> status = answer_usage(argc, argv, 2, USAGE))
        return *status;
    for (const std::string &output : exported_files(argv[2])) {
        const std::string problem = overwrite_problem(output, argv[1]);
        if (!problem.empty()) {
            std::fprintf(stderr, "%s\n", printable(problem).c_str());
            return EXIT_FAILURE;
        }
    }
    if (!start_headless_allegro("mapexport"))
        return EXIT_FAILURE;
    if (!load_map_in_own_depth(argv[1]))
        return EXIT_FAILURE;
    Diagnostics errors;
    std::vector<Diagnostic> warnings;
    const bool exported = export_loaded_map(argv[2], errors, warnings);
    for (const Diagnostic &d : warnings)
        std::fprintf(stderr, "%s\n", d.text().c_str());
    for (const Diagnostic &d : errors.list())
        std::fprintf(stderr, "%s\n", d.text().c_str());
    MapFreeMem();
    return exported ? EXIT_SUCCESS : EXIT_FAILURE;
}
