// The notes of the game to the person playing: a few lines in the picture's lower-left corner,
// each on a dark band so it reads over any part of the level, gone when its time is up.
#include "notes.h"

#include "graphic.h"

#include <chrono>
#include <vector>

namespace {

using note_clock = std::chrono::steady_clock;

struct note {
    std::string text;
    note_clock::time_point until; // the epoch: shown until the game ends
};

constexpr int MARGIN = 4;
constexpr int LINE_GAP = 2;
constexpr int BAND_COLOUR = 0;

std::vector<note> notes;
bool changed = false;

bool lasting(const note &n)
{
    return n.until == note_clock::time_point{};
}

// Notes whose time is up are dropped here, so that everything else sees only those shown.
void drop_expired()
{
    const note_clock::time_point now = note_clock::now();
    const std::size_t before = notes.size();
    std::erase_if(notes, [now](const note &n) { return !lasting(n) && n.until <= now; });
    changed = changed || notes.size() != before;
}

FONT *note_font()
{
    return comicf ? comicf : font;
}

} // namespace

void show_note(const std::string &text, double seconds)
{
    std::erase_if(notes, [&text](const note &n) { return n.text == text; });
    note_clock::time_point until{};
    if (seconds > 0)
        until = note_clock::now() + std::chrono::duration_cast<note_clock::duration>(
                                        std::chrono::duration<double>(seconds));
    notes.push_back({text, until});
    changed = true;
}

void forget_notes()
{
    changed = changed || !notes.empty();
    notes.clear();
}

bool have_notes()
{
    drop_expired();
    return !notes.empty();
}

void draw_notes(BITMAP *picture)
{
    drop_expired();
    FONT *f = note_font();
    const int line = text_height(f) + LINE_GAP;
    int y = picture->h - MARGIN - line * static_cast<int>(notes.size());
    for (const note &n : notes) {
        rectfill(picture, MARGIN - 1, y - 1, MARGIN + text_length(f, n.text.c_str()), y + line - 2,
                 BAND_COLOUR);
        textout_ex(picture, f, n.text.c_str(), MARGIN, y, TEXT_COLOUR, TRANSPARENT_TEXT);
        y += line;
    }
}

bool notes_changed()
{
    drop_expired();
    return changed;
}

void notes_presented()
{
    changed = false;
}
