// The level a replay belongs to: known by the map file's base name and the hash of its bytes
// as the game plays them, and by the girl's start, so that a replay is played only on its own
// level.
#ifndef REPLAYLEVEL_H
#define REPLAYLEVEL_H

#include "level.h"
#include "replayfile.h"

#include <cstdint>
#include <string>

// The level's name in a replay: its file's base name, printable.
std::string replay_level_name(const level &lvl);
// fnv1a64 of the level's map image.
std::uint64_t level_hash(const level &lvl);

// The header of a recording of this level, from its start, at `speed` percent, by this game.
replay_header header_for(const level &lvl, int speed);

// Why a replay with this header cannot be played on this level: what differs, in words;
// empty when nothing does.
std::string replay_refusal(const replay_header &header, const level &lvl);

// The game's version, as replays name it.
const char *game_version();

#endif
