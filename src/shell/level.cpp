// Building the level once from its file, checking it, and loading its map from memory for each
// attempt.
#include "level.h"

#include "levelconvert.h"
#include "maplib.h"
#include "report.h"

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

bool read_map_file(level &lvl, std::string &problem)
{
    lvl.sources = {lvl.file};
    std::string reason;
    if (MapReadMapFile(lvl.file.c_str(), lvl.image, &reason) != 0) {
        problem = "the file cannot be opened: " + reason;
        return false;
    }
    if (!holds_whole_form(lvl.image)) {
        problem = MapErrorText(MER_MAPLOADERROR);
        return false;
    }
    return true;
}

// A level source or a Tiled map converted in memory as levelc converts it, noting every file
// it is made from (those that could not be read too: they may be there next time). Its
// warnings go to standard error as levelc's do.
bool convert_source(level &lvl, level_refusal &refusal)
{
    std::vector<std::string> read;
    const InputReader noting = [&read](const std::string &path, std::uint64_t limit,
                                       std::string &bytes, std::string &why) {
        read.push_back(path);
        return read_input_file(path, limit, bytes, why);
    };
    MapFile map;
    Diagnostics errors;
    std::vector<Diagnostic> warnings;
    const bool converted = convert_level(lvl.file, noting, map, errors, warnings);
    lvl.sources = read;
    for (const Diagnostic &warning : warnings)
        report_level_warning(warning.text().c_str());
    for (const Diagnostic &error : errors.list())
        refusal.problems.push_back(error.text());
    if (!converted)
        return false;
    std::string problem;
    lvl.image = MapEncode(map, &problem);
    if (lvl.image.empty())
        refusal.problems.push_back(problem);
    return !lvl.image.empty();
}

// Loads the map to check it, with the start in force; the map is released again.
bool check(level &lvl, std::optional<map_point> start, level_refusal &refusal)
{
    if (load_level_map(lvl) != 0) {
        refusal.problems.push_back(map_load_problem());
        return false;
    }
    if (start)
        lvl.start = *start;
    const std::string problem =
        start ? level_problem(lvl.start) : loaded_level_problem(&lvl.start);
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
    bool good = false;
    if (is_level_to_convert(file)) {
        good = convert_source(built, refusal);
    } else {
        std::string problem;
        good = read_map_file(built, problem);
        if (!good)
            refusal.problems.push_back(problem);
    }
    good = good && check(built, start, refusal);
    if (!good) {
        refusal.sources = std::move(built.sources);
        return false;
    }
    out = std::move(built);
    return true;
}

std::string map_load_problem()
{
    return std::string(MapErrorText(maperror)) + " (map error " + std::to_string(maperror) + ")";
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
