// levelc: compile a level source and its tile art, or import a Tiled map, into a map file.
#include "levelconvert.h"

#include "diagnostic.h"
#include "inputfiles.h"
#include "playcheck.h"
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
    "where it has a place, and then nothing is written. OUTPUT.fmp is replaced only by a\n"
    "complete map, and never when it is one of the files read. A map the game cannot play is\n"
    "written all the same, with a warning that says why.\n";

void print(const std::vector<Diagnostic> &list)
{
    for (const Diagnostic &d : list)
        std::fprintf(stderr, "%s\n", d.text().c_str());
}

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
    // The map file may not be one of the files the map is made from.
    const bool built = convert_level(argv[1], reader_sparing(argv[2]), map, errors, warnings);
    print(warnings);
    if (!built) {
        print(errors.list());
        return EXIT_FAILURE;
    }
    const std::string output = printable(argv[2]);
    std::string problem;
    if (MapSave(argv[2], map, &problem) != 0) {
        std::fprintf(stderr, "%s: cannot write the map file: %s\n", output.c_str(),
                     problem.c_str());
        return EXIT_FAILURE;
    }
    std::printf("%s: %d x %d blocks, %zu block records, %zu animations, %d graphics\n",
                output.c_str(), map.width, map.height, map.blocks.size(), map.anims.size(),
                map.numgfx);
    // A map for another program is no mistake: the map stays written.
    const std::string unplayable = unplayable_map(argv[2]);
    if (!unplayable.empty())
        std::fprintf(stderr, "levelc: warning: %s\n", unplayable.c_str());
    return EXIT_SUCCESS;
}
