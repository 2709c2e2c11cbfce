// Replays on a small pit map: a session recorded as it is played, read back and verified, a
// changed control found; damaged and foreign files refused, each with its message; the ghost in
// step with the live ticks however they are cut, and drawn translucent behind the player.
#include "girlanim.h"
#include "girlpictures.h"
#include "graphic.h"
#include "playerharness.h"
#include "replayplay.h"
#include "replayrecorder.h"
#include "replaylevel.h"
#include "replayverify.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Her state in failure messages as an end line shows it.
void PrintTo(const girl_check &state, std::ostream *os)
{
    *os << replay_end_line(attempt_end::quit, state);
}

namespace {

// Ground with a pit through the bottom of the map, right of the start.
const std::vector<std::string> PIT_MAP = {
    "##############################",
    "#............................#",
    "#............................#",
    "#............................#",
    "#............................#",
    "#............................#",
    "#............................#",
    "#............................#",
    "#............................#",
    "#####################....#####",
    "#####################....#####",
    "#####################....#####",
};
constexpr map_point START{88, 143}; // feet on the ground, block column 5

struct scripted_pass {
    const char *keys;
    int ticks;
    int count;
};

// Attempt 1: a jump, held; a release latched with no tick after it, so the next press counts
// and she jumps again; then right until she falls into the pit. Attempt 2: a few steps left
// and ESC.
const std::vector<scripted_pass> FIRST_ATTEMPT = {
    {"-", 0, 1}, {"J", 1, 1}, {"J", 30, 1}, {"-", 0, 1}, {"J", 1, 1}, {"J", 5, 6}, {"R", 7, 40},
};
const std::vector<scripted_pass> SECOND_ATTEMPT = {{"L", 1, 10}, {"LA", 3, 1}, {"-", 2, 1}};

level pit_level()
{
    MapFile map;
    EXPECT_TRUE(harness::picture_to_map(PIT_MAP, map));
    return {"levels/pit.fmp", MapEncode(map), START, {"levels/pit.fmp"}};
}

class ReplayTest : public GirlPicturesTest {
protected:
    void SetUp() override
    {
        GirlPicturesTest::SetUp();
        lvl = pit_level();
    }

    // Play the passes as the level loop would, telling the recorder; stops after a death.
    attempt play(const std::vector<scripted_pass> &script)
    {
        EXPECT_EQ(load_level_map(lvl), 0);
        attempt a(START);
        recorder.begin_attempt();
        for (const scripted_pass &p : script)
            for (int n = 0; n < p.count && a.result != level_died; ++n) {
                advance(a, harness::parse_keys(p.keys), p.ticks);
                recorder.pass(harness::parse_keys(p.keys), p.ticks);
            }
        MapFreeMem();
        return a;
    }

    // The session of the two attempts, recorded into the scratch file `name`.
    std::string record_session(const std::string &name)
    {
        const std::string path = testfiles::scratch_dir() + "/" + name;
        std::string problem;
        EXPECT_TRUE(recorder.create(path.c_str(), problem)) << problem;
        recorder.begin(header_for(lvl, FULL_SPEED));
        const attempt first = play(FIRST_ATTEMPT);
        EXPECT_EQ(first.result, level_died);
        recorder.end_attempt(attempt_end::death, first.girl);
        recorder.answer(true);
        second_end = play(SECOND_ATTEMPT).girl;
        recorder.end_attempt(attempt_end::quit, second_end);
        EXPECT_TRUE(recorder.recording()) << recorder.problem();
        return path;
    }

    verify_report verify_text(const std::string &text)
    {
        replay r;
        std::string problem;
        if (!parse_replay(text, "session.replay", r, problem))
            return {replay_refused, problem + "\n"};
        return verify_replay("session.replay", r, lvl);
    }

    level lvl;
    replay_recorder recorder;
    girl_character second_end;
};

TEST_F(ReplayTest, ARecordedSessionReadsBackAndVerifiesAndAChangedControlIsFound)
{
    const std::string path = record_session("session.replay");
    // After ESC the session is over: nothing more reaches the file.
    recorder.answer(true);
    recorder.begin_attempt();
    recorder.pass(control_state(), 1);
    const std::string text = testfiles::read_file(path);
    replay r;
    std::string problem;
    ASSERT_TRUE(read_replay(path.c_str(), r, problem)) << problem;
    EXPECT_EQ(replay_text(r), text);
    EXPECT_EQ(r.header.level, "pit.fmp");
    EXPECT_EQ(r.header.map_hash, fnv1a64(lvl.image.data(), lvl.image.size()));
    ASSERT_EQ(r.attempts.size(), 2u);
    EXPECT_EQ(r.attempts[0].end, attempt_end::death);
    EXPECT_EQ(r.attempts[0].answer, retry_answer::yes);
    EXPECT_EQ(r.attempts[1].end, attempt_end::quit);
    EXPECT_EQ(r.attempts[1].state, check_of(second_end));
    EXPECT_EQ(r.attempts[1].ticks, 15);
    // Identical passes share a line of at most a second of play (40 ticks).
    EXPECT_NE(text.find("\nJ 5 x6\nR 7 x6\nR 7 x6\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nL 1 x10\nLA 3\n- 2\nend quit "), std::string::npos) << text;

    const verify_report as_recorded = verify_text(text);
    EXPECT_EQ(as_recorded.verdict, replay_as_recorded);
    EXPECT_EQ(as_recorded.text, "session.replay: 2 attempts, " + std::to_string(r.ticks) +
                                    " ticks, as recorded\n");

    // Played back pass by pass, each attempt ends as recorded.
    replay_source source(r);
    std::size_t played = 0;
    for (; source.next_attempt(); ++played) {
        ASSERT_EQ(load_level_map(lvl), 0);
        attempt a(r.header.start);
        for (const replay_passes *p; (p = source.upcoming()); source.take())
            advance(a, p->controls, p->ticks);
        EXPECT_EQ(check_of(a.girl), source.current().state);
        MapFreeMem();
    }
    EXPECT_EQ(played, r.attempts.size());

    // Stepping right instead of left in attempt 2: found at its end, its tick 15.
    std::string changed = text;
    changed.replace(changed.find("\nL 1 x10\n"), 9, "\nR 1 x10\n");
    const verify_report differs = verify_text(changed);
    EXPECT_EQ(differs.verdict, replay_differs);
    const std::string end_line = std::to_string(r.attempts[1].end_line);
    EXPECT_EQ(differs.text.substr(0, differs.text.find('\n')),
              "session.replay:" + end_line + ": attempt 2 does not end as recorded: after tick "
              "15 of the attempt (tick " + std::to_string(r.ticks) + " of the session)")
        << differs.text;
    const girl_check recorded = check_of(second_end);
    EXPECT_NE(differs.text.find("\n  recorded:  quit, x "), std::string::npos);
    EXPECT_NE(differs.text.find(" (" + std::to_string(recorded.x) + "), y "), std::string::npos)
        << differs.text;
    EXPECT_NE(differs.text.find("\n  this game: no death, x "), std::string::npos);

    // Cut short in the middle of its last line (a crash): the complete attempt is checked.
    const verify_report cut = verify_text(text.substr(0, text.size() - 5));
    EXPECT_EQ(cut.verdict, replay_as_recorded);
    EXPECT_EQ(cut.text, "session.replay: 1 attempt, " + std::to_string(r.attempts[0].ticks) +
                            " ticks, as recorded; attempt 2 is cut short after 15 ticks, run "
                            "without a check\n");

    // A recording is never made over a file, nor through a symbolic link.
    replay_recorder again;
    EXPECT_FALSE(again.create(path.c_str(), problem));
    EXPECT_EQ(problem, "cannot record into " + path +
                           ": it already exists, and a recording never replaces a file");
    const std::string link = testfiles::scratch_dir() + "/link.replay";
    std::filesystem::create_symlink(testfiles::scratch_dir() + "/nowhere", link);
    EXPECT_FALSE(again.create(link.c_str(), problem));
    EXPECT_FALSE(std::filesystem::exists(testfiles::scratch_dir() + "/nowhere"));
    EXPECT_EQ(testfiles::read_file(path), text);
    // A recording that never began leaves no file behind.
    const std::string unused = testfiles::scratch_dir() + "/unused.replay";
    {
        replay_recorder never_begun;
        EXPECT_TRUE(never_begun.create(unused.c_str(), problem)) << problem;
        EXPECT_TRUE(std::filesystem::exists(unused));
    }
    EXPECT_FALSE(std::filesystem::exists(unused));
}

struct bad_replay {
    const char *name;
    std::string body;    // after the header, or the whole file when it begins with "orvia"
    std::string message; // the whole report
};

void PrintTo(const bad_replay &b, std::ostream *os) { *os << b.name; }

std::string header_lines(const std::string &level_line, const std::string &hash_line,
                         const std::string &start_line)
{
    return "orvia-replay 1\ngame 2.1.0\n" + level_line + "\n" + hash_line + "\n" + start_line +
           "\nspeed 100\n";
}

class DamagedOrForeign : public ReplayTest, public testing::WithParamInterface<bad_replay> {
};

TEST_P(DamagedOrForeign, IsRefusedWithItsMessage)
{
    const bad_replay &b = GetParam();
    const std::string hash = map_hash_text(level_hash(lvl));
    const std::string own_header =
        header_lines("level pit.fmp", "map fnv1a64 " + hash, "start 88 143");
    const auto own_hash = [&hash](std::string text) {
        const std::size_t own = text.find("OWN");
        return own == std::string::npos ? text : text.replace(own, 3, hash);
    };
    const std::string body = own_hash(b.body);
    const verify_report report =
        verify_text(body.rfind("orvia", 0) == 0 ? body : own_header + body);
    EXPECT_EQ(report.verdict, replay_refused);
    EXPECT_EQ(report.text, own_hash(b.message) + "\n");
}

const std::string ENDED = "attempt 1\nR 1\nend quit 0 0 0 0 0\n";
const std::string DIED = "attempt 1\nR 1\nend death 0 0 0 0 5\n";

INSTANTIATE_TEST_SUITE_P(
    Replays, DamagedOrForeign,
    testing::Values(
        bad_replay{"Empty", "orvia", "session.replay: not a replay: it has no complete line, and a "
                                     "replay begins with \"orvia-replay 1\""},
        bad_replay{"OtherFormat", "orvia-replay\n",
                   "session.replay:1: not a replay: it begins with \"orvia-replay\", not "
                   "\"orvia-replay 1\""},
        bad_replay{"NewerVersion", "orvia-replay 2\nwhatever it holds\n",
                   "session.replay: a replay of format version 2; this game reads version 1"},
        bad_replay{"HeaderOutOfOrder", "orvia-replay 1\nlevel pit.fmp\n",
                   "session.replay:2: expected the header line \"game VERSION\", not "
                   "\"level pit.fmp\""},
        bad_replay{"HeaderCutShort", "orvia-replay 1\ngame 2.1.0\nlevel pit.fmp\n",
                   "session.replay: the header ends before its \"map fnv1a64 HASH\" line"},
        bad_replay{"OtherHash",
                   "orvia-replay 1\ngame 2.1.0\nlevel pit.fmp\nmap sha1 00\n",
                   "session.replay:4: unknown map hash \"sha1\": this game knows fnv1a64"},
        bad_replay{"ShortHash", "orvia-replay 1\ngame 2.1.0\nlevel pit.fmp\nmap fnv1a64 12ab\n",
                   "session.replay:4: the map hash \"12ab\" is not 16 hexadecimal digits"},
        bad_replay{"StartOutsideFix",
                   header_lines("level pit.fmp", "map fnv1a64 0000000000000000",
                                "start 40000 1"),
                   "session.replay:5: the start \"40000 1\" is not two whole pixels from -32768 "
                   "to 32767"},
        bad_replay{"NoSpeed",
                   "orvia-replay 1\ngame 2.1.0\nlevel pit.fmp\nmap fnv1a64 0000000000000000\n"
                   "start 1 1\nspeed 0\n",
                   "session.replay:6: the speed \"0\" is not a percentage from 50 to 100"},
        bad_replay{"ControlBytes", "attempt 1\n- 1 \x1b[2J\n",
                   "session.replay:8: the repeat count \"\\x1b[2J\" is not x1 to x6912000"},
        bad_replay{"ControlsOutOfOrder", "attempt 1\nRL 1\n",
                   "session.replay:8: the controls \"RL\" are not letters of L R U D J A S in "
                   "this order, each at most once, or - for none"},
        bad_replay{"TooManyTicks", "attempt 1\nR 3456001\n",
                   "session.replay:8: the ticks \"3456001\" of a pass are not a whole number "
                   "from 0 to 3456000"},
        bad_replay{"YearsOfPlay", "attempt 1\nR 3456000\n- 1\n",
                   "session.replay:9: the session runs over 3456000 ticks (a day of play), the "
                   "most a replay may hold"},
        bad_replay{"PassOutsideAttempt", "R 1\n",
                   "session.replay:7: a pass outside an attempt"},
        bad_replay{"AttemptSkipped", "attempt 2\n",
                   "session.replay:7: expected \"attempt 1\", not \"attempt 2\""},
        bad_replay{"AttemptWithoutEnd", "attempt 1\nR 1\nattempt 2\n",
                   "session.replay:9: attempt 2 begins before attempt 1 has ended"},
        bad_replay{"EndWithoutPass", "attempt 1\nend quit 0 0 0 0 0\n",
                   "session.replay:8: attempt 1 ends without a pass"},
        bad_replay{"StateNotANumber", "attempt 1\nR 1\nend quit 0 1.5 0 0 0\n",
                   "session.replay:9: her y \"1.5\" is not a raw 16.16 number from -2147483648 "
                   "to 2147483647"},
        bad_replay{"UnknownStatus", "attempt 1\nR 1\nend quit 0 0 0 0 10\n",
                   "session.replay:9: the status \"10\" is not one of the girl's, 0 to 9"},
        bad_replay{"RetryAfterQuit", ENDED + "retry y\n",
                   "session.replay:10: \"retry y\" after the session has ended"},
        bad_replay{"RetryUnanswered", DIED + "attempt 2\n",
                   "session.replay:10: attempt 2 follows a death without the answer to the "
                   "retry question"},
        bad_replay{"UnknownLine", DIED + "retry y\nattempt 2\njump 1\n",
                   "session.replay:12: unknown line \"jump 1\""},
        bad_replay{"OtherLevel",
                   header_lines("level jump.fmp", "map fnv1a64 5b66ebc28dd8640d",
                                "start 88 143") + ENDED,
                   "session.replay: recorded on level jump.fmp (hash 5b66ebc28dd8640d), this "
                   "is level pit.fmp (hash OWN)"},
        bad_replay{"OtherStart",
                   header_lines("level pit.fmp", "map fnv1a64 OWN", "start 1350 447") + ENDED,
                   "session.replay: recorded from the start 1350 447, this game starts at 88 "
                   "143"}),
    [](const testing::TestParamInfo<bad_replay> &info) { return std::string(info.param.name); });

// The first attempt of the session, followed by live passes of one tick, of seven, and of
// sizes that straddle every recorded pass: she ends where it ended, and stays there.
TEST_F(ReplayTest, TheGhostEndsWhereTheRecordedAttemptEndedWhateverTheLivePasses)
{
    const std::string path = record_session("ghost.replay");
    replay r;
    std::string problem;
    ASSERT_TRUE(read_replay(path.c_str(), r, problem)) << problem;
    const replay_attempt &first = r.attempts[0];
    ASSERT_EQ(load_level_map(lvl), 0);
    for (const std::vector<int> &sizes : {std::vector<int>{1}, {7}, {3, 11, 2, 29}}) {
        replay_ghost ghost(first, START);
        long ticks = 0;
        for (std::size_t k = 0; ticks < first.ticks + 20; ++k) {
            const int n = sizes[k % sizes.size()];
            ghost.follow(n);
            ticks += n;
            EXPECT_EQ(ghost.finished(), ticks >= first.ticks) << "after " << ticks << " ticks";
        }
        EXPECT_EQ(check_of(ghost.now().girl), first.state) << "passes of " << sizes[0];
        EXPECT_EQ(ghost.now().result, level_died);
    }
}

// Drawn into the frame over the backdrop, she is half her colour and half what lies behind; the
// live girl, drawn after her, covers her; facing left she is mirrored.
TEST_F(ReplayTest, TheGhostIsDrawnTranslucentBehindThePlayer)
{
    comicf = font;
    ASSERT_EQ(load_level_map(lvl), 0);
    const ghost_painter painter(default_palette, girl, GIRL_PICTURES);
    const replay_attempt standing{};
    const replay_ghost ghost(standing, START, &painter);
    attempt live(START);
    advance(live, {}, 1);
    draw_attempt(target, live, &ghost);
    const int x = START.x - live.xoff - 16, y = START.y - live.yoff - 31;
    EXPECT_EQ(getpixel(target, x, y), girlpictures::MARKER + picture_stand) << "the live girl";

    live.girl.setx(START.x + 40);
    draw_attempt(target, live);
    const int behind = getpixel(target, x + 1, y);
    draw_attempt(target, live, &ghost);
    COLOR_MAP half;
    create_trans_table(&half, default_palette, 128, 128, 128, nullptr);
    const int backdrop = 54, standing_colour = picture_stand + 1;
    EXPECT_EQ(getpixel(target, x + 1, y), half.data[standing_colour][behind]);
    EXPECT_NE(getpixel(target, x + 1, y), standing_colour);
    EXPECT_NE(getpixel(target, x + 1, y), behind);

    girl_character facing_left = ghost.now().girl;
    facing_left.facing_left = true;
    clear_to_color(target, backdrop);
    painter.draw(target, facing_left, live.xoff, live.yoff);
    EXPECT_EQ(getpixel(target, x + girlpictures::WIDTH - 1, y),
              half.data[girlpictures::MARKER + picture_stand][backdrop]);
    EXPECT_EQ(getpixel(target, x, y), half.data[standing_colour][backdrop]);
    comicf = nullptr;
}

} // namespace
