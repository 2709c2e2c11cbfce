// What --watch does between the end of the quiet moment and the first frame of the new level:
// building and checking the level again, loading its map and drawing the frame, for the game's
// own map file and for its level source, against reading the map file alone.
#include "benchclock.h"
#include "gameloop.h"
#include "graphic.h"
#include "headless.h"
#include "maplib.h"
#include "notes.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

const std::string MAP_FILE = ORVIA_SOURCE_DIR "/data/jump.fmp";
const std::string LEVEL_SOURCE = ORVIA_SOURCE_DIR "/data/level/jump.level";

// One read of the map file, in nanoseconds: the baseline.
double time_read()
{
    std::vector<unsigned char> image;
    const double start = cpu_ns();
    MapReadMapFile(MAP_FILE.c_str(), image);
    benchmark::DoNotOptimize(image.data());
    return cpu_ns() - start;
}

// The reload of the level at `file` into a session in play; x_read is its time over the read's.
void reload(benchmark::State &state, const std::string &file)
{
    headless::install();
    headless::make_screen(8);
    if (load_graphics(ORVIA_GFX_DAT) != 0) {
        state.SkipWithError("the graphics datafile cannot be loaded");
        return;
    }
    BITMAP *picture = create_bitmap(320, 240);
    game_session session;
    level_refusal refusal;
    if (!build_level(file, std::nullopt, session.lvl, refusal) || load_level_map(session.lvl)) {
        state.SkipWithError("the level cannot be built");
        return;
    }
    level_play play(session);
    forget_notes();
    double reload_total = 0, read_total = 0;
    for (auto _ : state) {
        read_total += time_read();
        const double start = cpu_ns();
        const bool built = rebuild_level(session) == reload_outcome::replaced &&
                           go_on_after_reload(play, picture, reload_outcome::replaced);
        const double ns = cpu_ns() - start;
        state.SetIterationTime(ns * 1e-9);
        reload_total += ns;
        if (!built) {
            state.SkipWithError("the reload failed");
            break;
        }
    }
    forget_notes();
    MapFreeMem();
    destroy_bitmap(picture);
    unload_graphics();
    headless::drop_screen();
    if (read_total > 0)
        state.counters["x_read"] = reload_total / read_total;
}

void BM_ReloadMapFile(benchmark::State &state)
{
    reload(state, MAP_FILE);
}

void BM_ReloadLevelSource(benchmark::State &state)
{
    reload(state, LEVEL_SOURCE);
}

} // namespace

BENCHMARK(BM_ReloadMapFile)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReloadLevelSource)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
