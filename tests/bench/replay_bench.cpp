// Verifying an hour of play (144,000 ticks): the committed playthroughs of the game's level, one
// attempt each, over and over, each attempt on the map decoded afresh. Reported as ticks
// verified per second and against the bare tick (the controls latched once a pass, then
// move() and the fall-out test each tick) over the same passes on the same map, measured in the
// same run, and as the time for the hour, with and without the share of the map decodes.
#include "benchclock.h"
#include "headless.h"
#include "maplib.h"
#include "replayverify.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

constexpr long HOUR_OF_TICKS = 144000;
constexpr double NS_PER_S = 1e9, NS_PER_MS = 1e6;
const char *const LEVEL_FILE = ORVIA_SOURCE_DIR "/data/jump.fmp";
const char *const REPLAY_FOLDER = ORVIA_SOURCE_DIR "/tests/replays";

// The playthroughs' attempts, repeated until they hold an hour of ticks.
bool hour_of_play(replay &session, std::string &problem)
{
    std::vector<replay_attempt> playthroughs;
    for (const auto &entry : std::filesystem::directory_iterator(REPLAY_FOLDER)) {
        if (entry.path().extension() != ".replay")
            continue;
        replay r;
        if (!read_replay(entry.path().c_str(), r, problem))
            return false;
        session.header = r.header;
        playthroughs.insert(playthroughs.end(), r.attempts.begin(), r.attempts.end());
    }
    if (playthroughs.empty()) {
        problem = "no playthroughs in " + std::string(REPLAY_FOLDER);
        return false;
    }
    for (std::size_t k = 0; session.ticks < HOUR_OF_TICKS; ++k) {
        session.attempts.push_back(playthroughs[k % playthroughs.size()]);
        session.attempts.back().number = static_cast<int>(k + 1);
        session.ticks += session.attempts.back().ticks;
    }
    return true;
}

// The bare tick over every pass of the session, on the map loaded once.
void bare_ticks(const replay &session)
{
    for (const replay_attempt &a : session.attempts) {
        girl_character g;
        g.setx(session.header.start.x);
        g.sety(session.header.start.y);
        for (const replay_passes &p : a.passes)
            for (long n = 0; n < p.count; ++n) {
                const control_state &c = p.controls;
                g.set_control(c.left, c.right, c.up, c.down, c.jump, c.run, c.spare);
                for (int t = 0; t < p.ticks; ++t) {
                    g.move();
                    benchmark::DoNotOptimize(g.off_screen());
                }
            }
    }
}

void BM_VerifyHour(benchmark::State &state)
{
    headless::install();
    replay session;
    level lvl;
    level_refusal refusal;
    std::string problem;
    if (!hour_of_play(session, problem)) {
        state.SkipWithError(problem.c_str());
        return;
    }
    if (!build_level(LEVEL_FILE, std::nullopt, lvl, refusal)) {
        state.SkipWithError(refusal.problems.front().c_str());
        return;
    }
    double verify_ns = 0, bare_ns = 0, decode_ns = 0;
    for (auto _ : state) {
        double start = cpu_ns();
        const verify_report report = verify_replay("hour", session, lvl);
        verify_ns += cpu_ns() - start;
        if (report.verdict != replay_as_recorded) {
            state.SkipWithError(report.text.c_str());
            return;
        }
        start = cpu_ns();
        for (std::size_t k = 0; k < session.attempts.size(); ++k) {
            load_level_map(lvl);
            MapFreeMem();
        }
        decode_ns += cpu_ns() - start;
        load_level_map(lvl);
        start = cpu_ns();
        bare_ticks(session);
        bare_ns += cpu_ns() - start;
        MapFreeMem();
    }
    const double ticks = static_cast<double>(session.ticks) * state.iterations();
    state.counters["attempts"] = static_cast<double>(session.attempts.size());
    state.counters["ticks_per_s"] = ticks / (verify_ns / NS_PER_S);
    state.counters["x_bare_tick"] = verify_ns / bare_ns;
    state.counters["ms_per_hour"] = verify_ns / ticks * HOUR_OF_TICKS / NS_PER_MS;
    state.counters["ms_decoding"] = decode_ns / ticks * HOUR_OF_TICKS / NS_PER_MS;
    state.counters["x_bare_tick_without_decodes"] = (verify_ns - decode_ns) / bare_ns;
}

} // namespace

BENCHMARK(BM_VerifyHour)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
