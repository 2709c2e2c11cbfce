// The game timer: a 40 Hz interrupt that counts ticks for the level loop to consume.
#ifndef TIMER_H
#define TIMER_H

#include <atomic>

// Ticks that have arrived and not yet been consumed.
extern std::atomic<int> counter;

void game_timer();
void init_game_timer();
void start_timer();
void stop_timer();

#endif
