// A long run of random controls on a map with every kind of block: every tick ends, she stays
// within the map's columns and her feet never end a tick inside a solid block.
#include "maptest.h"
#include "tilegrid.h"

#include <array>
#include <iostream>
#include <memory>
#include <random>

namespace {

// Slopes with their fill, ice, platforms, ladders, walls, an unknown slope type, ceiling slopes
// and holes in the floor to fall out through. Two shapes on which the movement can end a tick
// with her feet in a solid block are left out:
// - a hole in the map's last block row: the wall test stops at the last-but-one row, so falling
//   through she may move sideways into the last row's blocks (hence the empty row under the
//   floor);
// - ceiling slopes (types 2 and 3) less than her height above a floor: walls ignore slope
//   triangles, so she walks in under them, and a jump's ceiling push drives her feet down into
//   the floor.
const std::vector<std::string> EVERY_KIND = {
    "##############################################",
    "#............................................#",
    "#..........................................=.#",
    "#.......====..........T.............#........#",
    "#.....................H.............#...23...#",
    "#..1..........~~~~....H......7......#...#....#",
    "#..51.........#.......H.....##......#..4#....#",
    "#..551....==..#.......H.............#.45#....#",
    "#..5551.......#.....HHH..####.......#455#....#",
    "#######1...####.....HHH..#..........######...#",
    "#......51.....#.....HHH..#...............=...#",
    "#......551....#..........#.....=====.........#",
    "#......5551......~~~~~~~~#...................#",
    "#......###########.......#########....4......#",
    "#....................................45....1.#",
    "#...................................455....51#",
    "#######...#######...######################.###",
    "..............................................",
};
// Each attempt starts at the next of these feet positions, so that the run covers the map.
const int START_X[] = {60, 440, 680};
const int START_FEET[] = {255, 255, 63};
constexpr int STARTS = 3;

constexpr long SOAK_TICKS = 100000;
constexpr int LONGEST_HOLD = 15;   // passes of the level loop one set of controls is held at most
constexpr int LARGEST_BATCH = 3;   // ticks run after one reading of the controls at most
constexpr unsigned SEED = 20240607;

control_state random_controls(std::mt19937 &rng)
{
    std::bernoulli_distribution often(0.5), sometimes(0.25);
    control_state c;
    c.left = often(rng);
    c.right = !c.left && often(rng);
    c.up = sometimes(rng);
    c.down = sometimes(rng);
    c.jump = often(rng);
    c.run = often(rng);
    c.spare = sometimes(rng);
    return c;
}

TEST_F(ActorMapTest, RandomControlsNeverStrandHerInWallsOrOutsideTheMap)
{
    load(EVERY_KIND);
    std::mt19937 rng(SEED);
    std::uniform_int_distribution<int> passes(1, LONGEST_HOLD), batch(1, LARGEST_BATCH);
    const int map_right = mapwidth * TILE_SIZE;
    long ticks = 0, attempts = 1;
    std::array<long, status_climb + 1> ticks_in_status{};
    auto sim = std::make_unique<harness::player_sim>(START_X[0], START_FEET[0]);
    while (ticks < SOAK_TICKS) {
        const control_state c = random_controls(rng);
        for (int remaining = passes(rng); remaining > 0 && !sim->died; --remaining) {
            const std::size_t before = sim->log.size();
            sim->pass(c, batch(rng));
            for (std::size_t i = before; i < sim->log.size(); ++i) {
                const harness::tick_state &t = sim->log[i];
                const int x = fixtoi(t.x.v), y = fixtoi(t.y.v);
                ++ticks;
                ++ticks_in_status.at(t.status);
                ASSERT_GE(x, 0) << "tick " << ticks << " status " << t.status;
                ASSERT_LT(x, map_right) << "tick " << ticks << " status " << t.status;
                ASSERT_FALSE(block_at(x, y).flags & BLOCK_SOLID)
                    << "feet in a solid block at (" << x << ", " << y << "), tick " << ticks
                    << " status " << t.status;
            }
        }
        if (sim->died) {
            const int start = attempts++ % STARTS;
            sim = std::make_unique<harness::player_sim>(START_X[start], START_FEET[start]);
        }
    }
    std::cout << "soak: " << ticks << " ticks, " << attempts << " attempts; ticks by status:";
    for (long n : ticks_in_status)
        std::cout << ' ' << n;
    std::cout << '\n';
    for (int s = status_stand; s <= status_climb; ++s)
        EXPECT_GT(ticks_in_status[s], 0) << "the controls never reached status " << s;
}

} // namespace
