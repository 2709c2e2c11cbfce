// Reading the tile art: the PCX sheet through Allegro, the names file by hand.
#include "tilesheet.h"

#include "colour.h"

#include <allegro.h>

#include <set>
#include <sstream>

namespace {

constexpr int PALETTE_SIZE = 256;
constexpr std::size_t MAX_GRAPHIC_DIGITS = 6; // more than any sheet has, fewer than overflow
constexpr int SHEET_DEPTH = 8;

void copy_graphic(BITMAP *sheet, int x0, int y0, std::vector<unsigned char> &pixels)
{
    for (int y = 0; y < TILE_PIXELS; ++y)
        for (int x = 0; x < TILE_PIXELS; ++x)
            pixels.push_back(static_cast<unsigned char>(getpixel(sheet, x0 + x, y0 + y)));
}

} // namespace

bool parse_graphic_number(const std::string &text, int &number)
{
    if (text.empty() || text.size() > MAX_GRAPHIC_DIGITS ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    number = std::stoi(text);
    return true;
}

bool load_tile_pixels(const std::string &pcx_path, TileSheet &sheet, Diagnostics &errors)
{
    PALETTE palette;
    set_color_conversion(COLORCONV_NONE);
    BITMAP *bmp = load_pcx(pcx_path.c_str(), palette);
    if (!bmp) {
        errors.error(pcx_path, {}, "cannot read the tile sheet as a PCX image");
        return false;
    }
    bool ok = false;
    if (bitmap_color_depth(bmp) != SHEET_DEPTH) {
        errors.error(pcx_path, {}, "the tile sheet must be an 8-bit (256-colour) PCX");
    } else if (bmp->w % TILE_PIXELS || bmp->h % TILE_PIXELS || bmp->w == 0 || bmp->h == 0) {
        errors.error(pcx_path, {},
                     "the tile sheet is " + std::to_string(bmp->w) + " x " +
                         std::to_string(bmp->h) + " pixels, not a whole number of 16 x 16 tiles");
    } else {
        int columns = bmp->w / TILE_PIXELS;
        sheet.count = columns * (bmp->h / TILE_PIXELS);
        sheet.pixels.clear();
        for (int n = 0; n < sheet.count; ++n)
            copy_graphic(bmp, n % columns * TILE_PIXELS, n / columns * TILE_PIXELS, sheet.pixels);
        sheet.cmap.clear();
        for (int i = 0; i < PALETTE_SIZE; ++i) {
            sheet.cmap.push_back(component_8bit(palette[i].r));
            sheet.cmap.push_back(component_8bit(palette[i].g));
            sheet.cmap.push_back(component_8bit(palette[i].b));
        }
        ok = true;
    }
    destroy_bitmap(bmp);
    return ok;
}

bool parse_tile_names(const std::string &file, const std::string &text, TileSheet &sheet,
                      Diagnostics &errors)
{
    std::istringstream in(text);
    std::string line;
    int line_number = 0;
    std::set<int> numbered;
    bool ok = true;
    while (std::getline(in, line)) {
        ++line_number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::istringstream words(line.substr(first));
        std::string number_text, name, extra;
        words >> number_text >> name >> extra;
        SourcePos pos{line_number, static_cast<int>(first) + 1};
        int number = 0;
        if (!parse_graphic_number(number_text, number) || name.empty() || !extra.empty()) {
            errors.error(file, pos, "expected \"number name\", not \"" + line.substr(first) + "\"");
            ok = false;
            continue;
        }
        if (number >= sheet.count) {
            errors.error(file, pos, "graphic " + number_text + " does not exist: the sheet has " +
                                        std::to_string(sheet.count) + " graphics");
            ok = false;
        } else if (!numbered.insert(number).second) {
            errors.error(file, pos, "graphic " + number_text + " is named twice");
            ok = false;
        } else if (!sheet.names.emplace(name, number).second) {
            SourcePos name_pos{line_number,
                               static_cast<int>(line.find(name, first + number_text.size())) + 1};
            errors.error(file, name_pos, "the name \"" + name + "\" is given twice");
            ok = false;
        }
    }
    return ok;
}
