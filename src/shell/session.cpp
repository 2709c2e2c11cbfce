// The run's level watched and built anew, and the keys of the whole game.
#include "session.h"

#include "display.h"
#include "notes.h"
#include "report.h"
#include "sound.h"

#include <allegro.h>

#include <algorithm>

namespace {

// Long enough to read; short enough not to stay in the way of play.
constexpr double RELOADED_NOTE_SECONDS = 2;
constexpr double PROBLEM_NOTE_SECONDS = 5;

// The level's files and those a refused build read: a file it named that is missing or broken
// is one the designer may be about to write.
std::vector<std::string> with_files_of(const std::vector<std::string> &level_files,
                                       const level_refusal &refusal)
{
    std::vector<std::string> files = level_files;
    for (const std::string &file : refusal.sources)
        if (std::find(files.begin(), files.end(), file) == files.end())
            files.push_back(file);
    return files;
}

} // namespace

reload_outcome reload_if_changed(game_session &session)
{
    if (!session.watch.settled_change(file_watch::clock::now()))
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
        session.watch.watch(with_files_of(session.lvl.sources, refusal));
        return reload_outcome::refused;
    }
    session.lvl = std::move(built);
    session.watch.watch(session.lvl.sources);
    show_note("Level reloaded", RELOADED_NOTE_SECONDS);
    return reload_outcome::replaced;
}

void follow_game_keys(game_session &session)
{
    follow_screen_keys();
    if (session.mute_key.pressed(key[KEY_M]))
        set_muted(!sound_muted());
    follow_notes();
}
