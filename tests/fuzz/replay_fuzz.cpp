// Fuzz target replay: arbitrary text as a replay file. What the reader accepts, within its caps,
// is written back by the writer as the same text; a short one is also verified on a small
// level of the game's kind, its header made that level's, so that the fuzzed passes and ends
// reach the simulation and the verdict's words.
#include "fuzz_target.h"
#include "replaylevel.h"
#include "replayverify.h"
#include "testmaps.h"
#include "wallstuff.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// Ground two blocks deep with a pit through it, walls at both sides.
constexpr int SMALL_W = 20, SMALL_H = 12, GROUND_ROW = 10, PIT_COLUMN = 12;
constexpr map_point START{5 * testmaps::BLOCK + 8, GROUND_ROW * testmaps::BLOCK - 1};
// Replays verified: no more ticks, passes and attempts than a few seconds of play.
constexpr long VERIFIED_TICKS = 4000, VERIFIED_PASSES = 4000;
constexpr std::size_t VERIFIED_ATTEMPTS = 8;
constexpr int SCREEN_DEPTH = 8;

level small_level()
{
    MapFile map = testmaps::solid_map(SMALL_W, SMALL_H, 2);
    testmaps::add_block(map, 0);
    const int solid = testmaps::add_block(map, 1, 0, 0, 0, BLOCK_SOLID);
    for (int y = 0; y < SMALL_H; ++y)
        for (int x = 0; x < SMALL_W; ++x) {
            const bool wall = x == 0 || x == SMALL_W - 1 || y == 0;
            const bool ground = y >= GROUND_ROW && x != PIT_COLUMN;
            testmaps::cell(map, 0, x, y) = static_cast<short>(wall || ground ? solid : 0);
        }
    return {"small.fmp", MapEncode(map), START, {"small.fmp"}};
}

long passes_of(const replay &r)
{
    long passes = 0;
    for (const replay_attempt &a : r.attempts)
        for (const replay_passes &p : a.passes)
            passes += p.count;
    return passes;
}

} // namespace

int fuzz_replay(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    replay r, again;
    std::string problem;
    if (!parse_replay(text, "fuzz.replay", r, problem))
        return 0;
    const std::string written = replay_text(r);
    if (!parse_replay(written, "fuzz.replay", again, problem) || replay_text(again) != written)
        std::abort(); // the writer and the reader disagree on the format
    if (r.ticks > REPLAY_MAX_TICKS || r.attempts.size() > REPLAY_MAX_ATTEMPTS)
        std::abort();
    if (r.ticks > VERIFIED_TICKS || passes_of(r) > VERIFIED_PASSES ||
        r.attempts.size() > VERIFIED_ATTEMPTS)
        return 0;
    static const level small = small_level();
    r.header = header_for(small, r.header.speed);
    fuzz::use_screen(SCREEN_DEPTH);
    const verify_report report = verify_replay("fuzz.replay", r, small);
    fuzz::leave_screen();
    if (report.verdict == replay_refused || report.text.empty())
        std::abort(); // its own level, its own start: the replay is run
    return 0;
}

ORVIA_FUZZ_TARGET("replay", fuzz_replay)
