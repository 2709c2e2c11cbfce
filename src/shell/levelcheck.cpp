// Checking a loaded map before play: its block geometry, and room for the girl's body at her
// start position inside the map, clear of its outer block columns and of solid blocks.
#include "levelcheck.h"

#include "gameloop.h"
#include "girlchar.h"
#include "maplib.h"
#include "wallstuff.h"

#include <sstream>

namespace {

struct pair_of {
    int a, b;
};
std::ostream &operator<<(std::ostream &out, pair_of p)
{
    return out << p.a << " x " << p.b;
}

struct start_position {};
std::ostream &operator<<(std::ostream &out, start_position)
{
    return out << "the girl's start position (" << GIRL_START_X << ", " << GIRL_START_Y << ")";
}

std::string geometry_problem()
{
    std::ostringstream why;
    if (mapblockwidth != TILE_SIZE || mapblockheight != TILE_SIZE)
        why << "its blocks are " << pair_of{mapblockwidth, mapblockheight}
            << " pixels; the game needs " << pair_of{TILE_SIZE, TILE_SIZE};
    else if (mapblockstaggerx != 0 || mapblockstaggery != 0)
        why << "it is a staggered map; the game needs blocks in plain rows and columns";
    else if (mapblockgapx != TILE_SIZE || mapblockgapy != TILE_SIZE)
        why << "its blocks lie " << pair_of{mapblockgapx, mapblockgapy}
            << " pixels apart; the game needs them side by side";
    return why.str();
}

std::string room_problem()
{
    const girl_character body;
    const int left = GIRL_START_X - body.half_width, right = GIRL_START_X + body.half_width;
    const int top = GIRL_START_Y - body.height, feet = GIRL_START_Y;
    const int map_w = mapwidth * TILE_SIZE, map_h = mapheight * TILE_SIZE;
    std::ostringstream why;
    if (left < 0 || top < 0 || right >= map_w || feet >= map_h) {
        why << start_position{} << " is outside the map of " << pair_of{map_w, map_h}
            << " pixels";
        return why.str();
    }
    const int last_column = mapwidth - 1;
    if (left / TILE_SIZE < 1 || right / TILE_SIZE >= last_column) {
        why << start_position{} << " is in the map's outer block columns, which are walls";
        return why.str();
    }
    for (int x = left; x <= right; ++x)
        if (block_vert(x, top, feet, false)) {
            why << "a solid block fills " << start_position{};
            return why.str();
        }
    return "";
}

} // namespace

std::string level_problem()
{
    const std::string geometry = geometry_problem();
    return geometry.empty() ? room_problem() : geometry;
}
