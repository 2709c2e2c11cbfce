// The map inspector: a chunk walk of its own over the bytes the loader reads (so that a broken
// file can be described), then the library's loader for the contents.
#include "mapinspect.h"

#include "mapformat.h"
#include "mapinternal.h"
#include "maplib.h"
#include "mapwords.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <set>
#include <vector>

namespace {

constexpr std::size_t OUTER_HEADER_SIZE = 12; // "FORM", length, "FMAP"
constexpr std::size_t CHUNK_HEADER_SIZE = 8;  // identifier, length
constexpr std::size_t ID_SIZE = 4;

using namespace mapformat;

using Bytes = std::vector<unsigned char>;

// What the chunk walk keeps for later: the header chunk's data and the frame count of the
// animation chunk (the loader does not say how long its frame sequence is).
struct WalkResult {
    const unsigned char *mphd = nullptr;
    std::size_t sequence_entries = 0;
};

// Entries before the animation records, found as the loader finds them: back from the end,
// one record at a time, to the end marker.
std::size_t sequence_entries(const unsigned char *data, std::size_t length)
{
    for (std::size_t at = length; at >= ANIM_RECORD_SIZE;) {
        at -= ANIM_RECORD_SIZE;
        if (data[at] == ANIM_END_MARKER)
            return at / SEQ_ENTRY_SIZE;
    }
    return 0;
}

// A 4-byte identifier as text, non-printing bytes as \xNN.
std::string identifier(const unsigned char *p)
{
    std::string id;
    for (std::size_t i = 0; i < ID_SIZE; ++i) {
        if (std::isprint(p[i])) {
            id += static_cast<char>(p[i]);
        } else {
            constexpr const char *hex = "0123456789abcdef";
            id += std::string("\\x") + hex[p[i] >> 4] + hex[p[i] & 15];
        }
    }
    return id;
}

// The whole file as the loader reads it: unpacked when the game library's packer made it.
// False when it cannot be opened.
bool read_as_the_loader_does(const std::string &path, Bytes &file)
{
    PACKFILE *in = MapOpenFile(path.c_str());
    if (!in)
        return false;
    constexpr long PIECE = 1 << 16;
    unsigned char piece[PIECE];
    long got;
    while ((got = pack_fread(piece, PIECE, in)) > 0)
        file.insert(file.end(), piece, piece + got);
    pack_fclose(in);
    return true;
}

// Walk the outer header and the chunks; list each on out, and every inconsistency on problems.
WalkResult walk_chunks(const Bytes &file, std::ostream &out, std::ostream &problems)
{
    WalkResult found;
    if (file.size() < OUTER_HEADER_SIZE) {
        problems << "problem: " << file.size() << " bytes is too short for the outer header ("
            << OUTER_HEADER_SIZE << " bytes)\n";
        return found;
    }
    std::uint32_t form_length = MapGetchksz(&file[4]);
    out << "outer header: " << identifier(&file[0]) << ", form length " << form_length
        << ", form type " << identifier(&file[8]) << "\n";
    if (identifier(&file[0]) != "FORM" || identifier(&file[8]) != "FMAP")
        problems << "problem: a map file begins with FORM and has the form type FMAP\n";
    std::size_t form_end = std::size_t(form_length) + CHUNK_HEADER_SIZE;
    if (form_end != file.size())
        problems << "problem: the form length says the file has " << form_end << " bytes, it has "
            << file.size() << "\n";
    std::size_t end = std::min(form_end, file.size());
    out << "chunks:\n";
    for (std::size_t at = OUTER_HEADER_SIZE; at < end;) {
        if (end - at < CHUNK_HEADER_SIZE) {
            problems << "problem: " << end - at << " bytes at offset " << at
                << " are too few for a chunk header\n";
            break;
        }
        std::uint32_t length = MapGetchksz(&file[at + ID_SIZE]);
        std::string id = identifier(&file[at]);
        out << "  " << id << "  offset " << at << "  length " << length << "\n";
        std::size_t data = at + CHUNK_HEADER_SIZE;
        if (length > end - data) {
            problems << "problem: chunk " << id << " at offset " << at << " says " << length
                << " bytes of data, only " << end - data << " remain\n";
            break;
        }
        if (id == "MPHD" && length > HD_BYTE_ORDER)
            found.mphd = &file[data];
        if (id == "ANDT")
            found.sequence_entries = sequence_entries(&file[data], length);
        at = data + length;
    }
    return found;
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

void print_header(const unsigned char *mphd, std::ostream &out)
{
    out << "header:\n";
    if (mphd)
        out << "  format version " << int(mphd[HD_MAJOR]) << ", "
            << (mphd[HD_BYTE_ORDER] == LITTLE_ENDIAN_FLAG ? "little" : "big") << "-endian\n";
    out << "  map type " << maptype << ", " << mapwidth << " x " << mapheight
        << " blocks of " << mapblockwidth << " x " << mapblockheight << " pixels\n"
        << "  graphics: " << mapnumblockgfx << " at depth " << mapaltdepth << "\n"
        << "  block records: " << mapnumblockstr << " of " << mapblockstrsize << " bytes\n"
        << "  block gaps " << mapblockgapx << " x " << mapblockgapy << ", stagger "
        << mapblockstaggerx << " x " << mapblockstaggery << ", click mask " << mapclickmask
        << "\n";
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

// Animation k is k records back from the end; the walk stops at the end marker.
void print_animations(std::size_t sequence_length, std::ostream &out)
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
        for (std::int32_t f = a->first; f < a->end; ++f) {
            if (f >= 0 && std::size_t(f) < sequence_length)
                out << " " << mapanimseqpt[f];
            else
                out << " (frame " << f << " outside the sequence)";
        }
        out << "\n";
    }
}

} // namespace

int inspect_map(const std::string &path, std::ostream &out, std::ostream &problems)
{
    out << "file: " << path << "\n";
    Bytes file;
    const bool opened = read_as_the_loader_does(path, file);
    if (!opened)
        problems << "problem: the file cannot be opened\n";
    WalkResult walk = opened ? walk_chunks(file, out, problems) : WalkResult{};
    if (MapLoadDepth(path.c_str(), MAP_PALETTE_DEPTH) != 0) {
        problems << "the loader refuses the file: maperror " << maperror << ", "
                 << MapErrorText(maperror) << "\n";
        return 1;
    }
    print_header(walk.mphd, out);
    print_layers(out);
    print_blocks(out);
    print_animations(walk.sequence_entries, out);
    MapFreeMem();
    return 0;
}
