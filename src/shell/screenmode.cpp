// Setting the game's screen: full screen first, a window where the display cannot change its
// mode, and a message naming both reasons when neither works.
#include "screenmode.h"

#include "report.h"

#include <string>

bool open_game_screen(set_mode_function set_mode)
{
    if (set_mode(GFX_AUTODETECT_FULLSCREEN, GAME_SCREEN_W, GAME_SCREEN_H, 0, 0) == 0)
        return true;
    const std::string why_fullscreen = allegro_error;
    if (set_mode(GFX_AUTODETECT_WINDOWED, GAME_SCREEN_W, GAME_SCREEN_H, 0, 0) == 0)
        return true;
    report_no_screen(why_fullscreen.c_str(), allegro_error);
    return false;
}
