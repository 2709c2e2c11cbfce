// mapinspect: print what a map file holds, or what is wrong with it.
#include "mapinspect.h"
#include "toolscreen.h"

#include <allegro.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mapinspect MAPFILE\n");
        return EXIT_FAILURE;
    }
    constexpr int screen_depth = 8;
    if (!start_headless_allegro() || !use_memory_screen(screen_depth)) {
        std::fprintf(stderr, "mapinspect: cannot start Allegro: %s\n", allegro_error);
        return EXIT_FAILURE;
    }
    int result = inspect_map(argv[1], std::cout);
    drop_memory_screen();
    return result == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
