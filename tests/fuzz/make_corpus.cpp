// Writes the seed corpus of the map targets: small valid maps of every map type, both byte
// orders, several colour depths and header sizes, with animations, palettes and optional
// chunks; with "packed", each map also packed by the game library's packer (map_load reads
// both kinds of file).
// Usage: make_corpus OUTPUT_FOLDER [packed]
#include "maplib.h"
#include "testfiles.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int PALETTE_BYTES = 768;
constexpr int GRAPHICS = 4;
constexpr int BLOCKS = 6;
constexpr int LAST_ANIM_TYPE = anim_once_finished;

// A fixed pseudo-random sequence, so the corpus is the same on every run.
class Dice {
public:
    int roll(int sides)
    {
        state_ = state_ * 1103515245u + 12345u;
        return static_cast<int>((state_ >> 16) % static_cast<unsigned>(sides));
    }

private:
    unsigned state_ = 2024;
};

struct Seed {
    int maptype;
    bool lsb;
    int depth;
    int headersize;
    int blocksize;
};

std::vector<unsigned char> random_bytes(Dice &dice, std::size_t count)
{
    std::vector<unsigned char> bytes(count);
    for (auto &b : bytes)
        b = static_cast<unsigned char>(dice.roll(256));
    return bytes;
}

void add_blocks(MapFile &m, Dice &dice)
{
    m.blocks.resize(BLOCKS);
    for (int i = 0; i < BLOCKS; ++i) {
        MapFileBlock &b = m.blocks[i];
        b.gfx_bg = i % GRAPHICS;
        b.gfx_fg1 = dice.roll(GRAPHICS);
        b.gfx_fg2 = i % 2 ? 0 : dice.roll(GRAPHICS);
        b.attr1 = dice.roll(6);
        b.attr3 = static_cast<std::uint16_t>(dice.roll(65536));
        b.attr7 = static_cast<std::uint8_t>(i);
        b.flags = static_cast<std::uint8_t>(dice.roll(256));
    }
}

// One animation of every type, over stretches of a six-frame sequence.
void add_animations(MapFile &m, Dice &dice)
{
    for (int i = 0; i < 6; ++i)
        m.animseq.push_back(dice.roll(BLOCKS));
    for (int type = anim_none; type <= LAST_ANIM_TYPE; ++type) {
        MapFileAnim a;
        a.type = static_cast<std::int8_t>(type);
        a.delay = static_cast<std::uint8_t>(type == 2 ? 200 : type % 3);
        a.first = type % 3;
        a.end = a.first + 1 + type % 4;
        a.current = a.first;
        m.anims.push_back(a);
    }
}

// Rows that repeat and runs of one value, so types 2 and 3 use every kind of group.
std::vector<short> random_layer(const MapFile &m, Dice &dice)
{
    std::vector<short> cells(m.width * m.height);
    const int anims = static_cast<int>(m.anims.size());
    for (int y = 0; y < m.height; ++y) {
        for (int x = 0; x < m.width; ++x) {
            short &cell = cells[y * m.width + x];
            if (y % 3 == 2) {
                cell = cells[(y - 1) * m.width + x];
            } else if (x > 0 && dice.roll(3) == 0) {
                cell = cells[y * m.width + x - 1];
            } else {
                cell = dice.roll(4) == 0 ? static_cast<short>(-1 - dice.roll(anims))
                                         : static_cast<short>(dice.roll(BLOCKS));
            }
        }
    }
    return cells;
}

MapFile base_map(const Seed &seed, Dice &dice)
{
    MapFile m;
    m.maptype = seed.maptype;
    m.lsb = seed.lsb;
    m.depth = seed.depth;
    m.headersize = seed.headersize;
    m.blockwidth = m.blockheight = m.gapx = m.gapy = seed.blocksize;
    m.width = 10;
    m.height = 7;
    m.cmap = random_bytes(dice, PALETTE_BYTES);
    m.numgfx = GRAPHICS;
    m.gfx = random_bytes(dice, static_cast<std::size_t>(GRAPHICS) * seed.blocksize *
                                   seed.blocksize * ((seed.depth + 1) / 8));
    add_blocks(m, dice);
    add_animations(m, dice);
    m.layers[0] = random_layer(m, dice);
    m.layers[1] = random_layer(m, dice);
    return m;
}

// Variations on the base maps: optional chunks, long block records, staggered maps.
void add_extras(MapFile &m, int index, Dice &dice)
{
    switch (index % 4) {
    case 0:
        m.agfx = random_bytes(dice, static_cast<std::size_t>(GRAPHICS) * m.blockwidth *
                                        m.blockheight);
        m.agfx_after_bgfx = index % 8 == 4;
        break;
    case 1:
        m.has_novc = true;
        m.novc = "0-1,3";
        m.layers[7] = random_layer(m, dice);
        break;
    case 2:
        m.blockstrsize = 40;
        m.staggerx = m.blockwidth / 2;
        m.staggery = m.blockheight / 2;
        m.gapy = m.blockheight / 2;
        m.clickmask = GRAPHICS - 1;
        break;
    default:
        m.minor = 3;
        m.layers[4] = random_layer(m, dice);
        break;
    }
}

bool write_seed(const std::string &folder, const std::string &name, const MapFile &m,
                bool packed)
{
    const std::string path = folder + "/" + name + ".fmp";
    const std::string packed_path = folder + "/" + name + "_packed.fmp";
    std::string problem;
    if (MapSave(path.c_str(), m, &problem) != 0) {
        std::fprintf(stderr, "make_corpus: cannot write %s: %s\n", path.c_str(), problem.c_str());
        return false;
    }
    if (packed && !testfiles::write_packed_file(packed_path, MapEncode(m))) {
        std::fprintf(stderr, "make_corpus: cannot write %s\n", packed_path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const bool packed = argc == 3 && std::strcmp(argv[2], "packed") == 0;
    if (argc != 2 && !packed) {
        std::fprintf(stderr, "usage: make_corpus OUTPUT_FOLDER [packed]\n");
        return 2;
    }
    if (packed && install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        std::fprintf(stderr, "make_corpus: cannot start Allegro: %s\n", allegro_error);
        return 1;
    }
    const int depths[] = {8, 15, 16, 24, 32};
    const int headers[] = {24, 28, 36, 38};
    constexpr int ROUNDS = 2;
    Dice dice;
    int index = 0;
    bool ok = true;
    for (int round = 0; round < ROUNDS; ++round) {
        for (int maptype = 0; maptype <= 3; ++maptype) {
            for (bool lsb : {false, true}) {
                const int depth = depths[index % 5];
                const int header = headers[index % 4];
                const Seed seed{maptype, lsb, depth, header, index % 3 == 0 ? 16 : 8};
                MapFile m = base_map(seed, dice);
                add_extras(m, index, dice);
                const std::string name = "type" + std::to_string(maptype) +
                                         (lsb ? "_lsb" : "_msb") + "_d" +
                                         std::to_string(depth) + "_h" + std::to_string(header);
                ok = write_seed(argv[1], name, m, packed) && ok;
                ++index;
            }
        }
    }
    return ok ? 0 : 1;
}
