// The command line every tool shares: "--help" asks for the usage, anything but the expected
// number of operands is a mistake.
#ifndef USAGE_H
#define USAGE_H

#include <optional>

// With "--help" (or "-h") as the only argument: the usage on standard output, status 0. With
// another count of operands than `operands`: the usage on standard error, a failure status.
// Otherwise nothing: the tool goes on with argv[1] .. argv[operands].
std::optional<int> answer_usage(int argc, char **argv, int operands, const char *usage);

#endif
