// How the tools read the files they are given and keep what they write apart from them: an
// input is read whole, only when it is a regular file within its size, an output that is one
// of the inputs is refused, and a failed write says why.
#ifndef INPUTFILES_H
#define INPUTFILES_H

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Reads the whole input file `path`, of at most `limit` bytes, into `bytes`; false with the
// reason in `problem` ("not a regular file", "larger than N bytes", or the system's reason).
using InputReader = std::function<bool(const std::string &path, std::uint64_t limit,
                                       std::string &bytes, std::string &problem)>;

// From the disk, through the map library's reader of regular files.
bool read_input_file(const std::string &path, std::uint64_t limit, std::string &bytes,
                     std::string &problem);

// True when both paths name one existing file, under the same name or another.
bool same_file(const std::string &a, const std::string &b);
// Why writing `output` would overwrite the input `input`, or an empty text when it would not.
std::string overwrite_problem(const std::string &output, const std::string &input);

// `read`, refusing before reading it an input that is the file `output`.
InputReader reader_sparing(const std::string &output, InputReader read = read_input_file);

// Why a writer that tells only that it failed (Allegro's savers, pugixml's) failed: `what`,
// and the system's reason when it left one in errno (cleared before the writer ran).
std::string failed_writing(const std::string &what);

// True when the name `path` ends in `end` (".tmx"), as the tools tell kinds of files apart.
bool name_ends_with(std::string_view path, std::string_view end);

// A text file's text: without the UTF-8 byte-order mark that some editors put first.
std::string_view without_byte_order_mark(std::string_view text);

#endif
