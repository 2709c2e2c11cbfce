// Verifies one replay file against a map file as the game's --verify does, headless:
//
//   replay_check REPLAY LEVEL.fmp
//
// Exit status 0 when every attempt ends as recorded, 1 when one does not, 2 when the replay or
// the level cannot be used.
#include "replayverify.h"

#include <cstdio>

int main(int argc, char **argv)
{
    constexpr int USAGE_STATUS = replay_refused;
    if (argc != 3) {
        std::fputs("usage: replay_check REPLAY LEVEL.fmp\n", stderr);
        return USAGE_STATUS;
    }
    return verify_command(argv[1], argv[2], GIRL_START, stdout, stderr);
}
