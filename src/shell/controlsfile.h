// The player's controls file: where it is, read once at start-up, and replaced whole when the
// player chooses new keys.
#ifndef CONTROLSFILE_H
#define CONTROLSFILE_H

#include "keymap.h"

#include <string>

// $XDG_CONFIG_HOME/orvia/controls.cfg, or $HOME/.config/orvia/controls.cfg when the variable
// is unset, empty or not an absolute path; "" when HOME is no absolute path either.
std::string controls_file_path();

// The keys of the controls file. Without a file they are today's keys; a file that cannot be
// read, and each bad entry, is one warning on standard error, and every control concerned
// keeps its default.
key_bindings load_key_bindings();

// Replaces the controls file with these keys, creating its folders (mode 0700) when missing.
// Returns false after one warning on standard error; the file is then as it was.
bool save_key_bindings(const key_bindings &keys);

#endif
