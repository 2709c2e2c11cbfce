// The command line: the screen options, one level file, the options of play and recording,
// --help, and everything else refused with a reason.
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
    const parsed_command_line designing =
        parse({"--start", "40,287", "--watch", "--speed", "50", "--mute", "small.tmx"});
    ASSERT_EQ(designing.outcome, parse_outcome::play) << designing.error;
    ASSERT_TRUE(designing.options.girl_start.has_value());
    EXPECT_EQ(designing.options.girl_start->x, 40);
    EXPECT_EQ(designing.options.girl_start->y, 287);
    EXPECT_TRUE(designing.options.watch && designing.options.mute);
    EXPECT_EQ(designing.options.speed, 50);

    const std::vector<std::pair<std::vector<const char *>, std::string>> bad = {
        {{"--bogus"}, "unknown option \"--bogus\""},
        {{"--scale"}, "--scale needs a factor"},
        {{"--scale", "2x"}, "from 1 to 128, not \"2x\""},
        {{"--scale", "0"}, "not \"0\""},
        {{"--window", "--scale", "2"}, "choose one of"},
        {{"a.fmp", "b.fmp"}, "not \"a.fmp\" and \"b.fmp\""},
        {{""}, "empty"},
        {{"--start", "40;287"}, "X,Y, such as 1350,447, not \"40;287\""},
        {{"--start", "-1,5"}, "not \"-1,5\""},
        {{"--speed", "49"}, "from 50 to 100, not \"49\""},
        {{"--record", "a.replay", "--watch"}, "--watch does not go with --record"},
        {{"--record", "a.replay", "--verify", "b.replay"}, "choose one of --record, --replay"},
        {{"--ghost", "a.replay", "--replay", "a.replay"}, "--ghost does not go with --replay"},
    };
    for (const auto &[args, why] : bad) {
        const parsed_command_line refused = parse(args);
        EXPECT_EQ(refused.outcome, parse_outcome::bad_usage) << why;
        EXPECT_NE(refused.error.find(why), std::string::npos) << refused.error;
    }
}

} // namespace
