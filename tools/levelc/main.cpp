// levelc: compile a level source and its tile art, or import a Tiled map, into a map file.
#include "levelbuild.h"
#include "tmximport.h"

#include "toolscreen.h"
#include "usage.h"

#include <allegro.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char *USAGE =
    "usage: levelc SOURCE OUTPUT.fmp\n"
    "Compiles a level source (its form is in data/level/README.md) and the tile art it names\n"
    "into a map file; a SOURCE named .tmx or .tmx.gz is a Tiled map, imported with its\n"
    "tilesets (tools/tmx/README.md). Every mistake is reported, as FILE:LINE:COLUMN: MESSAGE\n"
    "where it has a place, and then nothing is written.\n";

} // namespace

int main(int argc, char **argv)
{
    if (std::optional<int> status = answer_usage(argc, argv, 2, USAGE))
        return *status;
    if (!start_headless_allegro("levelc"))
        return EXIT_FAILURE;
    MapFile map;
    Diagnostics errors;
    std::vector<Diagnostic> warnings;
    const bool built = is_tiled_map_name(argv[1])
                           ? import_tiled_map(argv[1], TmxOptions{}, map, errors, warnings)
                           : compile_level(argv[1], map, errors);
    for (const Diagnostic &w : warnings)
        std::fprintf(stderr, "%s\n", w.text().c_str());
    if (!built) {
        for (const Diagnostic &d : errors.list())
            std::fprintf(stderr, "%s\n", d.text().c_str());
        return EXIT_FAILURE;
    }
    std::string problem;
    if (MapSave(argv[2], map, &problem) != 0) {
        std::fprintf(stderr, "%s: cannot write the map file: %s\n", argv[2], problem.c_str());
        return EXIT_FAILURE;
    }
    std::printf("%s: %d x %d blocks, %zu block records, %zu animations, %d graphics\n", argv[2],
                map.width, map.height, map.blocks.size(), map.anims.size(), map.numgfx);
    return EXIT_SUCCESS;
}
