// Building the level once from its file, checking it, and loading its map from memory for each
// attempt.
#include "level.h"

#include "maplib.h"

namespace {

constexpr std::size_t FORM_HEADER_BYTES = 12; // "FORM", the form's length, "FMAP"
constexpr std::size_t FORM_LENGTH_AT = 4;
constexpr std::size_t BYTES_BEFORE_FORM = 8;  // "FORM" and the length itself

// The decoder reads as far as the form's length says: the image must hold that much.
bool holds_whole_form(const std::vector<unsigned char> &image)
{
    return image.size() >= FORM_HEADER_BYTES &&
           MapGetchksz(&image[FORM_LENGTH_AT]) <= image.size() - BYTES_BEFORE_FORM;
}

std::string load_problem()
{
    return std::string(MapErrorText(maperror)) + " (map error " + std::to_string(maperror) + ")";
}

bool read_map_file(level &lvl, std::string &problem)
{
    std::string reason;
    if (MapReadMapFile(lvl.file.c_str(), lvl.image, &reason) != 0) {
        problem = "the file cannot be opened: " + reason;
        return false;
    }
    if (!holds_whole_form(lvl.image)) {
        problem = MapErrorText(MER_MAPLOADERROR);
        return false;
    }
    lvl.sources = {lvl.file};
    return true;
}

// Loads the map to check it, with the start in force; the map is released again.
bool check(level &lvl, std::optional<map_point> start, level_refusal &refusal)
{
    if (load_level_map(lvl) != 0) {
        refusal.problems.push_back(load_problem());
        return false;
    }
    std::string problem;
    lvl.start = start ? *start : loaded_map_start(&problem).value_or(GIRL_START);
    if (problem.empty())
        problem = level_problem(lvl.start);
    MapFreeMem();
    refusal.unplayable = !problem.empty();
    if (refusal.unplayable)
        refusal.problems.push_back(problem);
    return !refusal.unplayable;
}

} // namespace

bool build_level(const std::string &file, std::optional<map_point> start, level &out,
                 level_refusal &refusal)
{
    refusal = level_refusal{};
    level built;
    built.file = file;
    std::string problem;
    if (!read_map_file(built, problem)) {
        refusal.problems.push_back(problem);
        return false;
    }
    if (!check(built, start, refusal))
        return false;
    out = std::move(built);
    return true;
}

int load_level_map(const level &lvl)
{
    if (MapDecodeDepth(lvl.image.data(), MAP_PALETTE_DEPTH) != 0)
        return -1;
    if (MapGenerateYLookup() < 0) {
        MapFreeMem();
        maperror = MER_OUTOFMEM;
        return -1;
    }
    return 0;
}
