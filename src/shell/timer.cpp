// The game timer: an interrupt callback that counts 40 ticks a second for the level loop, and
// the loop's sleep until the next one.
#include "timer.h"

#include "tick.h"

#include <allegro.h>

std::atomic<int> counter{0};

namespace {
int speed_percent = FULL_SPEED;
} // namespace

// Runs in the library's timer context: it must touch nothing but the atomic counter, which
// also wakes a loop sleeping on it.
void game_timer()
{
    counter.fetch_add(1);
    counter.notify_all();
}
END_OF_FUNCTION(game_timer)

// The callback and its counter are locked so that platforms that page memory out can still
// run the interrupt; elsewhere the locks cost nothing.
void init_game_timer()
{
    LOCK_VARIABLE(counter);
    LOCK_FUNCTION(game_timer);
}

// Installing again while installed only sets the same period again. At full speed the period
// is exactly that of install_int(game_timer, TICK_MS).
void start_timer()
{
    install_int_ex(game_timer, MSEC_TO_TIMER(TICK_MS) * FULL_SPEED / speed_percent);
}

void set_timer_speed(int percent)
{
    speed_percent = percent;
}

void stop_timer()
{
    remove_int(game_timer);
}

void wait_for_tick(int seen)
{
    counter.wait(seen);
}

void drop_pending_ticks()
{
    counter.store(0);
}
