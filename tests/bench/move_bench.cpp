// One tick of the girl (her controls, move() and the fall-out test) walking, running and
// jumping over varied ground: flat ground, ice, slopes down and up, a platform. Reported next to
// the 25 ms a tick lasts and against one block lookup measured in the same run.
#include "benchclock.h"
#include "girlchar.h"
#include "headless.h"
#include "maplib.h"
#include "testmaps.h"
#include "wallstuff.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

namespace {

constexpr double TICK_NS = 25e6; // one tick of the game timer
constexpr int SECTIONS = 12;     // repeats of the ground pattern
constexpr int SECTION = 32;      // columns of one pattern
constexpr int WIDTH = SECTIONS * SECTION + 2;
constexpr int HEIGHT = 20;
constexpr int GROUND = 12;      // block row of the upper ground
constexpr int DROP = 4;         // block rows from the upper to the lower ground
constexpr int PLATFORM_ROW = GROUND - 3;
constexpr int LOOKUPS = 1000;   // block lookups timed for the baseline

enum kind { empty, solid, platform, ice, slope_down, slope_up, slope_fill, KINDS };

MapFileBlock block_of(kind k)
{
    MapFileBlock b;
    switch (k) {
    case solid: b.flags = BLOCK_SOLID; break;
    case platform: b.flags = BLOCK_PLATFORM; break;
    case ice: b.flags = BLOCK_SOLID | BLOCK_ICE; break;
    case slope_down: b.attr1 = slope_floor_down_right; break;
    case slope_up: b.attr1 = slope_floor_down_left; break;
    case slope_fill: b.attr1 = slope_full; break;
    default: break;
    }
    return b;
}

// The ground's top block row at a column of the pattern, and what the surface block is:
// flat, ice, a slope down to the lower ground, flat, a slope back up, flat under a platform.
struct column_shape {
    int top;
    kind surface;
};

column_shape shape(int c)
{
    if (c >= 8 && c < 12)
        return {GROUND, ice};
    if (c >= 12 && c < 16)
        return {GROUND + (c - 12), slope_down};
    if (c >= 16 && c < 20)
        return {GROUND + DROP, solid};
    if (c >= 20 && c < 24)
        return {GROUND + DROP - 1 - (c - 20), slope_up};
    return {GROUND, solid};
}

std::vector<short> ground_cells()
{
    std::vector<short> cells(static_cast<std::size_t>(WIDTH) * HEIGHT, empty);
    auto at = [&](int x, int y) -> short & {
        return cells[static_cast<std::size_t>(y) * WIDTH + x];
    };
    for (int x = 0; x < WIDTH; ++x) {
        at(x, 0) = solid;
        const bool wall = x == 0 || x == WIDTH - 1;
        const column_shape s = shape((x - 1) % SECTION);
        for (int y = 1; y < HEIGHT; ++y) {
            if (wall || y > GROUND + DROP)
                at(x, y) = solid;
            else if (y == s.top)
                at(x, y) = static_cast<short>(s.surface);
            else if (y > s.top)
                at(x, y) = s.surface == solid || s.surface == ice ? solid : slope_fill;
        }
        const int c = (x - 1) % SECTION;
        if (!wall && c >= 26 && c < 30)
            at(x, PLATFORM_ROW) = platform;
    }
    return cells;
}

int load_ground()
{
    MapFile m;
    m.width = WIDTH;
    m.height = HEIGHT;
    m.numgfx = KINDS;
    m.gfx.assign(static_cast<std::size_t>(KINDS) * 16 * 16, 1);
    for (int k = 0; k < KINDS; ++k)
        m.blocks.push_back(block_of(static_cast<kind>(k)));
    m.layers[0] = ground_cells();
    if (!testmaps::load(m).empty())
        return -1;
    return MapGenerateYLookup();
}

// The controls of a tick in a repeating 120-tick program: walk, run, jump while walking and
// while running; a short stop in between.
struct controls {
    bool right, jump, run;
};

controls program(long tick)
{
    const long t = tick % 120;
    if (t < 30)
        return {true, t % 15 == 0, false};
    if (t < 40)
        return {false, false, false};
    return {true, t % 20 == 0, true};
}

void place_at_start(girl_character &g)
{
    g = girl_character();
    g.setx(2 * 16);
    g.sety(GROUND * 16 - 1);
}

// Nanoseconds for one block lookup, over LOOKUPS lookups across the map.
double time_lookup()
{
    const auto start = Clock::now();
    for (int i = 0; i < LOOKUPS; ++i) {
        const int x = (i * 37) % (WIDTH * 16), y = (i * 11) % (HEIGHT * 16);
        benchmark::DoNotOptimize(MapGetBlockInPixels(x, y));
    }
    return elapsed_ns(start) / LOOKUPS;
}

void BM_GirlTick(benchmark::State &state)
{
    headless::make_screen(8);
    if (load_ground() != 0) {
        state.SkipWithError("the ground map cannot be loaded");
        return;
    }
    girl_character g;
    place_at_start(g);
    const int far_right = (WIDTH - 3) * 16;
    long tick = 0;
    double move_ns = 0, lookup_ns = 0;
    for (auto _ : state) {
        const controls c = program(tick++);
        const auto start = Clock::now();
        g.set_control(false, c.right, false, false, c.jump, c.run, false);
        g.move();
        benchmark::DoNotOptimize(g.off_screen());
        move_ns += elapsed_ns(start);
        if (g.getx() > far_right || g.off_screen())
            place_at_start(g);
        if (tick % LOOKUPS == 0)
            lookup_ns += time_lookup() * LOOKUPS;
    }
    const double per_tick = move_ns / static_cast<double>(state.iterations());
    state.counters["tick_ns"] = per_tick;
    state.counters["share_of_25ms"] = per_tick / TICK_NS;
    if (lookup_ns > 0)
        state.counters["x_lookup"] = move_ns / lookup_ns;
    MapFreeMem();
    headless::drop_screen();
}

} // namespace

BENCHMARK(BM_GirlTick);

BENCHMARK_MAIN();
