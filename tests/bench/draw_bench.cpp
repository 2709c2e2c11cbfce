// Drawing one game frame (clear, see-through background, both foreground layers) of a real-sized
// map into an 8-bit 320 x 240 bitmap, against copying four such bitmaps; and block lookups.
#include "benchclock.h"
#include "headless.h"
#include "maplib.h"
#include "testmaps.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace {

constexpr int MAP_W = 160, MAP_H = 60;
constexpr int BLOCK = 16;
constexpr int FRAME_W = 320, FRAME_H = 240;
constexpr int FRAME_COPIES = 4; // the baseline: four full-frame copies
constexpr int BACKDROP_COLOUR = 54;

// Graphics: 0 empty, 1..8 solid ground, 9..16 with see-through holes (platforms, foliage).
constexpr int SOLID_FIRST = 1, HOLED_FIRST = 9, GRAPHICS = 17, KINDS = 8;

// Blocks: 0 sky (see-through, graphic 0); 1..8 ground; 9..16 see-through holed platforms;
// 17..24 sky with a first foreground; 25..32 ground with both foregrounds.
constexpr int SKY = 0, GROUND = 1, PLATFORM = 9, SKY_FG1 = 17, GROUND_FG12 = 25, BLOCKS = 33;

MapFile make_map()
{
    MapFile map;
    map.width = MAP_W;
    map.height = MAP_H;
    map.cmap = testmaps::grey_cmap();
    map.numgfx = GRAPHICS;
    const int pixels = BLOCK * BLOCK;
    map.gfx.resize(static_cast<std::size_t>(GRAPHICS) * pixels, 0);
    for (int g = SOLID_FIRST; g < GRAPHICS; ++g)
        for (int i = 0; i < pixels; ++i) {
            const bool hole = g >= HOLED_FIRST && (i / BLOCK + i % BLOCK + g) % 3 == 0;
            map.gfx[g * pixels + i] = static_cast<unsigned char>(hole ? 0 : 16 + g * 4 + i % 3);
        }
    map.blocks.resize(BLOCKS);
    map.blocks[SKY].flags = BLOCK_SEE_THROUGH;
    for (int k = 0; k < KINDS; ++k) {
        map.blocks[GROUND + k].gfx_bg = SOLID_FIRST + k;
        map.blocks[PLATFORM + k].gfx_bg = HOLED_FIRST + k;
        map.blocks[PLATFORM + k].flags = BLOCK_SEE_THROUGH;
        map.blocks[SKY_FG1 + k].gfx_fg1 = HOLED_FIRST + k;
        map.blocks[SKY_FG1 + k].flags = BLOCK_SEE_THROUGH;
        map.blocks[GROUND_FG12 + k].gfx_bg = SOLID_FIRST + k;
        map.blocks[GROUND_FG12 + k].gfx_fg1 = HOLED_FIRST + k;
        map.blocks[GROUND_FG12 + k].gfx_fg2 = HOLED_FIRST + (k + 3) % KINDS;
    }
    // Rolling ground under sky, platforms in the air, foregrounds sprinkled over both.
    map.layers[0].resize(static_cast<std::size_t>(MAP_W) * MAP_H);
    for (int y = 0; y < MAP_H; ++y)
        for (int x = 0; x < MAP_W; ++x) {
            const int ground_top = MAP_H / 2 + (x / 6) % 7;
            const int kind = (x * 3 + y) % KINDS;
            int block = SKY;
            if (y >= ground_top)
                block = (x + y) % 4 == 0 ? GROUND_FG12 + kind : GROUND + kind;
            else if ((y % 9 == 4) && (x / 5) % 3 == 0)
                block = PLATFORM + kind;
            else if ((x * 7 + y * 5) % 6 == 0)
                block = SKY_FG1 + kind;
            map.layers[0][static_cast<std::size_t>(y) * MAP_W + x] = static_cast<short>(block);
        }
    return map;
}

bool load_map()
{
    headless::make_screen(8);
    return testmaps::load(make_map()).empty() && MapGenerateYLookup() == 0;
}

// Camera positions over the map: block-aligned and not, near the edges and in the middle.
struct Camera {
    int x, y;
};
const Camera CAMERAS[] = {{0, 0},       {16, 16},     {7, 3},       {1000, 400},
                          {1357, 459},  {2240, 720},  {800, 250},   {2233, 711}};
constexpr int CAMERA_COUNT = sizeof(CAMERAS) / sizeof(CAMERAS[0]);

void draw_frame(BITMAP *frame, const Camera &camera)
{
    clear_to_color(frame, BACKDROP_COLOUR);
    MapDrawBGT(frame, camera.x, camera.y, 0, 0, FRAME_W, FRAME_H);
    MapDrawFG(frame, camera.x, camera.y, 0, 0, FRAME_W, FRAME_H, 0);
    MapDrawFG(frame, camera.x, camera.y, 0, 0, FRAME_W, FRAME_H, 1);
}

void BM_MemcpyFourFrames(benchmark::State &state)
{
    const std::size_t size = static_cast<std::size_t>(FRAME_W) * FRAME_H;
    std::vector<unsigned char> from(size, 1), to(size, 0);
    for (auto _ : state) {
        for (int i = 0; i < FRAME_COPIES; ++i) {
            std::memcpy(to.data(), from.data(), size);
            benchmark::DoNotOptimize(to.data());
            benchmark::ClobberMemory();
        }
    }
}

// Every iteration draws one frame at the next camera position and, timed apart, makes the
// baseline copies; x_memcpy is the total frame time over the total baseline time.
void BM_GameFrame(benchmark::State &state)
{
    if (!load_map()) {
        state.SkipWithError("the map cannot be built");
        return;
    }
    BITMAP *frame = create_bitmap(FRAME_W, FRAME_H);
    const std::size_t size = static_cast<std::size_t>(FRAME_W) * FRAME_H;
    std::vector<unsigned char> from(size, 1), to(size, 0);
    double frame_total = 0, memcpy_total = 0;
    int camera = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        for (int i = 0; i < FRAME_COPIES; ++i) {
            std::memcpy(to.data(), from.data(), size);
            benchmark::DoNotOptimize(to.data());
            benchmark::ClobberMemory();
        }
        memcpy_total += elapsed_ns(start);
        start = Clock::now();
        draw_frame(frame, CAMERAS[camera]);
        benchmark::ClobberMemory();
        const double ns = elapsed_ns(start);
        state.SetIterationTime(ns * 1e-9);
        frame_total += ns;
        camera = (camera + 1) % CAMERA_COUNT;
    }
    destroy_bitmap(frame);
    MapFreeMem();
    headless::drop_screen();
    const double iterations = static_cast<double>(state.iterations());
    if (iterations > 0 && memcpy_total > 0) {
        state.counters["baseline_us"] = memcpy_total / iterations / 1e3;
        state.counters["x_memcpy"] = frame_total / memcpy_total;
    }
}

// Lookups as the collision code makes them: pixels along a character's path, row tables on.
void BM_GetBlockInPixels(benchmark::State &state)
{
    if (!load_map()) {
        state.SkipWithError("the map cannot be built");
        return;
    }
    const int map_w = MAP_W * BLOCK, map_h = MAP_H * BLOCK;
    int x = 0, y = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(MapGetBlockInPixels(x, y));
        x += 37;
        if (x >= map_w) {
            x -= map_w;
            y = (y + 11) % map_h;
        }
    }
    MapFreeMem();
    headless::drop_screen();
}

} // namespace

BENCHMARK(BM_MemcpyFourFrames)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GameFrame)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetBlockInPixels);

BENCHMARK_MAIN();
