// What the game tells the person playing it when something goes wrong: the wording of every
// message and the one place that writes them out.
#include "report.h"

#include "diagnostic.h"

#include <allegro.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

namespace {

constexpr std::size_t BOX_LINE_LENGTH = 60;
const char *const PROGRAM_NAME = "orvia";

// The message box shows each line as it stands, so long messages are broken between words.
std::string wrapped(const std::string &text)
{
    std::istringstream words(text);
    std::string out, word;
    std::size_t line_length = 0;
    while (words >> word) {
        if (line_length > 0 && line_length + 1 + word.size() > BOX_LINE_LENGTH) {
            out += '\n';
            line_length = 0;
        } else if (line_length > 0) {
            out += ' ';
            ++line_length;
        }
        out += word;
        line_length += word.size();
    }
    return out;
}

// A problem the game survives: standard error only, so that play is not interrupted.
void tell_warning(const std::string &text)
{
    std::fprintf(stderr, "%s: %s\n", PROGRAM_NAME, text.c_str());
}

// A problem that ends the game: on standard error, then in the library's message box. The box
// cannot be shown over a graphics mode, so the screen goes back to text mode first.
void tell_fatal(const std::string &text)
{
    tell_warning(text);
    if (gfx_driver)
        set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
    allegro_message("%s\n", wrapped(text).c_str());
}

// Where the controls file is comes from the environment, and so do the folders that a reason
// may name: shown printable.
std::string shown(const char *text)
{
    return printable(text);
}

} // namespace

void report_no_library(const char *why, bool with_display)
{
    const std::string text =
        format_text("cannot start the game library: %s",
                    *why ? why : "no display or graphics system could be opened");
    if (with_display)
        tell_fatal(text);
    else
        tell_warning(text);
}

void report_refused_file(const std::string &why)
{
    tell_warning(why);
}

void report_no_screen(const char *reasons)
{
    tell_fatal(format_text("cannot open a screen (%s)", reasons));
}

void report_no_full_screen(const char *reasons)
{
    tell_warning(format_text("cannot play full screen (%s); playing in a window", reasons));
}

void report_scale_lowered(int asked, int used, int desktop_w, int desktop_h)
{
    tell_warning(format_text("a window %d times 320 x 240 does not fit the desktop of %d x %d; "
                             "the window is %d times 320 x 240",
                             asked, desktop_w, desktop_h, used));
}

void report_no_graphics(const char *file, const char *installed_folder)
{
    tell_fatal(format_text("cannot load the graphics datafile \"%s\" (looked in the current "
                           "folder, then in %s): it is missing, unreadable or not the game's "
                           "datafile (a font, a palette and the girl's pictures)",
                           file, installed_folder));
}

void report_no_back_buffer()
{
    tell_fatal("not enough memory for the 320 x 240 back buffer");
}

void report_no_map(const char *file, const std::vector<std::string> &why)
{
    if (why.size() == 1) {
        tell_fatal(format_text("cannot load the map \"%s\": %s", file, why.front().c_str()));
        return;
    }
    for (const std::string &problem : why)
        tell_warning(problem);
    tell_fatal(format_text("cannot load the map \"%s\": %zu mistakes, listed above; the first: "
                           "%s",
                           file, why.size(), why.front().c_str()));
}

void report_unplayable_map(const char *file, const char *why)
{
    tell_fatal(format_text("cannot play the map \"%s\": %s", file, why));
}

void report_level_warning(const char *warning)
{
    tell_warning(warning);
}

void report_reload_failed(const char *file, const char *why)
{
    tell_warning(format_text("the level \"%s\" was not reloaded: %s", file, why));
}

void report_foreign_replay(const char *file, const char *why)
{
    tell_fatal(format_text("cannot play the recording \"%s\": %s", file, why));
}

void report_no_sound(const char *why)
{
    tell_warning(format_text("%s; playing without sound", why));
}

void report_controls_unreadable(const char *file, const char *why)
{
    tell_warning(format_text("cannot read the controls file \"%s\": %s; playing with the "
                             "default keys",
                             shown(file).c_str(), why));
}

void report_controls_problem(const char *file, int line, const char *what)
{
    tell_warning(format_text("%s:%d: %s", shown(file).c_str(), line, what));
}

void report_keys_not_saved(const char *file, const char *why)
{
    tell_warning(format_text("cannot save the keys in \"%s\": %s; they serve until the game "
                             "ends",
                             shown(file).c_str(), shown(why).c_str()));
}

void report_screenshot_failed(const char *file, int error_number)
{
    tell_warning(format_text("cannot write the screenshot \"%s\": %s", file,
                             std::strerror(error_number)));
}
