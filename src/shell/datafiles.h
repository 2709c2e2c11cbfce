// Where the game finds "jump.fmp" and "gfx.dat": the current folder first, then the data
// folder installed with the game, found from where the executable is, so that a moved
// installation still finds its data.
#ifndef DATAFILES_H
#define DATAFILES_H

#include <string>

// <folder of the executable>/../share/orvia
std::string installed_data_folder(const std::string &executable);

// The file in the current folder if it is there, else in the installed data folder if it is
// there, else the plain name (which then names the missing file in messages).
std::string data_file_path(const char *name, const std::string &executable);

// The running program's own file.
std::string executable_path();

#endif
