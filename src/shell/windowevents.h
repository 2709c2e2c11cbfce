// What the person does to the game's window rather than in the game: asking it to close,
// taking the keyboard focus elsewhere, and Alt+Enter.
#ifndef WINDOWEVENTS_H
#define WINDOWEVENTS_H

// Hooks the display's close button and focus changes; every new screen mode needs them again.
void install_window_hooks();

bool close_requested();
bool window_has_focus();

// What the display reports, from its own thread; tests report in its place.
void note_close_request();
void note_focus_lost();
void note_focus_back();
// Back to a focused window that nobody asked to close.
void forget_window_events();

// True once for each press of Enter while Alt is held.
bool alt_enter_pressed();

#endif
