// maprender: draw a whole map file into one picture at full size.
#include "maprender.h"

#include "diagnostic.h"
#include "inputfiles.h"
#include "maplib.h"
#include "toolscreen.h"
#include "usage.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char *USAGE =
    "usage: maprender MAPFILE OUTPUT\n"
    "Draws a whole map into one picture, as the game draws it: the backdrop, the background\n"
    "and the foreground layers. OUTPUT's extension picks the format: .png, .bmp, .pcx or .tga.\n"
    "OUTPUT is replaced only by a complete picture, and never when it is the map file.\n";

} // namespace

int main(int argc, char **argv)
{
    if (std::optional<int> status = answer_usage(argc, argv, 2, USAGE))
        return *status;
    std::string problem;
    if (check_picture_name(argv[2], problem))
        problem = overwrite_problem(argv[2], argv[1]);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", printable(problem).c_str());
        return EXIT_FAILURE;
    }
    if (!start_headless_allegro("maprender"))
        return EXIT_FAILURE;
    if (!load_map_in_own_depth(argv[1]))
        return EXIT_FAILURE;
    BITMAP *picture = render_loaded_map(problem);
    if (!picture) {
        std::fprintf(stderr, "%s: cannot render: %s\n", printable(argv[1]).c_str(),
                     problem.c_str());
        return EXIT_FAILURE;
    }
    bool saved = save_map_picture(argv[2], picture, problem);
    if (!saved)
        std::fprintf(stderr, "%s\n", printable(problem).c_str());
    destroy_bitmap(picture);
    MapFreeMem();
    return saved ? EXIT_SUCCESS : EXIT_FAILURE;
}
