// The level source: a text file with directives, a legend of blocks and animations, and the
// layers drawn as character pictures. This reads it into plain records, names unresolved.
#ifndef LEVELSOURCE_H
#define LEVELSOURCE_H

#include "diagnostic.h"
#include "levelcheck.h"
#include "mapwords.h"
#include "sourcewords.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

// One block of the legend. Graphics are tile names or numbers, still unresolved; an empty
// text means "no graphic".
struct BlockDef {
    char symbol = 0;
    std::string name;
    SourcePos pos;
    SourceWord bg, fg1, fg2, fg3;
    BlockAttributes attributes{}; // attr1 to attr7
    std::uint8_t flags = 0;
};

// One animation of the legend: its frames are block names.
struct AnimDef {
    char symbol = 0;
    std::string name;
    SourcePos pos;
    int type = 1;
    std::uint8_t delay = 0, user = 0;
    std::vector<SourceWord> frames;
};

// One layer picture: rows of legend characters, and the source line of each row. Its width is
// the length most of its rows have (rows of another length are reported as ragged).
struct LayerDef {
    int number = 0;
    SourcePos pos;
    std::vector<std::string> rows;
    std::vector<int> row_lines;
    std::size_t width = 0;
};

struct LevelSource {
    std::string file;       // the source's path, as messages name it
    SourceWord tiles;       // tile sheet path, relative to the source's folder
    SourceWord names;       // tile names path, relative to the source's folder
    int maptype = 2;
    std::optional<map_point> start; // where the girl's feet are when she starts
    std::vector<BlockDef> blocks;
    std::vector<AnimDef> anims;
    std::vector<LayerDef> layers;
    // Every one-character symbol a legend line gives, also when the rest of the line is wrong,
    // so that the pictures' use of it is not reported a second time.
    std::set<char> symbols;
};

// Read a level source from its text, passing over a byte-order mark at its start. Every mistake
// of form (unknown directive, bad number, unknown flag, ragged or unterminated picture...) goes
// to errors, once: after a wrong directive the picture lines that may follow it are passed
// over. What was read correctly is kept, so that the names it uses can still be checked.
// Returns errors.empty().
bool parse_level_source(const std::string &file, const std::string &text, LevelSource &out,
                        Diagnostics &errors);

#endif
