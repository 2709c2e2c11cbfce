// The level of a replay: its name and hash, and the refusal of another level's replay.
#include "replaylevel.h"

#include "diagnostic.h"

#include <filesystem>

namespace {

std::string start_text(map_point p) { return std::to_string(p.x) + " " + std::to_string(p.y); }

} // namespace

std::string replay_level_name(const level &lvl)
{
    return printable(std::filesystem::path(lvl.file).filename().string());
}

std::uint64_t level_hash(const level &lvl)
{
    return fnv1a64(lvl.image.data(), lvl.image.size());
}

replay_header header_for(const level &lvl, int speed)
{
    replay_header h;
    h.game_version = game_version();
    h.level = replay_level_name(lvl);
    h.map_hash = level_hash(lvl);
    h.start = lvl.start;
    h.speed = speed;
    return h;
}

std::string replay_refusal(const replay_header &h, const level &lvl)
{
    std::string differs;
    const std::string name = replay_level_name(lvl);
    const std::uint64_t hash = level_hash(lvl);
    if (h.level != name || h.map_hash != hash)
        differs = "recorded on level " + h.level + " (hash " + map_hash_text(h.map_hash) +
                  "), this is level " + name + " (hash " + map_hash_text(hash) + ")";
    if (h.start.x != lvl.start.x || h.start.y != lvl.start.y)
        differs += (differs.empty() ? "" : "; ") + std::string("recorded from the start ") +
                   start_text(h.start) + ", this game starts at " + start_text(lvl.start);
    return differs;
}

const char *game_version() { return ORVIA_VERSION; }
