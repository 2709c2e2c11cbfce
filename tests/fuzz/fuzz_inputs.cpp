// Fuzz input made into what the readers take: a complete map image for MapDecode, or a file
// for the readers that open one by name.
#include "bigendian.h"
#include "fuzz_target.h"
#include "testfiles.h"

#include <cstdlib>

namespace fuzz {

namespace {

constexpr std::size_t OUTER_HEADER_SIZE = 12; // "FORM", form length, "FMAP"
constexpr std::size_t FORM_LENGTH_AT = 4;
constexpr std::size_t FORM_LENGTH_BASE = 8;   // the form length counts bytes after itself

} // namespace

std::vector<unsigned char> complete_map_image(const std::uint8_t *data, std::size_t size)
{
    std::vector<unsigned char> image(data, data + size);
    if (image.size() < OUTER_HEADER_SIZE)
        image.resize(OUTER_HEADER_SIZE, 0);
    const std::uint64_t held = image.size() - FORM_LENGTH_BASE;
    if (get_be32(image, FORM_LENGTH_AT) > held)
        put_be32(image, FORM_LENGTH_AT, static_cast<std::uint32_t>(held));
    return image;
}

const char *scratch_file(const std::uint8_t *data, std::size_t size)
{
    static const testfiles::ScratchFile file("fuzz-input");
    if (!testfiles::write_file(file.path(), data, size))
        std::abort(); // no file, nothing to fuzz
    return file.path();
}

} // namespace fuzz
