// The tile art reader: graphics cut from the sheet in order, the sheet's size checked, and the
// names file's mistakes placed by line and column.
#include "tilesheet.h"

#include "headless.h"
#include "testfiles.h"
#include "toolstest.h"

#include <gtest/gtest.h>

namespace {

constexpr int GRAPHIC_PIXELS = 16 * 16;

std::string mistakes(const std::string &names, int count)
{
    TileSheet sheet;
    sheet.count = count;
    Diagnostics errors;
    parse_tile_names("t.txt", names, sheet, errors);
    std::string all;
    for (const Diagnostic &d : errors.list())
        all += d.text() + "\n";
    return all;
}

TEST(TileSheet, CutsGraphicsLeftToRightThenTopToBottom)
{
    std::string path = testfiles::scratch_dir() + "/three_by_two.pcx";
    toolstest::save_test_sheet(path, 3, 2);
    TileSheet sheet;
    Diagnostics errors;
    ASSERT_TRUE(load_tile_pixels(path, testfiles::read_file(path), sheet, errors));
    ASSERT_EQ(sheet.count, 6);
    ASSERT_EQ(sheet.pixels.size(), std::size_t(6 * GRAPHIC_PIXELS));
    for (int n = 0; n < 6; ++n) {
        const unsigned char *g = &sheet.pixels[n * GRAPHIC_PIXELS];
        EXPECT_EQ(g[0], n == 0 ? 0 : toolstest::SHEET_CORNER_COLOUR) << "graphic " << n;
        EXPECT_EQ(g[1], n) << "graphic " << n;
        EXPECT_EQ(g[GRAPHIC_PIXELS - 1], n) << "graphic " << n;
    }
}

TEST(TileSheet, RejectsASheetThatIsNotWholeTiles)
{
    headless::install();
    set_color_depth(8);
    BITMAP *odd = create_bitmap(40, 16);
    clear_bitmap(odd);
    std::string path = testfiles::scratch_dir() + "/odd.pcx";
    ASSERT_EQ(save_pcx(path.c_str(), odd, default_palette), 0);
    destroy_bitmap(odd);
    TileSheet sheet;
    Diagnostics errors;
    EXPECT_FALSE(load_tile_pixels(path, testfiles::read_file(path), sheet, errors));
    EXPECT_EQ(errors.list().at(0).text(),
              path + ": the tile sheet is 40 x 16 pixels, not a whole number of 16 x 16 tiles");
}

TEST(TileSheet, RejectsATrueColourSheet)
{
    headless::install();
    set_color_depth(24);
    BITMAP *deep = create_bitmap(16, 16);
    clear_bitmap(deep);
    std::string path = testfiles::scratch_dir() + "/deep.pcx";
    ASSERT_EQ(save_pcx(path.c_str(), deep, nullptr), 0);
    destroy_bitmap(deep);
    TileSheet sheet;
    Diagnostics errors;
    EXPECT_FALSE(load_tile_pixels(path, testfiles::read_file(path), sheet, errors));
    EXPECT_EQ(errors.list().at(0).text(), path + ": the tile sheet must be an 8-bit (256-colour) PCX");
}

// A PCX header as Allegro's reader trusts it (8 bits, one plane, the given size and line
// length), followed by a 256-colour palette but no pixels.
std::string pcx_header(int width, int height, int bytes_per_line)
{
    std::string file(128, '\0');
    auto put16 = [&](std::size_t at, int v) {
        file[at] = static_cast<char>(v & 0xFF);
        file[at + 1] = static_cast<char>(v >> 8);
    };
    file[0] = 10;
    file[3] = 8;
    put16(8, width - 1);
    put16(10, height - 1);
    file[65] = 1;
    put16(66, bytes_per_line);
    return file + '\x0c' + std::string(768, '\0');
}

std::string sheet_mistake(const std::string &name, const std::string &bytes)
{
    headless::install();
    const std::string path = testfiles::write_scratch(name, bytes);
    TileSheet sheet;
    Diagnostics errors;
    EXPECT_FALSE(load_tile_pixels(path, testfiles::read_file(path), sheet, errors));
    return errors.empty() ? "" : errors.list().front().text().substr(path.size() + 2);
}

// Allegro's reader would allocate whatever size the header claims (and read every byte of an
// over-long line); a map can hold 32767 graphics.
TEST(TileSheet, ChecksTheHeaderBeforeAllegroReadsIt)
{
    EXPECT_EQ(sheet_mistake("huge.pcx", pcx_header(65536, 128, 65535)),
              "the tile sheet holds 32768 graphics of 16 x 16 pixels, more than the 32767 a map "
              "can hold");
    EXPECT_EQ(sheet_mistake("long_lines.pcx", pcx_header(16, 16, 65535)),
              "the tile sheet's lines are 65535 bytes long, for 16 pixels");
    // Without its pixels: 16 lines of at least one run each.
    EXPECT_EQ(sheet_mistake("no_pixels.pcx", pcx_header(16, 16, 16)),
              "the tile sheet is cut short: 897 bytes, where its size needs at least 929");
    const std::string good = pcx_header(16, 16, 16);
    EXPECT_EQ(sheet_mistake("no_palette.pcx", good.substr(0, 128) + std::string(801, '\xc1')),
              "the tile sheet has no 256-colour palette at its end");
    EXPECT_EQ(sheet_mistake("cut.pcx", good.substr(0, 100)),
              "the tile sheet is too short for a PCX image");
    EXPECT_EQ(sheet_mistake("zeros.pcx", std::string(1000, '\0')),
              "the tile sheet is not a PCX image");
}

TEST(TileSheet, ReadsNamesSkippingBlankAndCommentLines)
{
    TileSheet sheet;
    sheet.count = 8;
    Diagnostics errors;
    ASSERT_TRUE(parse_tile_names("t.txt", "# tiles\n0 empty\n\n  7 ice_top\r\n", sheet, errors));
    EXPECT_EQ(sheet.names, (std::map<std::string, int>{{"empty", 0}, {"ice_top", 7}}));
}

TEST(TileSheet, PlacesEveryMistakeOfTheNames)
{
    EXPECT_EQ(mistakes("0 a\n  x b\n1\n2 c d\n", 4),
              "t.txt:2:3: expected \"number name\", not \"x b\"\n"
              "t.txt:3:1: expected \"number name\", not \"1\"\n"
              "t.txt:4:1: expected \"number name\", not \"2 c d\"\n");
    EXPECT_EQ(mistakes("0 a\n4 b\n0 c\n1 a\n", 4),
              "t.txt:2:1: graphic 4 does not exist: the sheet has 4 graphics\n"
              "t.txt:3:1: graphic 0 is named twice\n"
              "t.txt:4:3: the name \"a\" is given twice\n");
}

} // namespace
