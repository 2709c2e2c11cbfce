// The game's sound effects through the game library's digital sound: every cue's sample loaded
// once at start-up and played on request; silent while muted, or for good when there is no
// sound device or a sound file is missing.
#ifndef SOUND_H
#define SOUND_H

#include "cues.h"

#include <string>

// Installs the library's digital sound and loads each cue's sound, sounds/<cue>.wav, where
// data_file_path finds the game's other data files. Needs the library (and its timer) installed.
// On any failure (a missing or damaged sound file, no sound device) the game goes on silent:
// one line on standard error says why, and the result is false. `muted` opens the device all
// the same, so that set_muted(false) can switch sound on later.
bool open_sound(const std::string &executable, bool muted);

// Stops every sound and releases the samples and the device; nothing plays after it. Does
// nothing when sound is not open.
void close_sound();

// Starts the cue's sound at `volume` (up to CUE_FULL_VOLUME) over whatever is playing; nothing
// while muted or silent. Allocates nothing.
void play_cue(sound_cue cue, int volume = CUE_FULL_VOLUME);
// Every cue of a pass that was heard, each at its volume.
void play_cues(const pass_cues &cues);

// Muting stops what is playing at once; after unmuting the next cue is heard.
void set_muted(bool muted);
bool sound_muted();

#endif
