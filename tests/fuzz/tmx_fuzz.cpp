// Fuzz target tmx: arbitrary bytes as a Tiled map (plain or gzip) imported with small budgets;
// the files it names come from tmx_files/: any ".tsx" is tiles.tsx (properties, animations),
// any "...8.png" the palette sheet and any other name the true-colour sheet. Whatever the
// importer accepts must encode to a map file that the library loads: a failure there aborts.
#include "fuzz_target.h"
#include "maplib.h"
#include "testfiles.h"
#include "testmaps.h"
#include "tmximport.h"

#include <cstdlib>
#include <string>

namespace {

constexpr const char *MAP_NAME = "fuzz.tmx";
constexpr int SCREEN_DEPTH = 8;

std::string fixed_file(const char *name)
{
    const std::string bytes =
        testfiles::read_file(std::string(ORVIA_FUZZ_DIR) + "/tmx_files/" + name);
    if (bytes.empty())
        std::abort(); // the target's own files are missing: nothing sensible to fuzz
    return bytes;
}

TmxOptions fuzz_options(const std::string &input)
{
    static const std::string tileset = fixed_file("tiles.tsx");
    static const std::string sheet = fixed_file("sheet.png");
    static const std::string palette_sheet = fixed_file("sheet8.png");
    TmxOptions options;
    options.max_cells = 1 << 12;
    options.max_file_bytes = 1 << 20;
    options.max_graphics_bytes = 1 << 22;
    options.max_decoded_pixels = 1 << 16;
    options.max_chunk_cells = 1 << 14;
    options.max_xml_nodes = 1 << 16;
    options.max_tiles = 1 << 12;
    options.max_tile_combinations = 1 << 14;
    options.max_animation_steps = 1 << 16;
    options.read = [&input](const std::string &path, std::uint64_t limit, std::string &bytes,
                            std::string &problem) {
        if (path == MAP_NAME)
            bytes = input;
        else if (name_ends_with(path, ".tsx"))
            bytes = tileset;
        else if (name_ends_with(path, "8.png"))
            bytes = palette_sheet;
        else
            bytes = sheet;
        problem = "larger than the limit";
        return bytes.size() <= limit;
    };
    return options;
}

} // namespace

int fuzz_tmx_import(const std::uint8_t *data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
    fuzz::use_screen(SCREEN_DEPTH); // Allegro installed for the PNG decoder, a screen to load on
    MapFile map;
    Diagnostics errors;
    std::vector<Diagnostic> warnings;
    if (import_tiled_map(MAP_NAME, fuzz_options(input), map, errors, warnings)) {
        if (!testmaps::load(map).empty())
            std::abort();
        MapFreeMem();
    }
    fuzz::leave_screen();
    return 0;
}

ORVIA_FUZZ_TARGET("tmx", fuzz_tmx_import)
