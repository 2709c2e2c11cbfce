// Presenting one frame on a 32-bit screen of 1920 x 1080 and of 3840 x 2160: the 8-bit picture
// enlarged 4 and 9 times, converted to screen colours and copied to the screen, against a
// memcpy of as many bytes as reach the screen, timed apart in the same iterations.
#include "benchclock.h"
#include "display.h"
#include "headless.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace {

constexpr int PICTURE_W = 320, PICTURE_H = 240;
constexpr int SCREEN_DEPTH = 32;

// Two pictures that differ in every row, shown in turn, so every frame is presented whole.
BITMAP *make_picture(int seed)
{
    set_color_depth(8);
    BITMAP *picture = create_bitmap(PICTURE_W, PICTURE_H);
    for (int y = 0; y < PICTURE_H; ++y)
        for (int x = 0; x < PICTURE_W; ++x)
            putpixel(picture, x, y, (x / 3 + y * 5 + seed) & 0xff);
    return picture;
}

// range(0) x range(1): the screen; range(2): the factor the picture is enlarged by there.
void BM_PresentFrame(benchmark::State &state)
{
    headless::make_screen(SCREEN_DEPTH, static_cast<int>(state.range(0)),
                          static_cast<int>(state.range(1)));
    set_palette(default_palette);
    BITMAP *pictures[] = {make_picture(0), make_picture(1)};
    const auto scale = static_cast<std::size_t>(state.range(2));
    const std::size_t bytes = PICTURE_W * scale * PICTURE_H * scale * (SCREEN_DEPTH / 8);
    std::vector<unsigned char> from(bytes, 1), to(bytes, 0);
    double present_total = 0, memcpy_total = 0;
    int turn = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        memcpy_total += elapsed_ns(start);
        start = Clock::now();
        present(pictures[turn]);
        benchmark::ClobberMemory();
        const double ns = elapsed_ns(start);
        state.SetIterationTime(ns * 1e-9);
        present_total += ns;
        turn = 1 - turn;
    }
    release_display();
    for (BITMAP *picture : pictures)
        destroy_bitmap(picture);
    headless::drop_screen();
    const double iterations = static_cast<double>(state.iterations());
    if (iterations > 0 && memcpy_total > 0) {
        state.counters["memcpy_us"] = memcpy_total / iterations / 1e3;
        state.counters["x_memcpy"] = present_total / memcpy_total;
    }
}

} // namespace

BENCHMARK(BM_PresentFrame)
    ->Args({1920, 1080, 4})
    ->Args({3840, 2160, 9})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
