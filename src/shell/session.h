// What the game keeps for the whole of a run: the level (built anew when --watch sees its files
// change), the player's keys, and the keys that mean the same everywhere (M, Alt+Enter).
#ifndef SESSION_H
#define SESSION_H

#include "controls.h"
#include "filewatch.h"
#include "keymap.h"
#include "level.h"

#include <optional>

class ghost_painter;
class replay_recorder;
class replay_source;
struct replay_attempt;

struct game_session {
    level lvl;
    key_bindings keys;
    std::optional<map_point> start_option; // --start, over every build of the level
    file_watch watch;                       // with --watch, the files the level is made from
    press mute_key;                         // M
    // A recording made (--record), a recording played instead of the keys (--replay), or the
    // recorded attempt a ghost runs beside her (--ghost), and how she is drawn: null when not.
    replay_recorder *recorder = nullptr;
    replay_source *playback = nullptr;
    const replay_attempt *ghost = nullptr;
    const ghost_painter *ghost_look = nullptr;
};

enum class reload_outcome {
    unchanged, // nothing to build: the files have not changed, or not settled yet
    replaced,  // the session's level is the new one; no map is loaded
    refused,   // the level stays as it was; no map is loaded
};

// With --watch, builds and checks the level again once its files have changed and then stayed
// unchanged for a moment (rebuild_level).
reload_outcome reload_if_changed(game_session &session);
// Builds and checks the level again. A level that can be played replaces the old one, and
// "Level reloaded" shows for a while; one that cannot leaves the old one, every problem goes to
// standard error and the first shows in the picture for a while. Either way the files of the
// build are watched from then on, and the check leaves no map loaded: a caller in play loads
// the one it plays next.
reload_outcome rebuild_level(game_session &session);

// The keys that mean the same wherever the game is: Alt+Enter switches the screen, M sound;
// notes that come and go are shown. Called between frames.
void follow_game_keys(game_session &session);

#endif
