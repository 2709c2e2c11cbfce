// The level of a replay: its bytes read once, its name and hash, the refusal of another level's
// replay, and each attempt's map decoded from the bytes.
#include "replaylevel.h"

#include "diagnostic.h"
#include "maplib.h"
#include "screenmode.h"

#include <allegro.h>

#include <cstring>
#include <filesystem>

namespace {

// A map image begins with "FORM", the length of the form that follows and the form's type:
// the decoder takes an image only when it holds the whole form that the length declares.
constexpr char FORM_ID[] = "FORM";
constexpr std::size_t FORM_ID_SIZE = 4;
constexpr std::size_t FORM_PREFIX_SIZE = 8; // "FORM" and the length
constexpr std::size_t FORM_HEAD_SIZE = 12;  // and the type

bool holds_whole_form(const std::vector<unsigned char> &image)
{
    return image.size() >= FORM_HEAD_SIZE &&
           std::memcmp(image.data(), FORM_ID, FORM_ID_SIZE) == 0 &&
           MapGetchksz(image.data() + FORM_ID_SIZE) <= image.size() - FORM_PREFIX_SIZE;
}

int out_of_memory()
{
    maperror = MER_OUTOFMEM;
    return -1;
}

std::string start_text(map_point p) { return std::to_string(p.x) + " " + std::to_string(p.y); }

} // namespace

bool read_replay_level(const char *path, replay_level &level, std::string &problem)
{
    level = replay_level();
    if (MapReadMapFile(path, level.image, &problem) != 0) {
        problem = printable(std::string(path) + ": " + problem);
        return false;
    }
    if (!holds_whole_form(level.image)) {
        problem = printable(std::string(path) + ": not a whole map file");
        level.image.clear();
        return false;
    }
    level.name = printable(std::filesystem::path(path).filename().string());
    level.hash = fnv1a64(level.image.data(), level.image.size());
    return true;
}

replay_header header_for(const replay_level &level, map_point start, int speed)
{
    replay_header h;
    h.game_version = game_version();
    h.level = level.name;
    h.map_hash = level.hash;
    h.start = start;
    h.speed = speed;
    return h;
}

std::string replay_refusal(const replay_header &h, const replay_level &level, map_point start)
{
    std::string differs;
    if (h.level != level.name || h.map_hash != level.hash)
        differs = "recorded on level " + h.level + " (hash " + map_hash_text(h.map_hash) +
                  "), this is level " + level.name + " (hash " + map_hash_text(level.hash) + ")";
    if (h.start.x != start.x || h.start.y != start.y)
        differs += (differs.empty() ? "" : "; ") + std::string("recorded from the start ") +
                   start_text(h.start) + ", this game starts at " + start_text(start);
    return differs;
}

// Until the map library takes the colour depth, an 8-bit memory bitmap stands in for the screen
// while the map decodes: its graphics are made for the screen's depth.
int decode_level(const replay_level &level)
{
    BITMAP *const stand_in = create_bitmap_ex(GAME_PICTURE_DEPTH, 1, 1);
    if (!stand_in)
        return out_of_memory();
    BITMAP *const display = screen;
    screen = stand_in;
    int result = MapDecode(level.image.data());
    screen = display;
    destroy_bitmap(stand_in);
    if (result == 0 && MapGenerateYLookup() != 0) {
        MapFreeMem();
        result = out_of_memory();
    }
    return result;
}

const char *game_version() { return ORVIA_VERSION; }
