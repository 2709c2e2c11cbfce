// Choosing the converter by the file's name.
#include "levelconvert.h"

#include "levelbuild.h"
#include "tmximport.h"

namespace {

constexpr std::string_view LEVEL_SOURCE_END = ".level";

} // namespace

bool is_level_to_convert(const std::string &path)
{
    return name_ends_with(path, LEVEL_SOURCE_END) || is_tiled_map_name(path);
}

bool convert_level(const std::string &path, const InputReader &read, MapFile &map,
                   Diagnostics &errors, std::vector<Diagnostic> &warnings)
{
    if (!is_tiled_map_name(path))
        return compile_level(path, map, errors, read);
    TmxOptions tiled;
    tiled.read = read;
    return import_tiled_map(path, tiled, map, errors, warnings);
}
