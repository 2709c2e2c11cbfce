// Reading the level once, and loading its map from memory for each attempt.
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

} // namespace

bool read_level(const std::string &file, level &out, std::string &problem)
{
    level read{file, {}, GIRL_START};
    std::string reason;
    if (MapReadMapFile(file.c_str(), read.image, &reason) != 0) {
        problem = "the file cannot be opened: " + reason;
        return false;
    }
    if (!holds_whole_form(read.image)) {
        problem = MapErrorText(MER_MAPLOADERROR);
        return false;
    }
    out = std::move(read);
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
