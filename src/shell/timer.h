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

// The timer's pace from its next start on, in percent of 40 ticks a second, from SLOWEST_SPEED
// to FULL_SPEED; every tick does what it does at full speed.
constexpr int FULL_SPEED = 100;
constexpr int SLOWEST_SPEED = 50;
void set_timer_speed(int percent);

// Sleeps until `counter` differs from `seen`; returns at once if it already does.
void wait_for_tick(int seen);
// Forgets the ticks that have arrived and not been consumed.
void drop_pending_ticks();

#endif
