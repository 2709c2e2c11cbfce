// The game's graphics datafile (font, palette, the girl's pictures) and drawing its pictures.
#ifndef GRAPHIC_H
#define GRAPHIC_H

#include <allegro.h>

constexpr int GIRL_PICTURES = 16;

// The datafile's name; the game looks for it in the current directory first.
constexpr const char *GRAPHICS_FILE = "gfx.dat";

extern DATAFILE *gfx;                  // "gfx.dat", owner of everything below
extern FONT *comicf;                   // object 0: every text of the game
extern RGB *pal;                       // object 1: the screen palette
extern BITMAP *girl[GIRL_PICTURES];    // the girl's pictures by table entry

// The palette colour of the game's texts but the retry question, drawn over what is behind.
constexpr int TEXT_COLOUR = 15;
constexpr int TRANSPARENT_TEXT = -1;

// Load the graphics datafile (by default "gfx.dat" in the current directory), select its
// palette and fill the globals. Return 0, or -1 when the file is missing or not the expected
// datafile (then nothing is loaded and the globals stay null).
int load_graphics(const char *file = GRAPHICS_FILE);
void unload_graphics();

// Draw a picture masked with its top-left corner at (x, y) of bmp, mirrored when flip; nothing
// when the picture is null (no datafile loaded).
void draw_picture(BITMAP *bmp, BITMAP *picture, int x, int y, bool flip);

#endif
