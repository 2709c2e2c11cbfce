// Verifying a replay: every recorded attempt run again without a display or a timer, as fast
// as it goes, and its end compared with the recorded one.
#ifndef REPLAYVERIFY_H
#define REPLAYVERIFY_H

#include "level.h"
#include "replayfile.h"

#include <cstdio>
#include <string>

// The outcome of a verification, also the program's exit status.
enum replay_verdict {
    replay_as_recorded = 0, // every attempt that ended ends as recorded
    replay_differs = 1,     // some attempt does not
    replay_refused = 2,     // another level, start or format, a damaged file, no level
};

struct verify_report {
    int verdict = replay_as_recorded;
    std::string text; // lines for a person, each ending in a newline
};

// Run every attempt of the replay (`file` names it in the text) on the level from its start,
// each on the map loaded afresh, and compare each attempt's end with the recorded one: how it
// ended (a recorded death must be one; she may not fall out of the map before the recorded
// end) and her state after the last tick. An attempt that the file cuts short is run but has
// nothing to be compared with.
verify_report verify_replay(const std::string &file, const replay &r, const level &lvl);

// The whole of verifying the replay file at `replay_path` against the level, which the game
// has read and found playable (Allegro must be installed; no display is needed): reading the
// replay, the verification. The verdict's lines go to `out` when the replay was run, else to
// `err`. Returns the verdict.
int verify_command(const char *replay_path, const level &lvl, std::FILE *out, std::FILE *err);

#endif
