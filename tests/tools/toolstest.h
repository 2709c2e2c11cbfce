// Helpers for the tools' tests: running a tool, and a small tile sheet.
#ifndef TOOLSTEST_H
#define TOOLSTEST_H

#include <string>

namespace toolstest {

// Run a shell command; its exit status and what it printed on each stream, and on both.
struct run_result {
    int status;
    std::string output;          // standard output, then standard error
    std::string standard_output;
    std::string standard_error;
};
run_result run_program(const std::string &command);

// Save an 8-bit PCX sheet of columns x rows graphics: graphic n is filled with palette index
// n (graphic 0 is see-through), with index 200 in its top-left pixel; palette entry i is
// (i % 64, 63 - i % 64, 63) in Allegro's 6-bit components.
constexpr int SHEET_CORNER_COLOUR = 200;
void save_test_sheet(const std::string &path, int columns, int rows);

} // namespace toolstest

#endif
