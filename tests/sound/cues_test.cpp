// The cues a scripted run gives, tick by tick, on small maps: jumps and landings from two
// heights, a ledge grabbed and climbed, a ladder, a platform dropped through, a slide on ice and
// a fall out of the map.
#include "cues.h"
#include "headless.h"
#include "playerharness.h"
#include "replayfile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct heard_cue {
    long tick; // from 1
    std::string name;
    int volume;
};

struct scene {
    const char *what;
    std::vector<std::string> map;
    map_point start;
    std::vector<harness::step> script;
    std::vector<std::string> cues; // the names heard, in order
};

// Runs the script one tick to a pass, as the level loop does when it keeps up with the timer,
// and takes the watcher's cues after each pass. The attempt ends with the pass in which she
// falls out of the map. The same run unheard ends in the same state: cues change nothing.
std::vector<heard_cue> play(const scene &s)
{
    attempt a(s.start), unheard(s.start);
    cue_watcher watcher;
    std::vector<heard_cue> heard;
    long tick = 0;
    for (const harness::step &step : s.script) {
        for (int i = 0; i < step.ticks && a.result == level_playing; ++i) {
            advance(a, harness::parse_keys(step.keys), 1, &watcher);
            advance(unheard, harness::parse_keys(step.keys), 1);
            ++tick;
            const pass_cues cues = watcher.take();
            for (int cue = 0; cue < CUE_COUNT; ++cue) {
                const char *name = cue_name(static_cast<sound_cue>(cue));
                if (cues.volume[cue] != CUE_SILENT)
                    heard.push_back({tick, name, cues.volume[cue]});
            }
        }
    }
    EXPECT_EQ(check_of(a.girl), check_of(unheard.girl)) << "heard or not";
    EXPECT_EQ(a.result, unheard.result);
    EXPECT_EQ(a.xoff, unheard.xoff);
    return heard;
}

std::vector<std::string> names_of(const std::vector<heard_cue> &heard)
{
    std::vector<std::string> names;
    for (const heard_cue &h : heard)
        names.push_back(h.name);
    return names;
}

// A closed room whose floor's top is row 128; `floor` is its bottom row.
std::vector<std::string> room(const std::string &floor = "####################")
{
    return {"####################", "#..................#", "#..................#",
            "#..................#", "#..................#", "#..................#",
            "#..................#", "#..................#", floor};
}
constexpr int ROOM_FEET = 127;

const std::vector<scene> SCENES = {
    {"a tapped jump, then a held one",
     room(),
     {100, ROOM_FEET},
     {{1, "J"}, {30, ""}, {60, "J"}},
     {"jump", "land", "jump", "land"}},
    {"a jump beside a wall, the ledge grabbed and pulled up onto",
     {"################", "#..............#", "#..............#", "#..............#",
      "#..............#", "#.......########", "#.......########", "################"},
     {123, 111},
     {{2, "JR"}, {60, "R"}},
     {"jump", "grab", "pull_up"}},
    {"a ladder climbed to its top: a step every 8 ticks",
     {"############", "#..........#", "#..........#", "#....T.....#", "#....H.....#",
      "#....H.....#", "############"},
     {88, 95},
     {{60, "U"}},
     {"climb_step", "climb_step", "climb_step", "climb_step", "climb_step", "climb_step"}},
    {"down and jump on a platform, standing on the floor below",
     {"############", "#..........#", "#..........#", "#...====...#", "#..........#",
      "#..........#", "############"},
     {96, 47},
     {{3, "D"}, {1, "DJ"}, {20, ""}},
     {"drop", "land"}},
    {"down and jump on solid ground does nothing",
     room(),
     {100, ROOM_FEET},
     {{3, "DJ"}, {5, ""}},
     {}},
    {"walking on ice, then running and letting go: one slide",
     room("#~~~~~~~~~~~~~~~~~~#"),
     {40, ROOM_FEET},
     {{20, "R"}, {10, "AR"}, {60, ""}},
     {"slide"}},
    {"walking off an edge into a hole and out of the map",
     {"##########", "#........#", "#........#", "#####..###"},
     {60, 47},
     {{100, "R"}},
     {"death"}},
};

constexpr std::size_t JUMPS = 0, LADDER = 2;

class CueWatcherTest : public HeadlessTest {};

// Each scene's cues in order; then the steps' pace on the ladder, and the landings' volumes:
// louder the higher the fall began (the tapped jump rises 21 pixels, the held one 73).
TEST_F(CueWatcherTest, AScriptedRunIsHeardAsItPlays)
{
    std::vector<std::vector<heard_cue>> heard;
    for (const scene &s : SCENES) {
        SCOPED_TRACE(s.what);
        ASSERT_EQ(harness::load_picture(s.map), 0);
        heard.push_back(play(s));
        EXPECT_EQ(names_of(heard.back()), s.cues);
        MapFreeMem();
    }
    for (std::size_t i = 0; i < heard[LADDER].size(); ++i)
        EXPECT_EQ(heard[LADDER][i].tick, 4 + 8 * static_cast<long>(i));
    ASSERT_EQ(heard[JUMPS].size(), 4u);
    EXPECT_EQ(heard[JUMPS][0].volume, CUE_FULL_VOLUME);
    EXPECT_EQ(heard[JUMPS][1].volume, 64 + 191 * 21 / 160);
    EXPECT_EQ(heard[JUMPS][3].volume, 64 + 191 * 73 / 160);
}

} // namespace
