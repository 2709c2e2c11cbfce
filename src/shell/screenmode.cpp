// Setting the game's screen: full screen at the desktop's own size first, then a window as
// large as fits, then the smallest window, and a message naming every reason when none works.
#include "screenmode.h"

#include "graphic.h"
#include "maplib.h"
#include "report.h"
#include "windowevents.h"

#include <algorithm>
#include <string>

namespace {

// The game composes and loads everything at 8 bits; the screen takes the desktop's own depth
// so that the display has nothing left to convert.
constexpr int PICTURE_DEPTH = MAP_PALETTE_DEPTH;

// Room a window leaves on the desktop for panels, docks and its own frame.
constexpr int PANEL_ROOM_W = 64;
constexpr int PANEL_ROOM_H = 96;

struct current_screen {
    screen_system system;
    screen_mode mode{};
    screen_mode full_screen{}; // what Alt+Enter switches to from a window
    screen_mode window{};      // and from full screen
};
current_screen current;

int largest_factor(int w, int h)
{
    return std::max(1, std::min(w / GAME_SCREEN_W, h / GAME_SCREEN_H));
}

// The largest whole factor of a window that fits the desktop with room for its panels and
// the window's frame (at least 1).
int window_scale_for(int desktop_w, int desktop_h)
{
    return largest_factor(desktop_w - PANEL_ROOM_W, desktop_h - PANEL_ROOM_H);
}

screen_mode window_of(int scale)
{
    return {false, GAME_SCREEN_W * scale, GAME_SCREEN_H * scale};
}

// A desktop smaller than the picture cannot show it whole: ask the display for the picture's
// own size instead, which it may offer as a mode.
screen_mode full_screen_for(int desktop_w, int desktop_h)
{
    if (desktop_w < GAME_SCREEN_W || desktop_h < GAME_SCREEN_H)
        return {true, GAME_SCREEN_W, GAME_SCREEN_H};
    return {true, desktop_w, desktop_h};
}

std::string describe(const screen_mode &mode)
{
    return std::string(mode.full_screen ? "full screen " : "window ") + std::to_string(mode.w) +
           " x " + std::to_string(mode.h);
}

int screen_depth()
{
    const int desktop = desktop_color_depth();
    return desktop != 0 ? desktop : PICTURE_DEPTH;
}

// The window's hooks and the palette belong to the mode; each new mode needs them again.
bool set_mode(const screen_mode &mode)
{
    set_color_depth(screen_depth());
    const int card = mode.full_screen ? GFX_AUTODETECT_FULLSCREEN : GFX_AUTODETECT_WINDOWED;
    const bool set = current.system.set_mode(card, mode.w, mode.h, 0, 0) == 0;
    set_color_depth(PICTURE_DEPTH);
    if (!set)
        return false;
    current.mode = mode;
    install_window_hooks();
    if (pal)
        set_palette(pal);
    return true;
}

} // namespace

picture_layout layout_for(int screen_w, int screen_h)
{
    const int scale = largest_factor(screen_w, screen_h);
    return {scale, (screen_w - GAME_SCREEN_W * scale) / 2, (screen_h - GAME_SCREEN_H * scale) / 2};
}

std::vector<screen_mode> modes_to_try(const game_options &options, int desktop_w, int desktop_h)
{
    const int fitting = window_scale_for(desktop_w, desktop_h);
    std::vector<screen_mode> modes;
    switch (options.start) {
    case screen_start::automatic:
    case screen_start::full_screen:
        modes.push_back(full_screen_for(desktop_w, desktop_h));
        modes.push_back(window_of(fitting));
        break;
    case screen_start::window:
        modes.push_back(window_of(fitting));
        break;
    case screen_start::scaled:
        modes.push_back(window_of(std::min(options.scale, fitting)));
        break;
    }
    if (modes.back().w != GAME_SCREEN_W)
        modes.push_back(window_of(1));
    return modes;
}

bool open_game_screen(const game_options &options, const screen_system &system)
{
    current.system = system;
    int desktop_w = GAME_SCREEN_W, desktop_h = GAME_SCREEN_H;
    if (system.desktop_size(&desktop_w, &desktop_h) != 0) { // unknown: the picture's own size
        desktop_w = GAME_SCREEN_W;
        desktop_h = GAME_SCREEN_H;
    }
    const std::vector<screen_mode> modes = modes_to_try(options, desktop_w, desktop_h);
    current.full_screen = full_screen_for(desktop_w, desktop_h);
    current.window = modes.front().full_screen ? modes[1] : modes.front();
    if (options.start == screen_start::scaled && current.window.w != GAME_SCREEN_W * options.scale)
        report_scale_lowered(options.scale, current.window.w / GAME_SCREEN_W, desktop_w, desktop_h);

    std::string reasons;
    for (const screen_mode &mode : modes) {
        if (set_mode(mode)) {
            if (options.start == screen_start::full_screen && !mode.full_screen)
                report_no_full_screen(reasons.c_str());
            return true;
        }
        reasons += (reasons.empty() ? "" : "; ") + describe(mode) + ": " + allegro_error;
    }
    report_no_screen(reasons.c_str());
    return false;
}

bool switch_full_screen()
{
    const screen_mode had = current.mode;
    const screen_mode other = had.full_screen ? current.window : current.full_screen;
    if (set_mode(other))
        return true;
    const std::string why = describe(other) + ": " + allegro_error;
    if (set_mode(had))
        return true;
    report_no_screen((why + "; " + describe(had) + " again: " + allegro_error).c_str());
    return false;
}
