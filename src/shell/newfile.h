// Creating a file that did not exist, so that nothing already under its name is written to or
// replaced.
#ifndef NEWFILE_H
#define NEWFILE_H

#include <cstdio>

// Create `path` for writing, with the mode 0666 less the person's umask. An existing name is
// refused with EEXIST, a symbolic link included, even one to nowhere. Null with errno set when
// the file cannot be created, and then nothing is left under the name.
std::FILE *open_new_file(const char *path);

#endif
