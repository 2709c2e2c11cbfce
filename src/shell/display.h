// The one way the game's pictures reach the screen: the 320 x 240 picture enlarged by the
// largest whole factor that fits, centred on black, every game pixel a square of exactly its
// colour.
#ifndef DISPLAY_H
#define DISPLAY_H

#include <allegro.h>

// Shows the 8-bit picture on the screen in the selected palette's colours; it is remembered for
// showing again after a switch of mode.
void present(BITMAP *picture);

// Alt+Enter switches between full screen and window and shows the last picture again. Ends
// the program, after telling the person, when no screen at all can be set.
void follow_screen_keys();

// Frees what is kept between frames and forgets the last picture; the next one is presented
// whole.
void release_display();

#endif
