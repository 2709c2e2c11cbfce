// What the person does to the game's window: the display's close button and focus changes
// arrive on the display's own thread and only set flags here; the game reads them between
// frames.
#include "windowevents.h"

#include <allegro.h>

#include <atomic>

namespace {

std::atomic<bool> close_asked{false};
std::atomic<bool> focused{true}; // a new window is the one being used
bool alt_enter_held = false;

void on_close_button() { note_close_request(); }
void on_switch_out() { note_focus_lost(); }
void on_switch_in() { note_focus_back(); }

} // namespace

void install_window_hooks()
{
    set_close_button_callback(on_close_button);
    // In the background mode the game keeps running and is only told of focus changes, so
    // that it can pause play itself.
    set_display_switch_mode(SWITCH_BACKGROUND);
    set_display_switch_callback(SWITCH_OUT, on_switch_out);
    set_display_switch_callback(SWITCH_IN, on_switch_in);
}

bool close_requested() { return close_asked.load(); }
bool window_has_focus() { return focused.load(); }

void note_close_request() { close_asked = true; }
void note_focus_lost() { focused = false; }
void note_focus_back() { focused = true; }

void forget_window_events()
{
    close_asked = false;
    focused = true;
    alt_enter_held = false;
}

bool alt_enter_pressed()
{
    const bool down = key[KEY_ENTER] && (key[KEY_ALT] || key[KEY_ALTGR]);
    const bool pressed = down && !alt_enter_held;
    alt_enter_held = down;
    return pressed;
}
