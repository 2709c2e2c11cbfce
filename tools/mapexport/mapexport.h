// The map exporter: a map file as a Tiled map, so that it opens in the editor level designers
// know and comes back through levelc as the same map.
#ifndef MAPEXPORT_H
#define MAPEXPORT_H

#include "diagnostic.h"

#include <string>
#include <vector>

// Write the loaded map's layer 0 as the Tiled map `tmx_path` (its name ends in ".tmx"), with
// the tileset NAME.tsx and the tile sheet NAME.png beside it. A block's four graphics become
// four tile layers (background, foregrounds 1 to 3); the tiles carry the block records' flags
// and attributes as properties, and animated cells animated tiles. The girl's start, when the
// map gives one, becomes a point object named "start" in an object layer of its own. What
// Tiled cannot hold (other layers, animations that run once, block records no cell shows but
// an empty block 0, which an import makes again) goes to warnings. The
// map must have been loaded with load_map_in_own_depth. The three files are written together:
// files already there are replaced only when all three are complete, and none is written
// through a symbolic link. Returns errors.empty(); on failure every file is as it was.
bool export_loaded_map(const std::string &tmx_path, Diagnostics &errors,
                       std::vector<Diagnostic> &warnings);

// The files export_loaded_map writes for `tmx_path`: the tile sheet, the tileset, the map.
std::vector<std::string> exported_files(const std::string &tmx_path);

#endif
