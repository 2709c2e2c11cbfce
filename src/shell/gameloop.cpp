// The level loop: one attempt at the level at a fixed 40 ticks a second, with a frame drawn
// after each batch of ticks, screenshots and the keyboard waits.
#include "gameloop.h"

#include "controls.h"
#include "display.h"
#include "graphic.h"
#include "maplib.h"
#include "replayrecorder.h"
#include "screenmode.h"
#include "sound.h"
#include "timer.h"
#include "windowevents.h"

namespace {

// "Paused", over the frozen frame.
constexpr int PAUSED_CENTRE_X = GAME_SCREEN_W / 2;
constexpr int PAUSED_Y = 110;

constexpr int KEY_POLL_MS = 50;

// One pass of the level loop, as a recording keeps it: the controls latched, then so many
// ticks.
struct loop_pass {
    control_state controls;
    int ticks = 0;
};

// The frame as the attempt stands: with "Paused" over it while paused, else with a screenshot
// taken of it when S was pressed.
void show_frame(level_play &play, BITMAP *bmp)
{
    draw_attempt(bmp, play.now, play.ghost ? &*play.ghost : nullptr);
    if (play.showing_paused)
        textout_centre_ex(bmp, comicf, "Paused", PAUSED_CENTRE_X, PAUSED_Y, TEXT_COLOUR,
                          TRANSPARENT_TEXT);
    else
        play.screenshots.take_if_pressed(bmp);
    present(bmp);
}

// The next pass: the player's controls for the ticks that have arrived, or the recording's
// next pass once as many ticks have arrived as it had. False when it must wait for more ticks,
// or when a recorded attempt has no more passes (the attempt then ends).
bool next_pass(level_play &play, int arrived, loop_pass &pass)
{
    if (!play.session.playback) {
        pass = {read_controls(play.session.keys), arrived};
        return true;
    }
    const replay_passes *recorded = play.session.playback->upcoming();
    if (!recorded) {
        if (play.now.result == level_playing)
            play.now.result = level_quit; // the recorded attempt ends here
        return false;
    }
    if (recorded->ticks > arrived)
        return false;
    pass = {recorded->controls, recorded->ticks};
    play.session.playback->take();
    return true;
}

int play_ticks(level_play &play, BITMAP *bmp, int arrived)
{
    loop_pass pass;
    if (!next_pass(play, arrived, pass))
        return 0;
    advance(play.now, pass.controls, pass.ticks, &play.cues);
    play_cues(play.cues.take());
    if (play.session.recorder)
        play.session.recorder->pass(pass.controls, pass.ticks);
    if (play.ghost)
        play.ghost->follow(pass.ticks);
    if (pass.ticks == 0)
        return 0;
    show_frame(play, bmp);
    return pass.ticks;
}

bool paused(level_play &play)
{
    if (play.pause_key.pressed(key[KEY_P] || pad_start_down()))
        play.paused_by_player = !play.paused_by_player;
    return play.paused_by_player || !window_has_focus();
}

// How the attempt ended, as a recording keeps it.
attempt_end recorded_end(int result)
{
    if (result == level_died)
        return attempt_end::death;
    return close_requested() ? attempt_end::closed : attempt_end::quit;
}

} // namespace

level_play::level_play(game_session &s) : session(s), now(s.lvl.start)
{
    if (s.ghost)
        ghost.emplace(*s.ghost, s.lvl.start, s.ghost_look);
}

int level_pass(level_play &play, BITMAP *bmp, int ticks)
{
    // While paused the frame stands as it is and play goes on from exactly there: the ticks
    // that arrive meanwhile, those of the pass that goes on again included, are dropped.
    const bool was_paused = play.showing_paused;
    play.showing_paused = paused(play);
    int used = ticks;
    if (play.showing_paused && !was_paused)
        show_frame(play, bmp);
    else if (!play.showing_paused && !was_paused)
        used = play_ticks(play, bmp, ticks);
    follow_game_keys(play.session);
    if (key[KEY_ESC] || close_requested())
        play.now.result = level_quit;
    return used;
}

bool go_on_after_reload(level_play &play, BITMAP *bmp, reload_outcome outcome)
{
    if (load_level_map(play.session.lvl) != 0) {
        play.now.result = level_load_failed;
        return false;
    }
    const girl_character &girl = play.now.girl;
    if (outcome == reload_outcome::replaced && !body_clear_at({girl.getx(), girl.gety()})) {
        const attempt afresh(play.session.lvl.start);
        play.now.girl = afresh.girl;
    }
    show_frame(play, bmp);
    return true;
}

int play_level(BITMAP *bmp, game_session &session)
{
    if (load_level_map(session.lvl) != 0)
        return level_load_failed;
    level_play play(session);
    if (session.recorder)
        session.recorder->begin_attempt();
    wait_for_clear(KEY_ESC);
    start_timer();
    drop_pending_ticks();
    while (play.now.result == level_playing) {
        const reload_outcome reloaded = reload_if_changed(session);
        if (reloaded != reload_outcome::unchanged) {
            if (!go_on_after_reload(play, bmp, reloaded))
                break;
            drop_pending_ticks(); // the time the build took is not made up
        }
        const int used = level_pass(play, bmp, counter.load());
        const int left = counter.fetch_sub(used) - used;
        // A pass that used nothing waits for the next tick; one that did goes on with the
        // ticks that arrived meanwhile.
        if (play.now.result == level_playing && (used == 0 || left <= 0))
            wait_for_tick(left);
    }
    if (session.recorder && play.now.result != level_load_failed)
        session.recorder->end_attempt(recorded_end(play.now.result), play.now.girl);
    MapFreeMem();
    return play.now.result;
}

void wait_for_clear(int k)
{
    while (key[k])
        rest(KEY_POLL_MS);
    clear_keybuf();
}

void wait_for_key(int k)
{
    while (key[k])
        rest(KEY_POLL_MS);
    while (!key[k])
        rest(KEY_POLL_MS);
}
