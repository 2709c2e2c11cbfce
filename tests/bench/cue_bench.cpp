// What listening for cues adds to a pass: the same one-tick passes of the girl walking,
// running and jumping over ground, ice and a platform, with and without the cue watcher, timed
// alternately in one run. Reported as the ratio of the two and the watcher's own nanoseconds.
#include "benchclock.h"
#include "cues.h"
#include "headless.h"
#include "playerharness.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

const std::vector<std::string> GROUND = {
    "##############################", "#............................#",
    "#............................#", "#.........=====..............#",
    "#............................#", "#............................#",
    "#######~~~~~~~~~##############", "##############################",
};
const map_point START{40, 95};
const char *const PROGRAM[] = {"R", "R", "AR", "AR", "AJR", "", "L", "AL", "JL", ""};
constexpr long TICKS_EACH = 15; // ticks of each entry of the program
constexpr int FAR_RIGHT = 26 * 16;

struct run {
    attempt play{START};
    long tick = 0;

    control_state next()
    {
        const long entry = tick++ / TICKS_EACH % (sizeof PROGRAM / sizeof PROGRAM[0]);
        if (play.girl.getx() > FAR_RIGHT || play.result != level_playing)
            play = attempt(START);
        return harness::parse_keys(PROGRAM[entry]);
    }
};

void BM_PassWithCues(benchmark::State &state)
{
    headless::make_screen(8);
    if (harness::load_picture(GROUND) != 0) {
        state.SkipWithError("the ground map cannot be loaded");
        return;
    }
    run plain, watched;
    cue_watcher watcher;
    double plain_ns = 0, watched_ns = 0;
    for (auto _ : state) {
        const control_state p = plain.next(), w = watched.next();
        double start = cpu_ns();
        advance(plain.play, p, 1);
        plain_ns += cpu_ns() - start;
        start = cpu_ns();
        advance(watched.play, w, 1, &watcher);
        benchmark::DoNotOptimize(watcher.take());
        watched_ns += cpu_ns() - start;
    }
    const double passes = static_cast<double>(state.iterations());
    state.counters["x_plain_pass"] = watched_ns / plain_ns;
    state.counters["watcher_ns"] = (watched_ns - plain_ns) / passes;
    MapFreeMem();
    headless::drop_screen();
}

} // namespace

BENCHMARK(BM_PassWithCues);

BENCHMARK_MAIN();
