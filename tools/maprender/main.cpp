// maprender: draw a whole map file into one PNG picture at full size.
#include "maprender.h"

#include "maplib.h"
#include "toolscreen.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: maprender MAPFILE OUT.png\n");
        return EXIT_FAILURE;
    }
    if (!start_headless_allegro()) {
        std::fprintf(stderr, "maprender: cannot start Allegro: %s\n", allegro_error);
        return EXIT_FAILURE;
    }
    if (load_map_in_own_depth(argv[1]) != 0) {
        std::fprintf(stderr, "%s: cannot load the map: maperror %d, %s\n", argv[1], maperror,
                     MapErrorText(maperror));
        return EXIT_FAILURE;
    }
    BITMAP *picture = render_loaded_map();
    if (!picture) {
        std::fprintf(stderr, "%s: cannot render: without layer 0, or too large\n",
                     argv[1]);
        return EXIT_FAILURE;
    }
    std::string problem;
    bool saved = save_map_png(argv[2], picture, problem);
    if (!saved)
        std::fprintf(stderr, "%s\n", problem.c_str());
    destroy_bitmap(picture);
    MapFreeMem();
    drop_memory_screen();
    return saved ? EXIT_SUCCESS : EXIT_FAILURE;
}
