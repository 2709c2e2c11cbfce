// Helper of the end-to-end tests: writes a map whose start lies over a pit (or one the game
// cannot play), draws what the screen should show from the graphics datafile, and lists the
// datafile's palette.
//
//   e2e_helper pit-map OUT.fmp
//   e2e_helper unplayable-map OUT.fmp            the pit map with a solid block at the start
//   e2e_helper render GFX.dat OUT.bmp ITEM...   ITEM: text:X:Y:COLOUR:TEXT,
//                                               centre:X:Y:COLOUR:TEXT, picture:OBJECT:X:Y
//   e2e_helper palette GFX.dat                  256 lines "r g b", 6 bits each
#include "maplib.h"
#include "testmaps.h"

#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int SCREEN_W_PIXELS = 320;
constexpr int SCREEN_H_PIXELS = 240;
constexpr int OBJECT_FONT = 0;
constexpr int OBJECT_PALETTE = 1;

// The pit map: ground one block below the start row, with a hole under the start column, deep
// enough for a fall of several seconds. The ground is a ruler: each band of two block rows has
// its own colour, so a picture of the shaft tells how far down the view is.
constexpr int PIT_MAP_W = 120;
constexpr int PIT_MAP_H = 120;
constexpr int BLOCK = 16;
constexpr int START_X = 1350;
constexpr int START_Y = 447;
constexpr int PIT_HALF_WIDTH = 4; // blocks either side of the start column
constexpr int RULER_FIRST_COLOUR = 96;
constexpr int RULER_COLOURS = 64;
constexpr int RULER_BAND_ROWS = 2;
constexpr std::uint8_t SOLID = 1;

int fail(const char *what)
{
    std::fprintf(stderr, "e2e_helper: %s\n", what);
    return EXIT_FAILURE;
}

// Graphic 0 is empty; graphic 1 + k and block 1 + k are ground of ruler colour k.
MapFile pit_map()
{
    MapFile map;
    map.width = PIT_MAP_W;
    map.height = PIT_MAP_H;
    map.cmap = testmaps::black_cmap();
    testmaps::add_block(map, testmaps::add_solid_graphic(map, 0), 0, 0, 0, BLOCK_SEE_THROUGH);
    for (int k = 0; k < RULER_COLOURS; ++k)
        testmaps::add_block(map, testmaps::add_solid_graphic(map, RULER_FIRST_COLOUR + k), 0, 0,
                            0, SOLID);
    map.layers[0].assign(PIT_MAP_W * PIT_MAP_H, 0);
    const int ground_row = START_Y / BLOCK + 1;
    const int pit_column = START_X / BLOCK;
    for (int column = 0; column < PIT_MAP_W; ++column) {
        const bool in_pit = column >= pit_column - PIT_HALF_WIDTH &&
                            column <= pit_column + PIT_HALF_WIDTH;
        for (int row = ground_row; row < PIT_MAP_H && !in_pit; ++row)
            testmaps::cell(map, 0, column, row) =
                static_cast<short>(1 + (row / RULER_BAND_ROWS) % RULER_COLOURS);
    }
    return map;
}

MapFile unplayable_map()
{
    MapFile map = pit_map();
    testmaps::cell(map, 0, START_X / BLOCK, START_Y / BLOCK) = 1;
    return map;
}

std::vector<std::string> split(const std::string &item, char sep, int fields)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (static_cast<int>(parts.size()) < fields - 1) {
        const std::size_t end = item.find(sep, start);
        if (end == std::string::npos)
            break;
        parts.push_back(item.substr(start, end - start));
        start = end + 1;
    }
    parts.push_back(item.substr(start));
    return parts;
}

bool draw_item(BITMAP *bmp, DATAFILE *gfx, const std::string &item)
{
    const auto *f = static_cast<FONT *>(gfx[OBJECT_FONT].dat);
    const std::vector<std::string> p = split(item, ':', 5);
    if ((p[0] == "text" || p[0] == "centre") && p.size() == 5) {
        const int x = std::atoi(p[1].c_str()), y = std::atoi(p[2].c_str());
        const int colour = std::atoi(p[3].c_str());
        if (p[0] == "text")
            textout_ex(bmp, f, p[4].c_str(), x, y, colour, -1);
        else
            textout_centre_ex(bmp, f, p[4].c_str(), x, y, colour, -1);
        return true;
    }
    if (p[0] == "picture" && p.size() == 4) {
        const int object = std::atoi(p[1].c_str());
        draw_sprite(bmp, static_cast<BITMAP *>(gfx[object].dat), std::atoi(p[2].c_str()),
                    std::atoi(p[3].c_str()));
        return true;
    }
    return false;
}

DATAFILE *load_gfx(const char *file)
{
    DATAFILE *gfx = load_datafile(file);
    if (gfx && gfx[OBJECT_FONT].type == DAT_FONT && gfx[OBJECT_PALETTE].type == DAT_PALETTE)
        return gfx;
    if (gfx)
        unload_datafile(gfx);
    return nullptr;
}

int render(int argc, char **argv)
{
    DATAFILE *gfx = load_gfx(argv[2]);
    if (!gfx)
        return fail("cannot load the datafile");
    BITMAP *bmp = create_bitmap(SCREEN_W_PIXELS, SCREEN_H_PIXELS);
    clear(bmp);
    for (int i = 4; i < argc; ++i)
        if (!draw_item(bmp, gfx, argv[i]))
            return fail("unknown item");
    const int saved = save_bmp(argv[3], bmp, static_cast<RGB *>(gfx[OBJECT_PALETTE].dat));
    destroy_bitmap(bmp);
    unload_datafile(gfx);
    return saved == 0 ? EXIT_SUCCESS : fail("cannot write the picture");
}

int palette(const char *file)
{
    DATAFILE *gfx = load_gfx(file);
    if (!gfx)
        return fail("cannot load the datafile");
    const auto *entries = static_cast<RGB *>(gfx[OBJECT_PALETTE].dat);
    for (int i = 0; i < PAL_SIZE; ++i)
        std::printf("%d %d %d\n", entries[i].r, entries[i].g, entries[i].b);
    unload_datafile(gfx);
    return EXIT_SUCCESS;
}

} // namespace

int main(int argc, char **argv)
{
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        return fail("cannot start the library");
    set_color_depth(8);
    if (argc == 3 && std::strcmp(argv[1], "pit-map") == 0)
        return MapSave(argv[2], pit_map()) == 0 ? EXIT_SUCCESS : fail("cannot write the map");
    if (argc == 3 && std::strcmp(argv[1], "unplayable-map") == 0)
        return MapSave(argv[2], unplayable_map()) == 0 ? EXIT_SUCCESS
                                                       : fail("cannot write the map");
    if (argc >= 4 && std::strcmp(argv[1], "render") == 0)
        return render(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "palette") == 0)
        return palette(argv[2]);
    return fail("usage: pit-map OUT | unplayable-map OUT | render GFX OUT ITEM... | palette GFX");
}
END_OF_MAIN()
