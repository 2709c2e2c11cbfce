// Fuzz target tile_sheet: arbitrary bytes as the level compiler's PCX tile sheet, read from a
// file as levelc reads it (header checked, then Allegro's reader).
#include "fuzz_target.h"
#include "tilesheet.h"

int fuzz_tile_sheet(const std::uint8_t *data, std::size_t size)
{
    fuzz::use_screen(8); // installs Allegro, which reads the PCX
    fuzz::leave_screen();
    TileSheet sheet;
    Diagnostics errors;
    load_tile_pixels(fuzz::scratch_file(data, size), sheet, errors);
    return 0;
}

ORVIA_FUZZ_TARGET("tile_sheet", fuzz_tile_sheet)
