// The run's level watched and built anew, and the keys of the whole game.
#include "session.h"

#include "controls.h"
#include "display.h"
#include "notes.h"
#include "report.h"
#include "sound.h"

#include <allegro.h>

namespace {

// Long enough to read; short enough not to stay in the way of play.
constexpr double RELOADED_NOTE_SECONDS = 2;
constexpr double PROBLEM_NOTE_SECONDS = 5;

} // namespace

void watch_level(game_session &session)
{
    if (session.watching)
        session.watch.watch(session.lvl.sources);
}

reload_outcome reload_if_changed(game_session &session)
{
    if (!session.watching || !session.watch.settled_change(file_watch::clock::now()))
        return reload_outcome::unchanged;
    return rebuild_level(session);
}

reload_outcome rebuild_level(game_session &session)
{
    level built;
    level_refusal refusal;
    if (!build_level(session.lvl.file, session.start_option, built, refusal)) {
        for (const std::string &problem : refusal.problems)
            report_reload_failed(session.lvl.file.c_str(), problem.c_str());
        show_note(refusal.problems.front(), PROBLEM_NOTE_SECONDS);
        return reload_outcome::refused;
    }
    session.lvl = std::move(built);
    watch_level(session);
    show_note("Level reloaded", RELOADED_NOTE_SECONDS);
    return reload_outcome::replaced;
}

void follow_game_keys()
{
    static press mute_key;
    follow_screen_keys();
    if (mute_key.pressed(key[KEY_M]))
        set_muted(!sound_muted());
    follow_notes();
}
