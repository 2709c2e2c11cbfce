// What the game tells the person playing it when something goes wrong. Every message is
// worded here; problems that end the game also reach the library's message box.
#ifndef REPORT_H
#define REPORT_H

// The game library itself cannot be started; why is the library's explanation.
void report_no_library(const char *why);
// No 320 x 240 screen in 8-bit colour, neither full screen nor in a window.
void report_no_screen(const char *why_fullscreen, const char *why_windowed);
// The graphics datafile is missing or is not the game's.
void report_no_graphics(const char *file);
// No memory for the back buffer.
void report_no_back_buffer();
// The map file cannot be loaded; error is the map library's code (maperror).
void report_no_map(const char *file, int error);
// A screenshot could not be written; the game goes on.
void report_screenshot_failed(const char *file, int error_number);

#endif
