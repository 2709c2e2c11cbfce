// The level a replay belongs to: the map file's bytes as the game plays them, named by the
// file's base name and known by their hash, so that a replay is played only on its own level.
#ifndef REPLAYLEVEL_H
#define REPLAYLEVEL_H

#include "attempt.h"
#include "replayfile.h"

#include <cstdint>
#include <string>
#include <vector>

struct replay_level {
    std::string name;                // the file's base name, printable
    std::vector<unsigned char> image; // the map file image, unpacked
    std::uint64_t hash = 0;          // fnv1a64 of the image
};

// Read the map file as the game loads it (a regular file, unpacked when packed). Return true,
// or false with "path: reason" in `problem`.
bool read_replay_level(const char *path, replay_level &level, std::string &problem);

// The header of a recording of this level from `start` at `speed` percent, by this game.
replay_header header_for(const replay_level &level, map_point start, int speed);

// Why a replay with this header cannot be played on this level from this start: what differs,
// in words; empty when nothing does.
std::string replay_refusal(const replay_header &header, const replay_level &level,
                           map_point start);

// Make the level the loaded map for a new attempt, row tables included, with block graphics in
// the game's 8-bit colours whatever the screen is, or with no screen at all. Return 0, or -1
// with maperror set and no map loaded.
int decode_level(const replay_level &level);

// The game's version, as replays name it.
const char *game_version();

#endif
