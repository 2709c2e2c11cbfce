// Fuzz target level_source: arbitrary text as a level source, read and resolved against a
// small tile sheet as levelc does. What it accepts is written as a map file, and that file
// must load: levelc may not write maps the loader refuses.
#include "fuzz_target.h"
#include "levelbuild.h"
#include "tilesheets.h"

#include <cstdlib>
#include <string>

namespace {

constexpr int SHEET_GRAPHICS = 16;

// A name that stays unknown to the sheet, so that the builder's mistakes are tried too.
constexpr char UNKNOWN_NAME_START = 'x';

// Name a graphic after each name the source uses (but those starting with 'x'), so that a
// source resolves whatever its art is called.
void name_graphics_as_used(const LevelSource &source, TileSheet &sheet)
{
    sheet.names.clear();
    for (const BlockDef &block : source.blocks)
        for (const SourceWord *ref : {&block.bg, &block.fg1, &block.fg2, &block.fg3})
            if (!ref->text.empty() && ref->text[0] != UNKNOWN_NAME_START)
                sheet.names.emplace(ref->text,
                                    static_cast<int>(sheet.names.size()) % SHEET_GRAPHICS);
}

} // namespace

int fuzz_level_source(const std::uint8_t *data, std::size_t size)
{
    static TileSheet sheet = solid_sheet(SHEET_GRAPHICS);
    LevelSource source;
    Diagnostics errors;
    parse_level_source("fuzz.level", std::string(data, data + size), source, errors);
    name_graphics_as_used(source, sheet);
    MapFile map;
    if (!build_level(source, sheet, map, errors) || !errors.empty())
        return 0;
    const std::vector<unsigned char> image = MapEncode(map);
    if (image.empty())
        return 0;
    constexpr int SCREEN_DEPTH = 8;
    fuzz::use_screen(SCREEN_DEPTH);
    const int loaded = MapDecode(image.data());
    MapFreeMem();
    fuzz::leave_screen();
    if (loaded != 0)
        std::abort(); // a map the compiler accepts and the loader refuses
    return 0;
}

ORVIA_FUZZ_TARGET("level_source", fuzz_level_source)
