// The scratch file that carries a fuzz input to readers that take a path.
#include "fuzz_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fuzz {

namespace {

struct ScratchFile {
    std::string path = (std::filesystem::temp_directory_path() /
                        ("orvia-fuzz-input-" + std::to_string(getpid())))
                           .string();
    ~ScratchFile() { std::remove(path.c_str()); }
};

} // namespace

const std::string &input_file(const std::uint8_t *data, std::size_t size)
{
    static const ScratchFile file;
    std::FILE *out = std::fopen(file.path.c_str(), "wb");
    if (!out)
        std::abort(); // no file, nothing to fuzz
    const bool written = size == 0 || std::fwrite(data, 1, size, out) == size;
    if (std::fclose(out) != 0 || !written)
        std::abort();
    return file.path;
}

} // namespace fuzz
