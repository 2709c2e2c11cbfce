// The game's tick: the girl's speeds are in pixels a tick, her counters count ticks, and block
// animations step once a tick.
#ifndef TICK_H
#define TICK_H

constexpr int TICK_MS = 25; // 40 ticks a second
constexpr int TICKS_PER_SECOND = 1000 / TICK_MS;

#endif
