// The map inspector: what a map file holds, chunk by chunk and record by record, and what is
// wrong with it: what the loader refuses, and what the game cannot play.
#ifndef MAPINSPECT_H
#define MAPINSPECT_H

#include <ostream>
#include <string>

// List on out the file's outer header and chunk list (identifier, offset, length), then load it
// with the map library and list the header, the girl's start, layers, block records (flags and
// slope types in words) and animations. The file is read as the loader reads it, packed files
// unpacked. What is wrong goes to problems: what the chunk walk found, when the loader refuses
// the file its error code with its meaning, and a warning in the game's words when the game
// cannot play the map. Returns 0 for a file that loads (at 8 bits, as the game loads it), 1
// otherwise. Needs Allegro installed; releases the map it loaded.
int inspect_map(const std::string &path, std::ostream &out, std::ostream &problems);

#endif
