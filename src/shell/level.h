// The level the game plays: built once from its file and checked, then kept in memory, so that
// every attempt plays the map that was checked and never a file changed on the disk meanwhile.
#ifndef LEVEL_H
#define LEVEL_H

#include "levelcheck.h"

#include <optional>
#include <string>
#include <vector>

struct level {
    std::string file;                 // the level's file as named
    std::vector<unsigned char> image; // the whole map file image
    map_point start = GIRL_START;     // where the girl starts every attempt
    std::vector<std::string> sources; // the file and every file it was built from
};

// Why a level cannot be played: its problems in the order found.
struct level_refusal {
    bool unplayable = false; // it loads, but the game cannot play it
    std::vector<std::string> problems;
    std::vector<std::string> sources; // the files the build read or tried to read
};

// Builds the level from its file and checks it with the start in force: `start` when given,
// else the map's own, else GIRL_START. A map file is read whole; a level source or a Tiled map
// (by its name) is converted in memory as levelc converts it, its warnings on standard error.
// Leaves no map loaded. Returns false, `out` untouched, with `refusal` saying why.
bool build_level(const std::string &file, std::optional<map_point> start, level &out,
                 level_refusal &refusal);

// Makes the level's map the loaded map, with block graphics for the game's 8-bit picture and
// its row tables. Returns 0, or -1 with maperror saying why.
int load_level_map(const level &lvl);
// What maperror says of the last load, for the person playing.
std::string map_load_problem();

#endif
