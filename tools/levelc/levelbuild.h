// From a level source and its tile art to the contents of a map file: names resolved to
// graphic, block and animation numbers, pictures to cells.
#ifndef LEVELBUILD_H
#define LEVELBUILD_H

#include "inputfiles.h"
#include "levelsource.h"
#include "maplib.h"
#include "tilesheet.h"

// Resolve the source against the sheet. Blocks are numbered in legend order from 0 and
// animations from 1 (cell value -1 for the first). Every unknown graphic and frame block is
// reported, each unknown legend character once where it is first used; returns errors.empty().
bool build_level(const LevelSource &source, const TileSheet &sheet, MapFile &map,
                 Diagnostics &errors);

// The whole compile of one source file, its sheet and names read through `read` from the
// paths it gives (relative to its own folder). Goes on past mistakes so that one run reports
// all of them: the source's, the names file's and the names the source uses. Needs Allegro
// installed for the PCX reader. Returns errors.empty().
bool compile_level(const std::string &source_path, MapFile &map, Diagnostics &errors,
                   const InputReader &read = read_input_file);

#endif
