// Short notes to the person playing ("Level reloaded", why a reload failed, a screenshot that
// could not be written, "Replay"), shown in a corner over the picture for a while: they are laid
// over what is presented and never drawn into the game's picture, so no screenshot holds them.
#ifndef NOTES_H
#define NOTES_H

#include <allegro.h>

#include <string>

// Shows the note for about `seconds`, below those already shown; a note of the same text is
// shown afresh instead. 0 seconds: until the game ends.
void show_note(const std::string &text, double seconds);
void forget_notes();

// True when notes are shown now; draw_notes lays them over a copy of the picture.
bool have_notes();
void draw_notes(BITMAP *picture);
// True when a note has come or gone since the picture was last presented with the notes of
// the time, which the presenter tells with notes_presented.
bool notes_changed();
void notes_presented();

#endif
