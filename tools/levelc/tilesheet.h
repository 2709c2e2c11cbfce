// The tile art a level is built from: an 8-bit PCX sheet of 16 x 16 graphics, its palette, and
// a text file that names the graphics.
#ifndef TILESHEET_H
#define TILESHEET_H

#include "diagnostic.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

constexpr int TILE_PIXELS = 16;

// The most a sheet of as many graphics as a map holds can take, its pixels run-length coded at
// their worst (two bytes each), with room for padding, header and palette.
constexpr std::uint64_t TILE_SHEET_MAX_BYTES = std::uint64_t{1} << 25;

struct TileSheet {
    int count = 0;                      // graphics in the sheet, left to right, top to bottom
    std::vector<unsigned char> pixels;  // count graphics of 16 x 16 palette indices, in order
    std::vector<unsigned char> cmap;    // 256 x red, green, blue, 0 to 255
    std::map<std::string, int> names;   // graphic number by name
};

// A graphic number as the names file and the level source write it: decimal digits only.
bool parse_graphic_number(const std::string &text, int &number);

// Cut the sheet, the bytes `pcx` of the file `pcx_path`, into graphics (graphic n at column
// n % columns, row n / columns). Needs Allegro installed. Returns false with a message when the
// file cannot be read as an 8-bit PCX with its palette, its size is not a whole number of
// graphics, or it holds more graphics than a map can (32767). The header is checked before
// Allegro reads the picture.
bool load_tile_pixels(const std::string &pcx_path, const std::string &pcx, TileSheet &sheet,
                      Diagnostics &errors);

// Read the names: one "number name" pair a line; blank lines and lines starting with "#" are
// skipped, and so is a byte-order mark. Every mistake (bad number, a graphic the sheet does not
// have, a name or number given twice) is reported with its line and column.
bool parse_tile_names(const std::string &file, const std::string &text, TileSheet &sheet,
                      Diagnostics &errors);

#endif
