// Importing maps made in Tiled: a TMX map (plain or gzip), its TSX tilesets and PNG images
// become the contents of a map file, ready for MapSave.
#ifndef TMXIMPORT_H
#define TMXIMPORT_H

#include "diagnostic.h"
#include "inputfiles.h"
#include "maplib.h"

#include <cstdint>
#include <string>
#include <vector>

// The budgets of one import, each refused with its numbers where it is passed. Together they keep
// a map of up to 16 MB, with the files it names, within about 512 MB and a few seconds.
struct TmxOptions {
    // How the importer reaches the files a map names: the disk by default, memory in tests and
    // in the fuzzer.
    InputReader read = read_input_file;
    std::uint64_t max_cells = 1 << 24; // cells of the map, of a layer and of a chunk
    // A map or tileset file, unpacked: its text is held while its tree is built and read. A CSV
    // layer takes two to six bytes a cell; larger maps compress their layer data.
    std::uint64_t max_file_bytes = 1 << 26;
    // All block graphics of the map file: the writer copies them, and the map library makes a
    // bitmap of each when it loads the map.
    std::uint64_t max_graphics_bytes = 1 << 26;
    // All tileset images, each decoded once: 64 MB in true colour, a 4096 x 4096 sheet.
    std::uint64_t max_decoded_pixels = 1 << 24;
    // All chunks of an infinite map, decoded one by one into its layers: four full layers.
    std::uint64_t max_chunk_cells = 1 << 26;
    // Elements, attributes and texts of all the import's XML files, counted before each tree is
    // built: 64 bytes of tree each, 64 MB, where a file of 16 MB could ask for 256 MB and a
    // gzipped one many times more. Half a million cells still fit in <tile> elements.
    std::uint64_t max_xml_nodes = 1 << 20;
    // Different tiles the cells show, flips counted, and different combinations of them in a
    // cell: a map file holds 32767 graphics and block records, so more than eight times that can
    // only be tiles that look alike. Each costs a hundred bytes or so of bookkeeping.
    std::uint64_t max_tiles = 1 << 18;
    std::uint64_t max_tile_combinations = 1 << 20;
    // Update steps simulated to turn tile animations into block animations, once for each
    // distinct pattern: a fraction of a second, the cycles of 64 cells of the longest kind.
    std::uint64_t max_animation_steps = 1 << 22;
};

// How a message about a budget of the import ends: "more than the 8 update steps of an import".
inline std::string past_budget(std::uint64_t limit, const std::string &what)
{
    return "more than the " + std::to_string(limit) + " " + what + " of an import";
}

// True for names ending in ".tmx" or ".tmx.gz".
bool is_tiled_map_name(const std::string &path);

// Import the Tiled map at `path`. Mistakes go to errors as "file:line:column: message", one
// line each; what the map file cannot hold (layer opacity, objects, map properties...) goes to
// warnings, and the import still succeeds. An object named "start" gives the girl's start, in a
// chunk of the map file. Needs Allegro installed (PNG decoding). Returns errors.empty(); `map`
// is complete only then.
bool import_tiled_map(const std::string &path, const TmxOptions &options, MapFile &map,
                      Diagnostics &errors, std::vector<Diagnostic> &warnings);

#endif
