// What the game asks of a map: blocks of 16 x 16 pixels side by side, where the girl starts
// (the map may say, in a chunk of the game's own), and room for her body there.
#ifndef LEVELCHECK_H
#define LEVELCHECK_H

#include "maplib.h"

#include <optional>
#include <string>

// A map pixel: where the girl's feet are.
struct map_point {
    int x, y;
};

// Where the girl starts when nothing else says.
constexpr map_point GIRL_START{1350, 447};

// The chunk of a map file that holds her start: two 32-bit signed numbers, x then y, in the
// byte order of the map's other numbers. Other programs skip it as a chunk they do not know.
constexpr char START_CHUNK_ID[] = "STRT";

// The chunk that gives `start` in a map file of this byte order.
MapFileChunk start_chunk(map_point start, bool lsb);
// The start the loaded map gives, or none. A start chunk of the wrong size is not a start:
// `problem`, when given, then says why.
std::optional<map_point> loaded_map_start(std::string *problem = nullptr);

// Why the loaded map cannot be played with the girl starting at `start`, or an empty text when
// it can.
std::string level_problem(map_point start);
// No solid block of the loaded map, nor its outer block columns, within her body with her feet
// at `feet`.
bool body_clear_at(map_point feet);
// Why the loaded map cannot be played, with the girl at the start it gives, or at GIRL_START
// when it gives none (that start goes to `start`, when given); an empty text when it can.
std::string loaded_level_problem(map_point *start = nullptr);

#endif
