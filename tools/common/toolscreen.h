// Allegro without a display, for the tools: a memory bitmap stands in for the screen, so that
// the map library can load maps and convert their graphics to its depth.
#ifndef TOOLSCREEN_H
#define TOOLSCREEN_H

// Install Allegro with no system driver (once). False with allegro_error set on failure.
bool start_headless_allegro();

// Make a small memory bitmap of this colour depth the library's screen, replacing any earlier
// stand-in. False when it cannot be created.
bool use_memory_screen(int depth);

// Destroy the stand-in screen.
void drop_memory_screen();

#endif
