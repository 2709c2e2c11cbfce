// The command line every tool shares.
#include "usage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

std::optional<int> answer_usage(int argc, char **argv, int operands, const char *usage)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usage, stdout);
        return EXIT_SUCCESS;
    }
    if (argc != operands + 1) {
        std::fputs(usage, stderr);
        return EXIT_FAILURE;
    }
    return std::nullopt;
}
