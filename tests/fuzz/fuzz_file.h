// For fuzz targets whose reader takes a path: the input written to a file of this process.
#ifndef TESTS_FUZZ_FILE_H
#define TESTS_FUZZ_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Write the bytes to this process's scratch file (replacing the last input) and return its
// path. The file is removed when the program ends; aborts when it cannot be written.
const std::string &input_file(const std::uint8_t *data, std::size_t size);

} // namespace fuzz

#endif
