// Allegro without a display, for the tools: the map library converts block graphics to a depth
// the tool names, so no screen is needed.
#ifndef TOOLSCREEN_H
#define TOOLSCREEN_H

// Install Allegro with no system driver (once). False, after saying why on standard error
// under the program's name, when it cannot start.
bool start_headless_allegro(const char *program);

// Load a map file at a depth that keeps its colours: 8 bits for a map whose graphics are 8-bit
// (palette indices stay as they are), 32 bits for deeper graphics. False, after saying why on
// standard error, when the map cannot be loaded.
bool load_map_in_own_depth(const char *path);

#endif
