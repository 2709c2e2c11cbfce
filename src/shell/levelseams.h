// Seams of the level loop: the game leaves them as they are; tests replace them to run the
// loop pass by pass without a real timer, clock or player physics.
#ifndef LEVELSEAMS_H
#define LEVELSEAMS_H

#include <functional>
#include <memory>

class girl_character;

// The player of one attempt, released by whoever made it.
using player_ptr = std::unique_ptr<girl_character, std::function<void(girl_character *)>>;

struct level_seams {
    // Begins counting ticks into `counter` (the game: the 40 Hz interrupt timer).
    std::function<void()> start_ticks;
    // Waits after a pass that found no tick pending (the game: sleeps until the next tick).
    std::function<void()> idle;
    // Makes the player (the game: a plain girl_character on the heap).
    std::function<player_ptr()> new_player;
    // Runs at the top of every pass, before the controls are sampled (the game: nothing).
    std::function<void()> each_pass;
};

// The game's own behaviour for every seam.
level_seams game_seams();

extern level_seams loop_seams;

#endif
