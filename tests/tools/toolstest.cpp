// Helpers for the tools' tests.
#include "toolstest.h"

#include "headless.h"
#include "testfiles.h"

#include <allegro.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>

namespace toolstest {

namespace {
constexpr int TILE = 16;
constexpr int SIX_BIT_LEVELS = 64;
} // namespace

run_result run_program(const std::string &command)
{
    run_result result{-1, "", "", ""};
    const std::string errors_file = testfiles::scratch_dir() + "/standard_error.txt";
    FILE *pipe = popen((command + " 2>" + errors_file).c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 256> chunk;
    std::size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        result.standard_output.append(chunk.data(), n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.standard_error = testfiles::read_file(errors_file);
    result.output = result.standard_output + result.standard_error;
    return result;
}

void save_test_sheet(const std::string &path, int columns, int rows)
{
    headless::install();
    set_color_depth(8);
    BITMAP *sheet = create_bitmap(columns * TILE, rows * TILE);
    ASSERT_NE(sheet, nullptr);
    for (int n = 0; n < columns * rows; ++n) {
        int x = n % columns * TILE, y = n / columns * TILE;
        rectfill(sheet, x, y, x + TILE - 1, y + TILE - 1, n);
        if (n != 0)
            putpixel(sheet, x, y, SHEET_CORNER_COLOUR);
    }
    PALETTE pal;
    for (int i = 0; i < PAL_SIZE; ++i)
        pal[i] = RGB{static_cast<unsigned char>(i % SIX_BIT_LEVELS),
                     static_cast<unsigned char>(SIX_BIT_LEVELS - 1 - i % SIX_BIT_LEVELS),
                     SIX_BIT_LEVELS - 1, 0};
    ASSERT_EQ(save_pcx(path.c_str(), sheet, pal), 0);
    destroy_bitmap(sheet);
}

} // namespace toolstest
