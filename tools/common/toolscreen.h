// Allegro without a display, for the tools: a memory bitmap stands in for the screen, so that
// the map library can load maps and convert their graphics to its depth.
#ifndef TOOLSCREEN_H
#define TOOLSCREEN_H

// Install Allegro with no system driver (once). False, after saying why on standard error
// under the program's name, when it cannot start.
bool start_headless_allegro(const char *program);

// Make a small memory bitmap of this colour depth the library's screen, replacing any earlier
// stand-in. False when it cannot be created.
bool use_memory_screen(int depth);

// Destroy the stand-in screen.
void drop_memory_screen();

// Load a map file on a stand-in screen that keeps its colours: 8 bits for a map whose
// graphics are 8-bit (palette indices stay as they are), 32 bits for deeper graphics. False,
// after saying why on standard error, when the map cannot be loaded.
bool load_map_in_own_depth(const char *path);

#endif
