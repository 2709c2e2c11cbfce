// The level the game plays: the map file read once and checked, then kept in memory, so that
// every attempt plays the map that was checked and never a file changed on the disk meanwhile.
#ifndef LEVEL_H
#define LEVEL_H

#include "attempt.h"

#include <string>
#include <vector>

struct level {
    std::string file;                 // the map file as named
    std::vector<unsigned char> image; // its whole contents, unpacked
    map_point start = GIRL_START;     // where the girl starts every attempt
};

// Reads the map file whole. Returns false, `out` untouched, with `problem` saying why.
bool read_level(const std::string &file, level &out, std::string &problem);

// Makes the level's map the loaded map, with block graphics for the game's 8-bit picture and
// its row tables. Returns 0, or -1 with maperror saying why.
int load_level_map(const level &lvl);

#endif
