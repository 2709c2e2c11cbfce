// The game program: the command line, start-up, the title screen, the attempts at the level
// with the retry question after each death, and shut-down.
#include "controls.h"
#include "controlsfile.h"
#include "datafiles.h"
#include "display.h"
#include "gameloop.h"
#include "girlanim.h"
#include "graphic.h"
#include "keyscreen.h"
#include "maplib.h"
#include "notes.h"
#include "options.h"
#include "replayfile.h"
#include "replaylevel.h"
#include "replayplay.h"
#include "replayrecorder.h"
#include "replayverify.h"
#include "report.h"
#include "screenmode.h"
#include "session.h"
#include "sound.h"
#include "timer.h"
#include "windowevents.h"

#include <allegro.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

BITMAP *buf = nullptr; // the back buffer every picture is composed in

namespace {

const char *const MAP_FILE = "jump.fmp";
const char *const WINDOW_TITLE = "Orvia demo 2.1";
constexpr int USAGE_ERROR_STATUS = 2;

constexpr int KEY_POLL_MS = 50;

// The title screen.
struct text_line {
    int y;
    const char *text;
};
constexpr text_line TITLE_LINES[] = {
    {30, "--Orvia demo 2.1--"},
    {50, "Use arrows to move left and right."},
    {70, "Run with ALT, and jump with CTRL."},
    {90, "Press SPACE to start."},
    {110, "Press K to choose the keys."},
};
constexpr int TITLE_X = 10;
constexpr int TITLE_GIRL_X = 120;
constexpr int TITLE_GIRL_Y = 16;

// The retry question, drawn over the last frame of the attempt.
constexpr int DEATH_COLOUR = 40;
constexpr int DEATH_CENTRE_X = 160;
constexpr int DEATH_Y = 90;
constexpr int RETRY_Y = 110;
constexpr int ASCII_BITS = 0xff; // readkey gives the scancode above the character
// How long a recording played back shows the question before its recorded answer, and its last
// picture before the game ends.
constexpr std::chrono::milliseconds RECORDED_PICTURE_HOLD{1000};

// Waits, polling, until `done` holds; meanwhile the window may switch mode, sound be switched
// and the level built anew. Returns false when the person asks to close the window instead.
template <typename Condition>
bool wait_until(game_session &session, Condition done)
{
    for (;;) {
        if (close_requested())
            return false;
        reload_if_changed(session);
        follow_game_keys(session);
        if (done())
            return true;
        rest(KEY_POLL_MS);
    }
}

void draw_title()
{
    clear(buf);
    for (const text_line &line : TITLE_LINES)
        textout_ex(buf, comicf, line.text, TITLE_X, line.y, TEXT_COLOUR, TRANSPARENT_TEXT);
    draw_sprite(buf, girl[picture_stand], TITLE_GIRL_X, TITLE_GIRL_Y);
}

// The title, held until SPACE (or the pad's Start) is down; then one buffered key is taken.
// K opens the screen that chooses the keys. Returns false when ESC is pressed or the window
// closed instead.
bool show_title(game_session &session)
{
    press choose_keys;
    for (;;) {
        draw_title();
        present(buf);
        bool keys_asked = false, quit = false;
        const auto pressed = [&] {
            keys_asked = choose_keys.pressed(key[KEY_K]);
            quit = key[KEY_ESC];
            return keys_asked || quit || start_pressed();
        };
        if (!wait_until(session, pressed) || quit)
            return false;
        if (!keys_asked)
            break;
        if (redefine_keys(buf, session.keys) == key_screen_end::window_closed)
            return false;
    }
    if (keypressed()) // the pad's Start leaves no key behind
        readkey();
    play_cue(cue_start);
    return true;
}

// A recording played back holds its pictures a moment where a person would read them (the
// question, the end); false when ESC or closing the window cuts the moment short.
bool hold_picture(game_session &session)
{
    const auto shown_since = std::chrono::steady_clock::now();
    bool timed_out = false;
    const bool waited = wait_until(session, [&] {
        timed_out = std::chrono::steady_clock::now() - shown_since >= RECORDED_PICTURE_HOLD;
        return timed_out || key[KEY_ESC];
    });
    return waited && timed_out;
}

// A recording played back answers the question as it was answered.
bool recorded_answer(game_session &session)
{
    return hold_picture(session) && session.playback->current().answer == retry_answer::yes;
}

// Asks over the last frame; only a lower-case 'y' or 'n' answers. Closing the window is a no.
bool wants_retry(game_session &session)
{
    textout_centre_ex(buf, comicf, "Sorry, YOU DIED!", DEATH_CENTRE_X, DEATH_Y, DEATH_COLOUR,
                      TRANSPARENT_TEXT);
    textout_centre_ex(buf, comicf, "Try again? (y/n)", DEATH_CENTRE_X, RETRY_Y, DEATH_COLOUR,
                      TRANSPARENT_TEXT);
    present(buf);
    clear_keybuf();
    if (session.playback)
        return recorded_answer(session);
    char answer = 0;
    const bool answered = wait_until(session, [&answer] {
        while (keypressed()) {
            answer = static_cast<char>(readkey() & ASCII_BITS);
            if (answer == 'y' || answer == 'n')
                return true;
        }
        return false;
    });
    const bool again = answered && answer == 'y';
    if (again)
        play_cue(cue_retry);
    return again;
}

// Attempts at the level until ESC, a closed window, a 'n' after a death, or a map that cannot
// be loaded.
int play_attempts(game_session &session)
{
    for (;;) {
        if (session.playback && !session.playback->next_attempt()) {
            hold_picture(session);
            return EXIT_SUCCESS;
        }
        const int result = play_level(buf, session);
        if (result == level_load_failed) {
            report_no_map(session.lvl.file.c_str(), {map_load_problem()});
            return EXIT_FAILURE;
        }
        if (result != level_died) {
            if (session.playback)
                hold_picture(session); // at once after ESC or a closed window
            return EXIT_SUCCESS;
        }
        const bool again = wants_retry(session);
        if (session.recorder)
            session.recorder->answer(again);
        if (!again)
            return EXIT_SUCCESS;
    }
}

// The level named on the command line, or the game's own.
std::string level_file(const game_options &options)
{
    if (!options.level.empty())
        return options.level;
    return data_file_path(MAP_FILE, executable_path());
}

// Builds the level once before the title, so that a level the game cannot play is refused
// before anyone presses a key.
bool build_playable_level(const std::string &file, game_session &session)
{
    level_refusal refusal;
    if (build_level(file, session.start_option, session.lvl, refusal))
        return true;
    if (refusal.unplayable)
        report_unplayable_map(file.c_str(), refusal.problems.front().c_str());
    else
        report_no_map(file.c_str(), refusal.problems);
    return false;
}

// The command line's answer when it asks for no game: the usage, or what is wrong with it.
int answer_command_line(const parsed_command_line &parsed)
{
    if (parsed.outcome == parse_outcome::show_help) {
        std::fputs(usage_text(), stdout);
        return EXIT_SUCCESS;
    }
    std::fprintf(stderr, "orvia: %s\n%s", parsed.error.c_str(), usage_text());
    return USAGE_ERROR_STATUS;
}

} // namespace

// Brings up the library, keyboard, timer, pad, screen, graphics and back buffer. Returns 0,
// or -1 after telling the person what is missing.
int init_stuff(const game_options &options)
{
    set_uformat(U_ASCII);
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0) {
        report_no_library(allegro_error);
        return -1;
    }
    install_keyboard();
    install_timer();
    install_pad();
    open_sound(executable_path(), options.mute);
    init_game_timer();
    set_window_title(WINDOW_TITLE);
    if (!open_game_screen(options))
        return -1;
    const std::string executable = executable_path();
    const std::string graphics_file = data_file_path(GRAPHICS_FILE, executable);
    if (load_graphics(graphics_file.c_str()) != 0) {
        report_no_graphics(graphics_file.c_str(), installed_data_folder(executable).c_str());
        return -1;
    }
    buf = create_bitmap(GAME_SCREEN_W, GAME_SCREEN_H);
    if (!buf) {
        report_no_back_buffer();
        unload_graphics();
        return -1;
    }
    clear(buf);
    return 0;
}

// The library closes itself at exit.
int destroy_stuff()
{
    close_sound();
    release_display();
    destroy_bitmap(buf);
    buf = nullptr;
    unload_graphics();
    return 0;
}

// --verify: the recorded session run again without a display, as fast as it goes.
int verify_recording(const game_options &options)
{
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        report_no_library(allegro_error, false);
        return replay_refused;
    }
    const std::string file = level_file(options);
    level lvl;
    level_refusal refusal;
    if (!build_level(file, options.girl_start, lvl, refusal)) {
        for (const std::string &problem : refusal.problems)
            report_refused_file(file + ": " + problem);
        return replay_refused;
    }
    return verify_command(options.verify.c_str(), lvl, stdout, stderr);
}

// The recording that --replay plays or --ghost races, read before any screen opens.
bool read_recording(const std::string &file, replay &recorded)
{
    std::string problem;
    if (read_replay(file.c_str(), recorded, problem))
        return true;
    report_refused_file(problem);
    return false;
}

// Plays the session as the options say, on the level that was built: the player's own,
// recorded, racing a ghost, or the recording played back.
int play_session(const game_options &options, game_session &session, replay &recorded,
                 replay_recorder &recorder)
{
    const bool played_back = !options.replay.empty();
    if (played_back || !options.ghost.empty()) {
        const std::string refusal = replay_refusal(recorded.header, session.lvl);
        if (!refusal.empty() || recorded.attempts.empty()) {
            report_foreign_replay((played_back ? options.replay : options.ghost).c_str(),
                                  refusal.empty() ? "it holds no attempt" : refusal.c_str());
            return replay_refused;
        }
    }
    if (played_back) {
        replay_source source(recorded);
        session.playback = &source;
        set_timer_speed(recorded.header.speed);
        show_note("Replay", 0);
        return play_attempts(session);
    }
    std::optional<ghost_painter> ghost_look;
    if (!options.ghost.empty()) {
        ghost_look.emplace(pal, girl, GIRL_PICTURES);
        session.ghost = &recorded.attempts.front();
        session.ghost_look = &*ghost_look;
    }
    if (!options.record.empty()) {
        recorder.begin(header_for(session.lvl, options.speed));
        session.recorder = &recorder;
    }
    return show_title(session) ? play_attempts(session) : EXIT_SUCCESS;
}

int main(int argc, char **argv)
{
    const parsed_command_line parsed = parse_command_line(argc, argv);
    if (parsed.outcome != parse_outcome::play)
        return answer_command_line(parsed);
    const game_options &options = parsed.options;
    if (!options.verify.empty())
        return verify_recording(options);
    replay_recorder recorder;
    std::string problem;
    if (!options.record.empty() && !recorder.create(options.record.c_str(), problem)) {
        report_refused_file(problem);
        return EXIT_FAILURE;
    }
    replay recorded;
    const std::string &played = options.replay.empty() ? options.ghost : options.replay;
    if (!played.empty() && !read_recording(played, recorded))
        return replay_refused;
    if (init_stuff(options) != 0)
        return EXIT_FAILURE;
    set_timer_speed(options.speed);
    game_session session;
    session.keys = load_key_bindings();
    session.start_option = options.girl_start;
    int status = EXIT_FAILURE;
    if (build_playable_level(level_file(options), session)) {
        if (options.watch)
            session.watch.watch(session.lvl.sources);
        status = play_session(options, session, recorded, recorder);
    }
    destroy_stuff();
    return status;
}
END_OF_MAIN()
