// Plays the jump's cue through the game's sound module on the real system driver, for the
// check that sound reaches the device: `play_cue heard` plays it, `play_cue muted` plays it
// muted, `play_cue unmuted` starts muted and switches sound on before playing. Run in the
// game's folder; exits 1 when sound cannot be opened.
#include "datafiles.h"
#include "sound.h"

#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
constexpr int PLAYING_MS = 600; // the jump lasts 140 ms; the rest lets the device drain
}

int main(int argc, char **argv)
{
    const std::string mode = argc == 2 ? argv[1] : "";
    if (mode != "heard" && mode != "muted" && mode != "unmuted") {
        std::fputs("usage: play_cue heard|muted|unmuted\n", stderr);
        return 2;
    }
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0 || install_timer() != 0) {
        std::fprintf(stderr, "play_cue: cannot start the game library: %s\n", allegro_error);
        return EXIT_FAILURE;
    }
    if (!open_sound(executable_path(), mode != "heard"))
        return EXIT_FAILURE;
    if (mode == "unmuted")
        set_muted(false);
    play_cue(cue_jump);
    rest(PLAYING_MS);
    close_sound();
    return EXIT_SUCCESS;
}
END_OF_MAIN()
