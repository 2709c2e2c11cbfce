// The one way the game's pictures reach the screen: the 320 x 240 picture enlarged by the
// largest whole factor that fits, centred on black, every game pixel a square of exactly its
// colour.
#ifndef DISPLAY_H
#define DISPLAY_H

#include <allegro.h>

// Shows the 8-bit picture on the screen in the selected palette's colours, with the notes of the
// time over it (the picture itself is left as it is); it is remembered for showing again after a
// switch of mode.
void present(BITMAP *picture);
// Shows the last picture again when a note has come or gone since it was presented.
void follow_notes();

// Alt+Enter switches between full screen and window and shows the last picture again. Ends
// the program, after telling the person, when no screen at all can be set.
void follow_screen_keys();

// Frees what is kept between frames and forgets the last picture; the next one is presented
// whole.
void release_display();

#endif
