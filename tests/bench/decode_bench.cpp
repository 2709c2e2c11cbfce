// Decoding a large map from memory (1000 x 1000 cells, 4 run-length layers, 256 graphics of
// 16 x 16 at 8 bits, onto an 8-bit screen) and encoding it, against a memcpy of the image.
#include "benchclock.h"
#include "headless.h"
#include "maplib.h"
#include "testmaps.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int MAP_SIZE = 1000;
constexpr int LAYERS = 4;
constexpr int GRAPHICS = 256;
constexpr int BLOCK_SIZE = 16;

// Terrain-like layers: long runs of one block, rows that repeat, scattered detail; the upper
// layers mostly empty.
std::vector<short> make_layer(int layer)
{
    std::vector<short> cells(static_cast<std::size_t>(MAP_SIZE) * MAP_SIZE, 0);
    unsigned noise = 12345u + static_cast<unsigned>(layer);
    for (int y = 0; y < MAP_SIZE; ++y) {
        for (int x = 0; x < MAP_SIZE; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int detail = static_cast<int>((noise >> 16) % GRAPHICS);
            const bool busy = layer == 0 ? (x / 7 + y / 5) % 3 != 0 : (noise >> 8) % 8 == 0;
            cells[static_cast<std::size_t>(y) * MAP_SIZE + x] =
                static_cast<short>(busy ? detail : layer == 0 ? (y / 8) % GRAPHICS : 0);
        }
    }
    return cells;
}

const MapFile &big_map()
{
    static const MapFile map = [] {
        MapFile m;
        m.maptype = 2;
        m.width = m.height = MAP_SIZE;
        m.cmap = testmaps::grey_cmap();
        m.numgfx = GRAPHICS;
        m.gfx.resize(static_cast<std::size_t>(GRAPHICS) * BLOCK_SIZE * BLOCK_SIZE);
        for (std::size_t i = 0; i < m.gfx.size(); ++i)
            m.gfx[i] = static_cast<unsigned char>(i / (BLOCK_SIZE * BLOCK_SIZE) + i % 7);
        m.blocks.resize(GRAPHICS);
        for (int i = 0; i < GRAPHICS; ++i)
            m.blocks[i].gfx_bg = i;
        for (int layer = 0; layer < LAYERS; ++layer)
            m.layers[layer] = make_layer(layer);
        return m;
    }();
    return map;
}

const std::vector<unsigned char> &big_map_image()
{
    static const std::vector<unsigned char> image = MapEncode(big_map());
    return image;
}

// One copy of the image's size, in nanoseconds.
double time_memcpy(std::vector<unsigned char> &to, const std::vector<unsigned char> &from)
{
    const double start = cpu_ns();
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
    return cpu_ns() - start;
}

void BM_MemcpyImage(benchmark::State &state)
{
    const std::size_t size = big_map_image().size();
    std::vector<unsigned char> from(size, 1), to(size, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), size);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// Times MapDecode alone (releasing the map is outside the measured time). Every iteration
// also copies the image once; the counter x_memcpy is the total decode time over the total
// copy time, so both see the same machine load.
void BM_MapDecodeBigMap(benchmark::State &state)
{
    const std::vector<unsigned char> &image = big_map_image();
    if (image.empty()) {
        state.SkipWithError("the map cannot be encoded");
        return;
    }
    headless::make_screen(8);
    std::vector<unsigned char> copy(image.size(), 0);
    double decode_total = 0, memcpy_total = 0;
    for (auto _ : state) {
        memcpy_total += time_memcpy(copy, image);
        const double start = cpu_ns();
        const int result = MapDecode(image.data());
        const double ns = cpu_ns() - start;
        state.SetIterationTime(ns * 1e-9);
        decode_total += ns;
        if (result != 0) {
            state.SkipWithError("MapDecode failed");
            break;
        }
        MapFreeMem();
    }
    headless::drop_screen();
    const double iterations = static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * image.size()));
    state.counters["image_MB"] = static_cast<double>(image.size()) / 1e6;
    if (iterations > 0 && memcpy_total > 0) {
        state.counters["memcpy_ms"] = memcpy_total / iterations / 1e6;
        state.counters["x_memcpy"] = decode_total / memcpy_total;
    }
}

// Encoding the same map (the writer's side), with the same interleaved copy as baseline.
void BM_MapEncodeBigMap(benchmark::State &state)
{
    const MapFile &map = big_map();
    const std::vector<unsigned char> &image = big_map_image();
    std::vector<unsigned char> copy(image.size(), 0);
    double encode_total = 0, memcpy_total = 0;
    for (auto _ : state) {
        memcpy_total += time_memcpy(copy, image);
        const double start = cpu_ns();
        const std::vector<unsigned char> encoded = MapEncode(map);
        const double ns = cpu_ns() - start;
        state.SetIterationTime(ns * 1e-9);
        encode_total += ns;
        if (encoded.size() != image.size()) {
            state.SkipWithError("MapEncode failed");
            break;
        }
    }
    if (state.iterations() > 0 && memcpy_total > 0)
        state.counters["x_memcpy"] = encode_total / memcpy_total;
}

} // namespace

BENCHMARK(BM_MemcpyImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapDecodeBigMap)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapEncodeBigMap)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
