// What the game asks of a map: its block geometry, the start chunk, and room for the girl's body
// at her start position inside the map, clear of its outer block columns and of solid blocks.
#include "levelcheck.h"

#include "girlchar.h"
#include "maplib.h"
#include "tilegrid.h"

#include <sstream>

namespace {

constexpr std::uint32_t START_CHUNK_BYTES = 8;
constexpr int NUMBER_BYTES = 4;
constexpr int BITS_PER_BYTE = 8;

void put_number(std::vector<unsigned char> &out, std::int32_t value, bool lsb)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < NUMBER_BYTES; ++i) {
        const int byte = lsb ? i : NUMBER_BYTES - 1 - i;
        out.push_back(static_cast<unsigned char>(bits >> (BITS_PER_BYTE * byte)));
    }
}

struct pair_of {
    int a, b;
};
std::ostream &operator<<(std::ostream &out, pair_of p)
{
    return out << p.a << " x " << p.b;
}

struct start_position {
    map_point at;
};
std::ostream &operator<<(std::ostream &out, start_position start)
{
    return out << "the girl's start position (" << start.at.x << ", " << start.at.y << ")";
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

std::string room_problem(map_point start)
{
    const girl_character body;
    const int left = start.x - body.half_width, right = start.x + body.half_width;
    const int top = start.y - body.height, feet = start.y;
    const int map_w = mapwidth * TILE_SIZE, map_h = mapheight * TILE_SIZE;
    std::ostringstream why;
    if (left < 0 || top < 0 || right >= map_w || feet >= map_h) {
        why << start_position{start} << " is outside the map of " << pair_of{map_w, map_h}
            << " pixels";
        return why.str();
    }
    if (in_left_wall_column(left) || in_right_wall_column(right)) {
        why << start_position{start} << " is in the map's outer block columns, which are walls";
        return why.str();
    }
    if (!body_clear_at(start)) {
        why << "a solid block fills " << start_position{start};
        return why.str();
    }
    return "";
}

} // namespace

MapFileChunk start_chunk(map_point start, bool lsb)
{
    MapFileChunk chunk;
    chunk.id = START_CHUNK_ID;
    put_number(chunk.data, start.x, lsb);
    put_number(chunk.data, start.y, lsb);
    return chunk;
}

std::optional<map_point> loaded_map_start(std::string *problem)
{
    std::uint32_t length = 0;
    const unsigned char *data = MapGetChunk(START_CHUNK_ID, &length);
    if (!data)
        return std::nullopt;
    if (length != START_CHUNK_BYTES) {
        if (problem)
            *problem = "the start chunk " + std::string(START_CHUNK_ID) + " has " +
                       std::to_string(length) + " bytes, not " +
                       std::to_string(START_CHUNK_BYTES);
        return std::nullopt;
    }
    return map_point{MapGetlong(data), MapGetlong(data + NUMBER_BYTES)};
}

bool body_clear_at(map_point feet)
{
    const girl_character body;
    for (int x = feet.x - body.half_width; x <= feet.x + body.half_width; ++x)
        if (block_vert(x, feet.y - body.height, feet.y, false))
            return false;
    return true;
}

std::string level_problem(map_point start)
{
    const std::string geometry = geometry_problem();
    return geometry.empty() ? room_problem(start) : geometry;
}

std::string loaded_level_problem(map_point *start)
{
    std::string problem;
    const map_point given = loaded_map_start(&problem).value_or(GIRL_START);
    if (start)
        *start = given;
    return problem.empty() ? level_problem(given) : problem;
}
