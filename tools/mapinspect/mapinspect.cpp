// The map inspector: the library's walk of the chunks (the loader's own rules) for the file's
// layout, so that a broken file can be described, then the library's loader for the contents.
#include "mapinspect.h"

#include "diagnostic.h"
#include "levelcheck.h"
#include "maplib.h"
#include "mapwords.h"
#include "playcheck.h"

#include <algorithm>
#include <cstdint>
#include <set>

namespace {

// The outer header and the chunk list on out; where the walk stopped, or the bytes after the
// form, on problems.
void list_chunks(const MapChunkWalk &walk, std::ostream &out, std::ostream &problems)
{
    if (!walk.form_id.empty())
        out << "outer header: " << printable(walk.form_id) << ", form length "
            << walk.form_length << ", form type " << printable(walk.form_type) << "\n"
            << "chunks:\n";
    for (const MapChunkInfo &chunk : walk.chunks)
        out << "  " << printable(chunk.id) << "  offset " << chunk.offset << "  length "
            << chunk.length << "\n";
    if (!walk.problem.empty())
        problems << "problem: " << walk.problem << "\n";
}

bool has_chunk(const MapChunkWalk &walk, const std::string &id)
{
    return std::any_of(walk.chunks.begin(), walk.chunks.end(),
                       [&id](const MapChunkInfo &chunk) { return chunk.id == id; });
}

// Graphic number of a block's graphics field after loading: its index in abmTiles.
std::string graphic_number(const BlockGfx &gfx)
{
    if (!gfx.bitmap)
        return "-";
    for (int g = 0; abmTiles && abmTiles[g]; ++g)
        if (abmTiles[g] == gfx.bitmap)
            return std::to_string(g);
    return "?";
}

void print_header(bool has_header, std::ostream &out)
{
    out << "header:\n";
    if (has_header)
        out << "  format version " << mapversion << ", " << (mapislsb ? "little" : "big")
            << "-endian\n";
    out << "  map type " << maptype << ", " << mapwidth << " x " << mapheight
        << " blocks of " << mapblockwidth << " x " << mapblockheight << " pixels\n"
        << "  graphics: " << mapnumblockgfx << " at depth " << mapaltdepth << "\n"
        << "  block records: " << mapnumblockstr << " of " << mapblockstrsize << " bytes\n"
        << "  block gaps " << mapblockgapx << " x " << mapblockgapy << ", stagger "
        << mapblockstaggerx << " x " << mapblockstaggery << ", click mask " << mapclickmask
        << "\n";
}

// A start chunk that gives no start is the game's problem, told with the others.
void print_start(std::ostream &out)
{
    std::string problem;
    const std::optional<map_point> start = loaded_map_start(&problem);
    out << "start: ";
    if (start)
        out << start->x << ", " << start->y << "\n";
    else if (problem.empty())
        out << "none, so the game's own: " << GIRL_START.x << ", " << GIRL_START.y << "\n";
    else
        out << "none that can be read\n";
}

void print_layers(std::ostream &out)
{
    out << "layers:\n";
    std::size_t cells = std::size_t(mapwidth) * std::size_t(mapheight);
    for (int n = 0; n < MAP_LAYERS; ++n) {
        if (!mapmappt[n])
            continue;
        std::set<short> blocks;
        std::size_t animated = 0;
        for (std::size_t i = 0; i < cells; ++i) {
            if (mapmappt[n][i] < 0)
                ++animated;
            else
                blocks.insert(mapmappt[n][i]);
        }
        out << "  layer " << n << (n == 0 ? " (BODY)" : "") << ": " << mapwidth << " x "
            << mapheight << " cells, " << blocks.size() << " different blocks, " << animated
            << " animated cells\n";
    }
}

void print_blocks(std::ostream &out)
{
    out << "block records:\n";
    for (int i = 0; i < mapnumblockstr; ++i) {
        const BlockStr &b = mapblockstrpt[i];
        out << "  " << i << ": graphics " << graphic_number(b.gfx_bg) << " "
            << graphic_number(b.gfx_fg1) << " " << graphic_number(b.gfx_fg2) << " "
            << graphic_number(b.gfx_fg3) << "; flags " << flags_in_words(b.flags)
            << "; slope " << slope_in_words(b.attr1) << "; attributes " << b.attr2 << " "
            << b.attr3 << " " << b.attr4 << " " << int(b.attr5) << " " << int(b.attr6) << " "
            << int(b.attr7) << "\n";
    }
}

// Animation k is k records back from the end; the walk stops at the end marker. The loader
// keeps every frame within the sequence.
void print_animations(std::ostream &out)
{
    out << "animations:\n";
    if (!mapanimstrpt)
        return;
    int k = 1;
    for (std::ptrdiff_t i = mapanimstrendpt - mapanimstrpt - 1;
         i >= 0 && mapanimstrpt[i].type != anim_end; --i, ++k) {
        const AnimStr *a = &mapanimstrpt[i];
        out << "  " << k << " (cell " << -k << "): " << anim_type_word(a->type) << ", delay "
            << int(a->delay) << ", user " << int(a->user) << ", frames " << a->first << " to "
            << a->end - 1 << ", blocks";
        for (std::int32_t f = a->first; f < a->end; ++f)
            out << " " << mapanimseqpt[f];
        out << "\n";
    }
}

} // namespace

int inspect_map(const std::string &path, std::ostream &out, std::ostream &problems)
{
    out << "file: " << printable(path) << "\n";
    MapChunkWalk walk;
    MapWalkChunks(path.c_str(), walk);
    list_chunks(walk, out, problems);
    if (MapLoadDepth(path.c_str(), MAP_PALETTE_DEPTH) != 0) {
        problems << "the loader refuses the file: maperror " << maperror << ", "
                 << MapErrorText(maperror) << "\n";
        return 1;
    }
    print_header(has_chunk(walk, "MPHD"), out);
    print_start(out);
    print_layers(out);
    print_blocks(out);
    print_animations(out);
    const std::string unplayable = unplayable_loaded_map(path);
    MapFreeMem();
    if (!unplayable.empty())
        problems << "warning: " << unplayable << "\n";
    return 0;
}
