// Fuzz target tile_names: arbitrary text as the level compiler's list of tile names.
#include "fuzz_target.h"
#include "tilesheet.h"

#include <string>

namespace {

constexpr int SHEET_GRAPHICS = 112; // as many as the game's own sheet

} // namespace

int fuzz_tile_names(const std::uint8_t *data, std::size_t size)
{
    TileSheet sheet;
    sheet.count = SHEET_GRAPHICS;
    Diagnostics errors;
    parse_tile_names("fuzz.txt", std::string(data, data + size), sheet, errors);
    return 0;
}

ORVIA_FUZZ_TARGET("tile_names", fuzz_tile_names)
