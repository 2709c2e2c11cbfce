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

struct TmxOptions {
    // How the importer reaches the files a map names: the disk by default, memory in tests and
    // in the fuzzer.
    InputReader read = read_input_file;
    std::uint64_t max_cells = 1 << 24;          // cells of the map, of a layer and of a chunk
    std::uint64_t max_file_bytes = 1 << 28;     // a map, tileset or image file (maps unpacked)
    std::uint64_t max_image_pixels = 1 << 26;   // one tileset image
    std::uint64_t max_graphics_bytes = 1 << 28; // all block graphics of the map file
};

// True for names ending in ".tmx" or ".tmx.gz".
bool is_tiled_map_name(const std::string &path);

// Import the Tiled map at `path`. Mistakes go to errors as "file:line:column: message", one
// line each; what the map file cannot hold (layer opacity, object layers, map properties...)
// goes to warnings, and the import still succeeds. Needs Allegro installed (PNG decoding).
// Returns errors.empty(); `map` is complete only then.
bool import_tiled_map(const std::string &path, const TmxOptions &options, MapFile &map,
                      Diagnostics &errors, std::vector<Diagnostic> &warnings);

#endif
