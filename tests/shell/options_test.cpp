// The command line: the screen options, one level file, --help, and everything else refused
// with a reason.
#include "options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

parsed_command_line parse(std::vector<const char *> args)
{
    args.insert(args.begin(), "orvia");
    return parse_command_line(static_cast<int>(args.size()), args.data());
}

TEST(Options, ScreenOptionsALevelFileHelpAndUsageErrors)
{
    // The end-to-end run starts the game with each other screen option and a level file.
    const parsed_command_line p = parse({"levels/cave.fmp", "--fullscreen"});
    EXPECT_EQ(p.outcome, parse_outcome::play);
    EXPECT_EQ(p.options.start, screen_start::full_screen);
    EXPECT_EQ(p.options.level, "levels/cave.fmp");
    EXPECT_EQ(parse({"--scale", "2", "--help"}).outcome, parse_outcome::show_help);

    const std::vector<std::pair<std::vector<const char *>, std::string>> bad = {
        {{"--bogus"}, "unknown option \"--bogus\""},
        {{"--scale"}, "--scale needs a factor"},
        {{"--scale", "2x"}, "from 1 to 128, not \"2x\""},
        {{"--scale", "0"}, "not \"0\""},
        {{"--window", "--scale", "2"}, "choose one of"},
        {{"a.fmp", "b.fmp"}, "not \"a.fmp\" and \"b.fmp\""},
        {{""}, "empty"},
    };
    for (const auto &[args, why] : bad) {
        const parsed_command_line refused = parse(args);
        EXPECT_EQ(refused.outcome, parse_outcome::bad_usage) << why;
        EXPECT_NE(refused.error.find(why), std::string::npos) << refused.error;
    }
}

} // namespace
