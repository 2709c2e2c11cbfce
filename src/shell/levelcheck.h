// Whether the game can play a map: the collision, terrain and camera code count 16 x 16-pixel
// blocks side by side, and the girl needs room at her start position.
#ifndef LEVELCHECK_H
#define LEVELCHECK_H

#include "attempt.h"

#include <string>

// Why the loaded map cannot be played with the girl starting at `start`, or an empty text when
// it can.
std::string level_problem(map_point start);

#endif
