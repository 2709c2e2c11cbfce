// The structure of a graphics datafile, checked before Allegro's loader sees it: the loader
// trusts every size and field of the file, and a damaged file crashes it.
#ifndef DATCHECK_H
#define DATCHECK_H

// True when the datafile at `path` holds only what Allegro's loader reads safely: fonts in the
// current format that have the glyph drawn for missing characters, palettes and bitmaps, each
// of exactly the size its fields give, with fields in the ranges Allegro handles, and
// properties of a sane size. False for anything else: a file that cannot be read, one that is
// not a regular file (a FIFO, a device, a folder) or is larger than any game's datafile, a
// packed file or object (its unpacking cannot be vouched for), and a path that names an object
// inside a datafile ("file.dat#object").
bool datafile_is_sound(const char *path);

#endif
