// Reading the tools' input files, and keeping their outputs apart from them.
#include "inputfiles.h"

#include "maplib.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

} // namespace

bool read_input_file(const std::string &path, std::uint64_t limit, std::string &bytes,
                     std::string &problem)
{
    return MapReadFile(path.c_str(), limit, bytes, &problem) == 0;
}

bool same_file(const std::string &a, const std::string &b)
{
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string overwrite_problem(const std::string &output, const std::string &input)
{
    if (!same_file(output, input))
        return "";
    return output + " is the input " + input + " (the same file): it is not overwritten";
}

InputReader reader_sparing(const std::string &output, InputReader read)
{
    return [output, read](const std::string &path, std::uint64_t limit, std::string &bytes,
                          std::string &problem) {
        if (!same_file(output, path))
            return read(path, limit, bytes, problem);
        problem = "it is the output " + output + " as well, which is not overwritten";
        return false;
    };
}

std::string failed_writing(const std::string &what)
{
    return errno ? what + ": " + std::strerror(errno) : what;
}

bool name_ends_with(std::string_view path, std::string_view end)
{
    return path.size() >= end.size() && path.substr(path.size() - end.size()) == end;
}

std::string_view without_byte_order_mark(std::string_view text)
{
    if (text.substr(0, BYTE_ORDER_MARK.size()) == BYTE_ORDER_MARK)
        text.remove_prefix(BYTE_ORDER_MARK.size());
    return text;
}
