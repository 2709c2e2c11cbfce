// Fuzz target tile_sheet: arbitrary bytes as the level compiler's PCX tile sheet, read as
// levelc reads the file's bytes (header checked, then Allegro's reader).
#include "fuzz_target.h"
#include "tilesheet.h"

#include <string>

int fuzz_tile_sheet(const std::uint8_t *data, std::size_t size)
{
    fuzz::use_screen(8); // installs Allegro, which reads the PCX
    fuzz::leave_screen();
    TileSheet sheet;
    Diagnostics errors;
    load_tile_pixels("fuzz.pcx", std::string(data, data + size), sheet, errors);
    return 0;
}

ORVIA_FUZZ_TARGET("tile_sheet", fuzz_tile_sheet)
