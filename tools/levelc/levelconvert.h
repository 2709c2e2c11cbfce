// One conversion for levelc and the game: a level source or a Tiled map, told apart by its
// name, into the contents of a map file.
#ifndef LEVELCONVERT_H
#define LEVELCONVERT_H

#include "diagnostic.h"
#include "inputfiles.h"
#include "maplib.h"

#include <string>
#include <vector>

// True for the names the game converts before it plays them rather than loading them as map
// files: level sources (".level") and Tiled maps (".tmx", ".tmx.gz").
bool is_level_to_convert(const std::string &path);

// Convert the file at `path`: a Tiled map when its name says so (is_tiled_map_name), otherwise
// a level source. Every file it is made from (the source or map, its tile sheet and names file,
// or its tilesets and their images) is read through `read`, once each, so that a caller can
// wrap the reader to learn which files the map depends on; paths are relative to the file that
// names them. Mistakes go to errors as "file:line:column: message", all of them that one run
// can find; what the map file leaves out goes to warnings ("warning: ..."), and the conversion
// still succeeds. Needs Allegro installed (the PCX and PNG readers). Returns errors.empty();
// `map` is complete only then.
bool convert_level(const std::string &path, const InputReader &read, MapFile &map,
                   Diagnostics &errors, std::vector<Diagnostic> &warnings);

#endif
