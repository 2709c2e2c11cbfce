// A headless player simulation: maps drawn as text pictures, and the girl driven by a script of
// controls the way the level loop drives her, with her state recorded after every tick.
#ifndef PLAYERHARNESS_H
#define PLAYERHARNESS_H

#include "attempt.h"
#include "controls.h"
#include "maplib.h"
#include "replayfile.h"

#include <string>
#include <vector>

namespace harness {

// One character per block, rows from the top, all of one length:
//   '.' empty      '#' solid       '=' platform     '~' ice (solid and icy)
//   'H' climbable  'T' climbable platform (a ladder's top)
//   '1'..'5' slope types 1 to 5    '7' a block whose slope type is unknown
// The outer columns and the top row hold what the picture says; nothing is added.
constexpr int PICTURE_BLOCK = 16;

// The map file of a picture: 16 x 16 blocks of 8-bit graphics, the picture in layer 0.
// False (map untouched) for a ragged or empty picture or an unknown character.
bool picture_to_map(const std::vector<std::string> &rows, MapFile &map);

// Encode the picture and decode it as the loaded map, with row tables, as the level loop has
// it. Needs the 8-bit stand-in screen. Return 0, or -1 for a bad picture or a failed decode.
int load_picture(const std::vector<std::string> &rows);

// The seven controls of one pass. Letters: L left, R right, U up, D down, J jump, A run (Alt),
// S spare (Space); "" or "-" is no control. Any other letter throws std::invalid_argument.
control_state parse_keys(const std::string &keys);

// Hold these controls for this many ticks.
struct step {
    int ticks;
    std::string keys;
};

// The girl after one tick.
struct tick_state {
    long tick; // counted from 1 over the whole simulation
    int status;
    fix x, y, xv, yv;
    bool facing_left;
    int timer;
    long frame;
    bool off_screen;
};

// An attempt on the loaded map (a picture, or a map loaded by any other means), driven as the
// level loop drives it, with her state recorded after every tick.
class player_sim {
public:
    // Place her with her feet-centre point at map pixel (x, y), as the level loop does.
    player_sim(int x, int y);

    // One pass of the level loop: the controls once, then `ticks` ticks. A fall out of the map
    // does not cut the batch short.
    void pass(const control_state &c, int ticks = 1);
    void pass(const std::string &keys, int ticks = 1);

    // Each step's controls for its ticks, ticks_per_pass ticks to a pass. Ends after the pass in
    // which she fell out of the map, as the level loop ends the attempt; returns whether she did.
    bool run(const std::vector<step> &script, int ticks_per_pass = 1);

    // Hold one set of controls, one tick to a pass, until she ends a tick in `status`, for at
    // most max_ticks ticks. Returns whether she reached it.
    bool run_until(const std::string &keys, int status, int max_ticks);

    // Her state after the last tick, or null before the first.
    const tick_state *last() const;

    attempt play;
    girl_character &girl() { return play.girl; }
    std::vector<tick_state> log;
    std::vector<replay_passes> passes; // every pass so far, as a replay holds them
    bool died = false; // she fell out of the map in some tick
};

} // namespace harness

#endif
