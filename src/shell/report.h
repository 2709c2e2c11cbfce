// What the game tells the person playing it when something goes wrong. Every message is
// worded here; problems that end the game also reach the library's message box.
#ifndef REPORT_H
#define REPORT_H

#include <string>
#include <vector>

// The game library itself cannot be started; why is the library's explanation. Without a
// display (--verify) there is no message box to show it in.
void report_no_library(const char *why, bool with_display = true);
// A file named on the command line cannot serve, before any screen opens: standard error only.
void report_refused_file(const std::string &why);
// No screen in any mode tried; reasons names each mode and why it failed.
void report_no_screen(const char *reasons);
// Full screen was asked for and cannot be set; the game plays in a window.
void report_no_full_screen(const char *reasons);
// The factor of --scale does not fit the desktop; the window is made smaller.
void report_scale_lowered(int asked, int used, int desktop_w, int desktop_h);
// The graphics datafile is missing or is not the game's; installed_folder is where it was
// looked for after the current folder.
void report_no_graphics(const char *file, const char *installed_folder);
// No memory for the back buffer.
void report_no_back_buffer();
// The level cannot be read or loaded, for the reasons given (the first of several named in the
// message box, every one on standard error).
void report_no_map(const char *file, const std::vector<std::string> &why);
// What converting the level leaves out of the map, already worded ("file: warning: ...").
void report_level_warning(const char *warning);
// The level's files changed, and what they now make cannot be played (why): the level before
// plays on.
void report_reload_failed(const char *file, const char *why);
// The recording cannot be played back or raced on this level, for the reason given.
void report_foreign_replay(const char *file, const char *why);
// The map loads but the game cannot play it, for the reason given.
void report_unplayable_map(const char *file, const char *why);
// The game plays without sound, for the reason given.
void report_no_sound(const char *why);
// The controls file cannot be read (why); the game plays with the default keys.
void report_controls_unreadable(const char *file, const char *why);
// A bad entry of the controls file, on its line; its control keeps its default.
void report_controls_problem(const char *file, int line, const char *what);
// The chosen keys could not be written to the controls file; they serve until the game ends.
void report_keys_not_saved(const char *file, const char *why);
// A screenshot could not be written; the game goes on.
void report_screenshot_failed(const char *file, int error_number);

#endif
