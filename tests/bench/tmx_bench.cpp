// Importing Tiled maps, against reading the map file's bytes: the largest of Tiled's example
// maps (rpg/island.tmx, 58 x 47 cells in three layers, animated tiles) and a 1000 x 1000 map
// of four CSV layers over the outdoor example tileset.
#include "tmximport.h"

#include "benchclock.h"
#include "testfiles.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr const char *EXAMPLES = "/usr/share/doc/tiled/examples";
constexpr int BIG_SIDE = 1000;
constexpr int BIG_LAYERS = 4;
constexpr int GROUND_TILES = 16, DETAIL_TILES = 8;

// Ground everywhere in bands, the three upper layers sparse details from a few tiles each.
std::string big_map_text()
{
    std::mt19937 random(12345);
    std::string text = "<?xml version=\"1.0\"?>\n<map orientation=\"orthogonal\" width=\"1000\" "
                       "height=\"1000\" tilewidth=\"16\" tileheight=\"16\">\n <tileset "
                       "firstgid=\"1\" name=\"outdoor\" tilewidth=\"16\" tileheight=\"16\">"
                       "<image source=\"" +
                       std::string(EXAMPLES) + "/buch-outdoor.png\"/></tileset>\n";
    for (int layer = 0; layer < BIG_LAYERS; ++layer) {
        text += " <layer name=\"l" + std::to_string(layer) +
                "\" width=\"1000\" height=\"1000\"><data encoding=\"csv\">\n";
        for (int y = 0; y < BIG_SIDE; ++y) {
            for (int x = 0; x < BIG_SIDE; ++x) {
                int gid = 0;
                if (layer == 0)
                    gid = 1 + (x / 7 + y / 5) % GROUND_TILES;
                else if (random() % (4 * layer) == 0)
                    gid = 1 + 40 * layer + static_cast<int>(random() % DETAIL_TILES);
                text += std::to_string(gid);
                text += x + 1 < BIG_SIDE || y + 1 < BIG_SIDE ? "," : "";
            }
            text += "\n";
        }
        text += "</data></layer>\n";
    }
    return text + "</map>\n";
}

const std::string &big_map_path()
{
    static const std::string path = testfiles::write_scratch("big.tmx", big_map_text());
    return path;
}

// Imports the map each iteration and reads its file's bytes once beside it; x_read is the
// total import time over the total read time, both under the same machine load.
void import_against_reading(benchmark::State &state, const std::string &path)
{
    double import_total = 0, read_total = 0;
    for (auto _ : state) {
        double start = cpu_ns();
        std::string bytes, problem;
        read_input_file(path, TmxOptions{}.max_file_bytes, bytes, problem);
        benchmark::DoNotOptimize(bytes.data());
        read_total += cpu_ns() - start;
        start = cpu_ns();
        MapFile map;
        Diagnostics errors;
        std::vector<Diagnostic> warnings;
        const bool ok = import_tiled_map(path, TmxOptions{}, map, errors, warnings);
        const double ns = cpu_ns() - start;
        state.SetIterationTime(ns * 1e-9);
        import_total += ns;
        if (!ok) {
            state.SkipWithError(errors.list().front().text().c_str());
            break;
        }
        state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
        state.counters["blocks"] = static_cast<double>(map.blocks.size());
    }
    if (state.iterations() > 0 && read_total > 0) {
        state.counters["read_ms"] = read_total / static_cast<double>(state.iterations()) / 1e6;
        state.counters["x_read"] = import_total / read_total;
    }
}

void BM_ImportLargestExample(benchmark::State &state)
{
    import_against_reading(state, std::string(EXAMPLES) + "/rpg/island.tmx");
}

void BM_ImportThousandSquareFourLayers(benchmark::State &state)
{
    import_against_reading(state, big_map_path());
}

} // namespace

BENCHMARK(BM_ImportLargestExample)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportThousandSquareFourLayers)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
