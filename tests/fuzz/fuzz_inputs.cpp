// Fuzz input made into what the readers take: a complete map image for MapDecode, or a file
// for the readers that open one by name.
#include "fuzz_target.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzz {

namespace {

constexpr std::size_t OUTER_HEADER_SIZE = 12; // "FORM", form length, "FMAP"
constexpr std::size_t FORM_LENGTH_AT = 4;
constexpr std::size_t FORM_LENGTH_BASE = 8;   // the form length counts bytes after itself

std::uint32_t read_be32(const unsigned char *p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
           (std::uint32_t(p[2]) << 8) | p[3];
}

void write_be32(unsigned char *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

// This process's scratch file, removed when the process ends normally.
struct ScratchFile {
    std::string path = "/tmp/orvia-fuzz-" + std::to_string(getpid());
    ~ScratchFile() { std::remove(path.c_str()); }
};

} // namespace

std::vector<unsigned char> complete_map_image(const std::uint8_t *data, std::size_t size)
{
    std::vector<unsigned char> image(data, data + size);
    if (image.size() < OUTER_HEADER_SIZE)
        image.resize(OUTER_HEADER_SIZE, 0);
    const std::uint64_t held = image.size() - FORM_LENGTH_BASE;
    if (read_be32(image.data() + FORM_LENGTH_AT) > held)
        write_be32(image.data() + FORM_LENGTH_AT, static_cast<std::uint32_t>(held));
    return image;
}

const char *scratch_file(const std::uint8_t *data, std::size_t size)
{
    static const ScratchFile file;
    std::FILE *out = std::fopen(file.path.c_str(), "wb");
    if (!out || (size && std::fwrite(data, 1, size, out) != size) || std::fclose(out) != 0)
        std::abort(); // no file, nothing to fuzz
    return file.path.c_str();
}

} // namespace fuzz
