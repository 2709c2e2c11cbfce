// What the tools say of a map that the game cannot play: the game's own words. They say it as a
// warning, since a map may be meant for another program.
#ifndef PLAYCHECK_H
#define PLAYCHECK_H

#include <string>

// "the game cannot play PATH: why" for the map file at `path`, loaded at 8 bits as the game
// loads it and checked with the start it gives, or an empty text when the game can play it.
// Needs Allegro installed; leaves no map loaded.
std::string unplayable_map(const std::string &path);
// The same for the map already loaded from `path`, which stays loaded.
std::string unplayable_loaded_map(const std::string &path);

#endif
