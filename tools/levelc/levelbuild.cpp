// Resolving a level source into map file contents.
#include "levelbuild.h"

#include <array>
#include <filesystem>
#include <limits>
#include <map>

namespace {

constexpr int NO_SYMBOL = std::numeric_limits<int>::min();
constexpr int MAX_CELL = std::numeric_limits<short>::max();

// A legend character the pictures use but the legend lacks: reported once, where first used.
struct UnknownSymbol {
    char symbol;
    SourcePos first;
    int cells;
};

// A source may draw every layer with as many cells as a map holds, one byte each; a names file
// is far shorter.
constexpr std::uint64_t MAX_TEXT_BYTES = std::uint64_t{1} << 28;

// The tile sheet and its names, from the paths the source gives relative to its own folder.
// False when there is no sheet to build with. Mistakes in the names do not stop the build: the
// names that are right still resolve, and the source's own mistakes are found.
bool read_art(const LevelSource &source, const InputReader &read, TileSheet &sheet,
              Diagnostics &errors)
{
    if (source.tiles.text.empty() || source.names.text.empty())
        return false;
    const std::filesystem::path folder = std::filesystem::path(source.file).parent_path();
    const std::string pcx_path = (folder / source.tiles.text).string();
    const std::string names_path = (folder / source.names.text).string();
    std::string pcx, names, problem;
    const bool sheet_read = read(pcx_path, TILE_SHEET_MAX_BYTES, pcx, problem);
    if (!sheet_read)
        errors.error(source.file, source.tiles.pos,
                     "cannot open the tile sheet " + pcx_path + ": " + problem);
    const bool names_read = read(names_path, MAX_TEXT_BYTES, names, problem);
    if (!names_read)
        errors.error(source.file, source.names.pos,
                     "cannot read the tile names " + names_path + ": " + problem);
    if (!sheet_read || !names_read || !load_tile_pixels(pcx_path, pcx, sheet, errors))
        return false;
    parse_tile_names(names_path, names, sheet, errors);
    return true;
}

class Builder {
public:
    Builder(const LevelSource &source, const TileSheet &sheet, Diagnostics &errors)
        : source_(source), sheet_(sheet), errors_(errors)
    {
    }

    void build(MapFile &map);

private:
    void error(SourcePos pos, const std::string &message)
    {
        errors_.error(source_.file, pos, message);
    }

    bool within_limits();
    std::int32_t graphic(const SourceWord &ref);
    MapFileBlock block(const BlockDef &def);
    void animations(MapFile &map);
    void symbols();
    std::vector<short> cells(const LayerDef &layer);
    int cell_of(char symbol, SourcePos pos);
    void report_unknown_symbols();

    const LevelSource &source_;
    const TileSheet &sheet_;
    Diagnostics &errors_;
    std::map<std::string, int> block_numbers_;
    std::array<int, 256> cell_of_symbol_{};
    std::vector<UnknownSymbol> unknown_;
};

void Builder::build(MapFile &map)
{
    if (!within_limits())
        return;
    for (std::size_t i = 0; i < source_.blocks.size(); ++i) {
        block_numbers_[source_.blocks[i].name] = static_cast<int>(i);
        map.blocks.push_back(block(source_.blocks[i]));
    }
    animations(map);
    symbols();
    for (const LayerDef &layer : source_.layers) {
        if (layer.width == 0)
            continue;
        if (layer.number == 0) {
            map.width = static_cast<int>(layer.width);
            map.height = static_cast<int>(layer.rows.size());
            if (map.width > MAX_CELL || map.height > MAX_CELL)
                error(layer.pos, "the map may be at most " + std::to_string(MAX_CELL) +
                                     " blocks wide and high");
        }
        map.layers[layer.number] = cells(layer);
    }
    report_unknown_symbols();
    map.maptype = source_.maptype;
    map.cmap = sheet_.cmap;
    map.numgfx = sheet_.count;
    map.gfx = sheet_.pixels;
    if (source_.start)
        map.extra_chunks.push_back(start_chunk(*source_.start, map.lsb));
}

bool Builder::within_limits()
{
    // Cells number blocks from 0 and animations from -1, both in 16 bits.
    const std::string limit = std::to_string(MAX_CELL);
    if (source_.blocks.size() > MAX_CELL)
        error(source_.blocks[MAX_CELL].pos, "one block too many: a map holds " + limit);
    if (source_.anims.size() > MAX_CELL)
        error(source_.anims[MAX_CELL].pos, "one animation too many: a map holds " + limit);
    return source_.blocks.size() <= MAX_CELL && source_.anims.size() <= MAX_CELL;
}

std::int32_t Builder::graphic(const SourceWord &ref)
{
    if (ref.text.empty())
        return 0;
    int number = 0;
    if (parse_graphic_number(ref.text, number)) {
        if (number < sheet_.count)
            return number;
        error(ref.pos, "graphic " + ref.text + " does not exist: the tile sheet has " +
                           std::to_string(sheet_.count) + " graphics");
        return 0;
    }
    auto found = sheet_.names.find(ref.text);
    if (found != sheet_.names.end())
        return found->second;
    error(ref.pos, "no graphic named " + quoted_excerpt(ref.text) + " in " + source_.names.text);
    return 0;
}

MapFileBlock Builder::block(const BlockDef &def)
{
    MapFileBlock b;
    b.gfx_bg = graphic(def.bg);
    b.gfx_fg1 = graphic(def.fg1);
    b.gfx_fg2 = graphic(def.fg2);
    b.gfx_fg3 = graphic(def.fg3);
    set_attributes(b, def.attributes);
    b.flags = def.flags;
    return b;
}

// Each animation's frames follow the previous one's in the shared frame sequence.
void Builder::animations(MapFile &map)
{
    for (const AnimDef &def : source_.anims) {
        MapFileAnim anim;
        anim.type = static_cast<std::int8_t>(def.type);
        anim.delay = def.delay;
        anim.countdown = static_cast<std::int8_t>(def.delay);
        anim.user = def.user;
        anim.first = static_cast<std::int32_t>(map.animseq.size());
        for (const SourceWord &frame : def.frames) {
            auto found = block_numbers_.find(frame.text);
            if (found == block_numbers_.end()) {
                error(frame.pos, "no block named " + quoted_excerpt(frame.text) +
                                     " (animation frames are block names)");
                continue;
            }
            map.animseq.push_back(found->second);
        }
        anim.end = static_cast<std::int32_t>(map.animseq.size());
        anim.current = anim.first;
        map.anims.push_back(anim);
    }
}

void Builder::symbols()
{
    cell_of_symbol_.fill(NO_SYMBOL);
    for (std::size_t i = 0; i < source_.blocks.size(); ++i)
        cell_of_symbol_[static_cast<unsigned char>(source_.blocks[i].symbol)] = static_cast<int>(i);
    for (std::size_t k = 0; k < source_.anims.size(); ++k)
        cell_of_symbol_[static_cast<unsigned char>(source_.anims[k].symbol)] =
            -static_cast<int>(k + 1);
}

std::vector<short> Builder::cells(const LayerDef &layer)
{
    std::vector<short> out;
    for (std::size_t r = 0; r < layer.rows.size(); ++r) {
        const std::string &row = layer.rows[r];
        for (std::size_t c = 0; c < layer.width; ++c) {
            const SourcePos pos{layer.row_lines[r], static_cast<int>(c) + 1};
            out.push_back(static_cast<short>(c < row.size() ? cell_of(row[c], pos) : 0));
        }
    }
    return out;
}

// An unknown character stands for block 0. It is noted once, unless a faulty legend line
// gave it (that line's mistake is reported already).
int Builder::cell_of(char symbol, SourcePos pos)
{
    const int cell = cell_of_symbol_[static_cast<unsigned char>(symbol)];
    if (cell != NO_SYMBOL)
        return cell;
    if (source_.symbols.count(symbol))
        return 0;
    for (UnknownSymbol &unknown : unknown_) {
        if (unknown.symbol == symbol) {
            ++unknown.cells;
            return 0;
        }
    }
    unknown_.push_back({symbol, pos, 1});
    return 0;
}

void Builder::report_unknown_symbols()
{
    for (const UnknownSymbol &unknown : unknown_) {
        const char c = unknown.symbol;
        std::string message = "unknown legend character " +
                              (c == ' ' ? std::string("space") : std::string("'") + c + "'");
        if (unknown.cells > 1)
            message += " (here and in " + std::to_string(unknown.cells - 1) + " more cells)";
        error(unknown.first, message);
    }
}

} // namespace

bool build_level(const LevelSource &source, const TileSheet &sheet, MapFile &map,
                 Diagnostics &errors)
{
    map = MapFile{};
    Builder builder(source, sheet, errors);
    builder.build(map);
    return errors.empty();
}

bool compile_level(const std::string &source_path, MapFile &map, Diagnostics &errors,
                   const InputReader &read)
{
    std::string text, problem;
    if (!read(source_path, MAX_TEXT_BYTES, text, problem)) {
        errors.error(source_path, {}, "cannot read the level source: " + problem);
        return false;
    }
    LevelSource source;
    parse_level_source(source_path, text, source, errors);
    TileSheet sheet;
    if (read_art(source, read, sheet, errors))
        build_level(source, sheet, map, errors);
    errors.sort_by_place();
    return errors.empty();
}
