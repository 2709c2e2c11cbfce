// Maps built for tests as MapFile values: palettes, graphics of one colour, block records,
// animations and cells, and the map loaded through the writer and the decoder.
#ifndef TESTS_TESTMAPS_H
#define TESTS_TESTMAPS_H

#include "maplib.h"

#include <functional>
#include <string>
#include <vector>

namespace testmaps {

constexpr int BLOCK = 16;
constexpr int PALETTE_BYTES = 768;

// Map palettes (MapFile::cmap: red, green and blue of 256 entries). Every entry black:
std::vector<unsigned char> black_cmap();
// Entry i is the grey (i, i, i).
std::vector<unsigned char> grey_cmap();
// Entries that stay distinct in every colour depth, never hit the mask colour, and keep their
// values through the 6-bit palette (every component is a multiple of 4).
std::vector<unsigned char> distinct_cmap();

// Append an 8-bit graphic of the map's block size filled with one colour index; returns its
// number.
int add_solid_graphic(MapFile &map, int colour);

// A width x height map of blockwidth x blockheight blocks (gaps equal to the block size) with
// `graphics` 8-bit graphics, graphic g filled with colour index g (graphic 0 is all mask
// colour), the distinct palette, no block records yet and layer 0 all zero.
MapFile solid_map(int width, int height, int graphics, int blockwidth = BLOCK,
                  int blockheight = BLOCK);

// Repaint graphic g pixel by pixel: colour(x, y) gives the colour index.
void paint(MapFile &map, int g, const std::function<int(int x, int y)> &colour);

// Append a block record; returns its number.
int add_block(MapFile &map, int bg, int fg1 = 0, int fg2 = 0, int fg3 = 0,
              std::uint8_t flags = 0);
// Block b shows graphic b as its background, for every graphic.
void add_block_per_graphic(MapFile &map);

short &cell(MapFile &map, int layer, int column, int row);

// Add animation k (cell value -k) over the given blocks; returns k.
int add_animation(MapFile &map, const std::vector<int> &blocks,
                  std::int8_t type = anim_loop_forward);

// Encode the map with the writer and decode it into the library's globals. Returns what went
// wrong, empty when the map is loaded.
std::string load(const MapFile &map);

// The number of the block record a pointer names, -1 for null.
long block_number(const BlockStr *block);

} // namespace testmaps

#endif
