// Maps the game cannot play are told apart from those it can: block geometry, and room for
// the girl's body at her start position (1350, 447), block (84, 27), or where the map says.
#include "headless.h"
#include "levelcheck.h"
#include "maplib.h"
#include "playerharness.h"
#include "testmaps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int START_COLUMN = 84;
constexpr int START_ROW = 27;

// An empty map of the given size in 16 x 16 blocks, with `fill` at the start block.
MapFile map_of(int columns, int rows, char fill = '.')
{
    std::vector<std::string> picture(rows, std::string(columns, '.'));
    if (START_ROW < rows && START_COLUMN < columns)
        picture[START_ROW][START_COLUMN] = fill;
    MapFile map;
    EXPECT_TRUE(harness::picture_to_map(picture, map));
    return map;
}

// What the game finds wrong with the map once it is loaded.
std::string problem_of(const MapFile &map)
{
    const std::string problem = testmaps::load(map);
    return problem.empty() ? level_problem(GIRL_START) : "the test map does not load: " + problem;
}

using LevelCheckTest = HeadlessTest;

TEST_F(LevelCheckTest, APlayableMapPassesAndEveryUnplayableOneIsToldWhy)
{
    EXPECT_EQ(problem_of(map_of(86, 28)), "") << "the smallest map with room at the start";
    EXPECT_EQ(problem_of(map_of(100, 40, '=')), "") << "a platform leaves room";

    MapFile big_blocks = map_of(100, 40);
    big_blocks.blockwidth = big_blocks.blockheight = big_blocks.gapx = big_blocks.gapy = 32;
    big_blocks.gfx.assign(static_cast<std::size_t>(big_blocks.numgfx) * 32 * 32, 0);
    MapFile staggered = map_of(100, 40);
    staggered.staggerx = staggered.staggery = 8;
    MapFile spaced = map_of(100, 40);
    spaced.gapx = 20;

    const std::pair<MapFile, std::string> unplayable[] = {
        {big_blocks, "its blocks are 32 x 32 pixels; the game needs 16 x 16"},
        {staggered, "it is a staggered map"},
        {spaced, "its blocks lie 20 x 16 pixels apart"},
        {map_of(80, 40), "the girl's start position (1350, 447) is outside the map of 1280 x 640 "
                         "pixels"},
        {map_of(100, 27), "outside the map of 1600 x 432 pixels"},
        {map_of(85, 40), "(1350, 447) is in the map's outer block columns"},
        {map_of(100, 40, '#'), "a solid block fills the girl's start position (1350, 447)"},
    };
    for (const auto &[map, why] : unplayable) {
        const std::string said = problem_of(map);
        EXPECT_NE(said.find(why), std::string::npos) << "expected \"" << why << "\", got \""
                                                     << said << "\"";
    }
}

// A small map says where she starts, in either byte order; a chunk of another size is no start.
TEST_F(LevelCheckTest, AMapsOwnStartIsReadInEitherByteOrderAndChecked)
{
    for (bool lsb : {false, true}) {
        MapFile small = map_of(40, 20);
        small.lsb = lsb;
        small.extra_chunks.push_back(start_chunk({100, 287}, lsb));
        ASSERT_EQ(testmaps::load(small), "");
        const std::optional<map_point> start = loaded_map_start();
        ASSERT_TRUE(start.has_value()) << lsb;
        EXPECT_EQ(start->x, 100);
        EXPECT_EQ(start->y, 287);
        EXPECT_EQ(level_problem(*start), "");
        map_point given{};
        EXPECT_EQ(loaded_level_problem(&given), "");
        EXPECT_EQ(given.y, 287);
        EXPECT_NE(level_problem(GIRL_START).find("outside the map of 640 x 320 pixels"),
                  std::string::npos);
    }
    MapFile damaged = map_of(40, 20);
    damaged.extra_chunks.push_back({START_CHUNK_ID, {1, 2, 3}});
    ASSERT_EQ(testmaps::load(damaged), "");
    std::string problem;
    EXPECT_FALSE(loaded_map_start(&problem).has_value());
    EXPECT_EQ(problem, "the start chunk STRT has 3 bytes, not 8");
    EXPECT_EQ(loaded_level_problem(), problem);
    ASSERT_EQ(testmaps::load(map_of(40, 20)), "");
    EXPECT_FALSE(loaded_map_start().has_value()) << "a map without one";
    map_point given{};
    EXPECT_NE(loaded_level_problem(&given), "") << "she is outside it at her usual start";
    EXPECT_EQ(given.x, GIRL_START.x);
}

} // namespace
