// The level loop run pass by pass without a timer, keyboard or physics: ticks per pass, frames,
// controls, the camera, death, ESC, screenshots, idling and load failures.
#include "display.h"
#include "gameloop.h"
#include "girlchar.h"
#include "graphic.h"
#include "headless.h"
#include "levelseams.h"
#include "maplib.h"
#include "testfiles.h"
#include "testmaps.h"
#include "timer.h"
#include "windowevents.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int MAP_W = 120;
constexpr int MAP_H = 40;
constexpr int BLOCK = 16;
constexpr int START_X = 1350;
constexpr int START_Y = 447;
// The camera's position after the first tick: the girl at the zone's right and bottom edges.
constexpr int FIRST_XOFF = START_X - 220;
constexpr int FIRST_YOFF = START_Y - 190;

// Colours of the test map's graphics and of the stand-in girl.
constexpr int BACKDROP = 54;
constexpr int TEXT = 15;
constexpr int BEHIND_COLOUR = 102;   // first foreground layer
constexpr int IN_FRONT_COLOUR = 101; // second foreground layer
constexpr int GIRL_COLOUR = 200;
constexpr int SENTINEL = 7;

// Block records of the test map.
enum { BLOCK_EMPTY = 0, BLOCK_IN_FRONT = 1, BLOCK_BEHIND = 2 };
// Graphics of the test map.
enum { GFX_CLEAR = 0, GFX_IN_FRONT = 1, GFX_BEHIND = 2 };

// What one pass of the loop finds: keys held down during it and ticks that arrive before it.
struct pass_plan {
    int ticks = 0;
    std::set<int> keys;
};

struct move_record {
    int pass;
    int pending; // counter as move() saw it
    bool left, right, up, down, run, spare, jump_pending;
};

struct draw_record {
    int pass;
    int xoff, yoff;
};

// Everything the stand-in girl and the seams see while the loop runs.
struct loop_log {
    int passes = 0;
    int idles = 0;
    int players_made = 0;
    bool ticks_started = false;
    std::vector<move_record> moves;
    std::vector<draw_record> draws;
    // Scripted motion: what move() does to the girl on its n-th call (from 0).
    std::function<void(girl_character &, int)> motion;
};

loop_log *current_log = nullptr;

// A girl without physics: move() records what it sees and follows the script; draw() records
// the camera and paints her body's rectangle.
class stand_in_girl final : public girl_character {
public:
    void move() override
    {
        loop_log &log = *current_log;
        log.moves.push_back({log.passes, counter.load(), btn_left, btn_right, btn_up, btn_down,
                             btn_run, btn_spare, jump_pending});
        if (log.motion)
            log.motion(*this, static_cast<int>(log.moves.size()) - 1);
    }

    void draw(BITMAP *bmp, int xoff, int yoff) override
    {
        current_log->draws.push_back({current_log->passes, xoff, yoff});
        const int sx = getx() - xoff;
        const int sy = gety() - yoff;
        rectfill(bmp, sx - half_width, sy - height, sx + half_width, sy, GIRL_COLOUR);
    }
};

void release_all_keys()
{
    for (int k = 0; k < KEY_MAX; ++k)
        key[k] = 0;
}

// A map large enough for the camera to move freely around the start: see-through background
// everywhere, a block in front of the girl's feet and one behind her chest.
MapFile test_map()
{
    MapFile map;
    map.width = MAP_W;
    map.height = MAP_H;
    map.cmap = testmaps::black_cmap();
    for (int colour : {0, IN_FRONT_COLOUR, BEHIND_COLOUR})
        testmaps::add_solid_graphic(map, colour);
    testmaps::add_block(map, GFX_CLEAR, 0, 0, 0, BLOCK_SEE_THROUGH);
    testmaps::add_block(map, GFX_CLEAR, 0, GFX_IN_FRONT, 0, BLOCK_SEE_THROUGH);
    testmaps::add_block(map, GFX_CLEAR, GFX_BEHIND, 0, 0, BLOCK_SEE_THROUGH);
    map.layers[0].assign(MAP_W * MAP_H, BLOCK_EMPTY);
    const int column = START_X / BLOCK;
    const int feet_row = START_Y / BLOCK;
    testmaps::cell(map, 0, column, feet_row) = BLOCK_IN_FRONT;
    testmaps::cell(map, 0, column, feet_row - 1) = BLOCK_BEHIND;
    return map;
}

class LevelLoopTest : public HeadlessTest {
protected:
    void SetUp() override
    {
        HeadlessTest::SetUp();
        ASSERT_EQ(MapSave("level.fmp", test_map()), 0);

        comicf = font;
        pal = default_palette;
        bmp = create_bitmap(320, 240);
        clear_to_color(bmp, SENTINEL);
        clear_to_color(screen, SENTINEL);
        release_all_keys();
        counter = 0;
        current_log = &log;
        install_seams();
    }

    void TearDown() override
    {
        release_display();
        forget_window_events();
        loop_seams = game_seams();
        current_log = nullptr;
        release_all_keys();
        counter = 0;
        destroy_bitmap(bmp);
        comicf = nullptr;
        pal = nullptr;
        HeadlessTest::TearDown();
    }

    // Pass n follows plans[n]; after the last plan ESC is pressed and the attempt ends.
    void install_seams()
    {
        loop_seams.start_ticks = [this] { log.ticks_started = true; };
        loop_seams.idle = [this] { ++log.idles; };
        loop_seams.new_player = [this] {
            ++log.players_made;
            return player_ptr(new stand_in_girl,
                              [](girl_character *g) { delete static_cast<stand_in_girl *>(g); });
        };
        loop_seams.each_pass = [this] {
            const int pass = ++log.passes;
            release_all_keys();
            if (pass > static_cast<int>(plans.size())) {
                key[KEY_ESC] = 1;
                return;
            }
            const pass_plan &plan = plans[pass - 1];
            for (int k : plan.keys)
                key[k] = 1;
            counter.fetch_add(plan.ticks);
        };
    }

    int play() { return play_level(bmp, "level.fmp"); }

    static bool has_colour_in_rows(BITMAP *b, int colour, int top, int bottom)
    {
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < b->w; ++x)
                if (getpixel(b, x, y) == colour)
                    return true;
        return false;
    }

    testfiles::CurrentFolder folder; // the level and the screenshots of one test
    const fs::path &dir = folder.path();
    BITMAP *bmp = nullptr;
    loop_log log;
    std::vector<pass_plan> plans;
};

TEST_F(LevelLoopTest, FivePendingTicksRunFiveUpdatesAfterOneSampleAndDrawOneFrame)
{
    counter = 80; // from before the attempt, as after a slow answer to the retry question
    plans = {{5, {KEY_LEFT}}, {1, {}}};
    EXPECT_EQ(play(), level_quit);

    ASSERT_EQ(log.moves.size(), 6u) << "the ticks from before are dropped, every later one runs";
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(log.moves[i].pass, 1);
        EXPECT_EQ(log.moves[i].pending, 5 - i) << "one tick consumed per move";
        EXPECT_TRUE(log.moves[i].left) << "controls sampled before the batch";
    }
    EXPECT_EQ(log.moves[5].pass, 2);
    EXPECT_FALSE(log.moves[5].left) << "controls sampled again in the next pass";
    ASSERT_EQ(log.draws.size(), 2u);
    EXPECT_EQ(log.draws[0].pass, 1);
    EXPECT_EQ(log.draws[1].pass, 2);
    EXPECT_EQ(counter.load(), 0);
}

TEST_F(LevelLoopTest, NoFrameIsDrawnBeforeTheFirstTick)
{
    plans = {{0, {}}, {0, {}}, {0, {}}, {1, {}}};
    EXPECT_EQ(play(), level_quit);

    ASSERT_EQ(log.draws.size(), 1u);
    EXPECT_EQ(log.draws[0].pass, 4);
    ASSERT_EQ(log.moves.size(), 1u);
}

TEST_F(LevelLoopTest, TheCameraFollowsEveryTickNotOnlyTheBatch)
{
    // Out of the zone to the right and back: a camera updated once per batch would not move.
    log.motion = [](girl_character &g, int n) { g.setx(g.getx() + (n == 0 ? 200 : -200)); };
    plans = {{2, {}}};
    play();

    ASSERT_EQ(log.draws.size(), 1u);
    EXPECT_EQ(log.draws[0].xoff, START_X - 100) << "dragged right, then back to the zone's "
                                                   "left edge";
}

TEST_F(LevelLoopTest, TheFirstFrameShowsTheGirlAtTheZoneEdges)
{
    plans = {{1, {}}};
    play();

    ASSERT_EQ(log.draws.size(), 1u);
    EXPECT_EQ(log.draws[0].xoff, FIRST_XOFF);
    EXPECT_EQ(log.draws[0].yoff, FIRST_YOFF);
}

TEST_F(LevelLoopTest, TheFrameIsClampedToTheMapBeforeDrawing)
{
    log.motion = [](girl_character &g, int) { g.setx(MAP_W * BLOCK + 500); };
    plans = {{1, {}}};
    play();

    ASSERT_EQ(log.draws.size(), 1u);
    EXPECT_EQ(log.draws[0].xoff, MAP_W * BLOCK - 320);
}

TEST_F(LevelLoopTest, FrameLayersTheBackdropMapGirlAndTextAndReachesTheScreen)
{
    plans = {{1, {}}};
    play();

    const int sx = START_X - FIRST_XOFF;
    const int sy = START_Y - FIRST_YOFF;
    EXPECT_EQ(getpixel(bmp, sx, sy - 4), IN_FRONT_COLOUR) << "second foreground over her";
    EXPECT_EQ(getpixel(bmp, sx, sy - 18), GIRL_COLOUR) << "she covers the first foreground";
    EXPECT_EQ(getpixel(bmp, sx - 6, sy - 20), BEHIND_COLOUR);
    EXPECT_EQ(getpixel(bmp, 160, 120), BACKDROP) << "see-through background shows colour 54";
    EXPECT_TRUE(has_colour_in_rows(bmp, TEXT, 0, 8)) << "\"Orvia demo 2.1\"";
    EXPECT_TRUE(has_colour_in_rows(bmp, TEXT, 20, 28)) << "\"Press ESC to quit\"";
    EXPECT_FALSE(has_colour_in_rows(bmp, TEXT, 8, 20));
    for (int y = 0; y < 240; y += 7)
        for (int x = 0; x < 320; x += 5)
            ASSERT_EQ(getpixel(screen, x, y), getpixel(bmp, x, y)) << x << "," << y;
}

TEST_F(LevelLoopTest, ControlsComeFromTheSevenKeysOnly)
{
    plans = {{1, {KEY_RIGHT, KEY_UP, KEY_DOWN, KEY_LCONTROL, KEY_ALT, KEY_SPACE}},
             {1, {}},
             {1, {KEY_RCONTROL, KEY_ALTGR}}};
    play();

    ASSERT_EQ(log.moves.size(), 3u);
    const move_record &held = log.moves[0];
    EXPECT_FALSE(held.left);
    EXPECT_TRUE(held.right);
    EXPECT_TRUE(held.up);
    EXPECT_TRUE(held.down);
    EXPECT_TRUE(held.run);
    EXPECT_TRUE(held.spare);
    EXPECT_TRUE(held.jump_pending) << "left Ctrl is the jump control";
    const move_record &right_hand = log.moves[2];
    EXPECT_FALSE(right_hand.jump_pending) << "right Ctrl does not jump";
    EXPECT_FALSE(right_hand.run) << "AltGr does not run";
}

TEST_F(LevelLoopTest, FallingOutOfTheMapEndsTheAttemptAfterTheWholeBatchAndOneFrame)
{
    log.motion = [](girl_character &g, int n) {
        if (n == 1)
            g.sety(MAP_H * BLOCK + g.height + 3);
    };
    plans = {{1, {}}, {3, {}}, {1, {}}};
    EXPECT_EQ(play(), level_died);

    EXPECT_EQ(log.passes, 2);
    EXPECT_EQ(log.moves.size(), 4u) << "the death does not cut the batch short";
    ASSERT_EQ(log.draws.size(), 2u);
    EXPECT_EQ(log.draws.back().pass, 2);
    EXPECT_EQ(counter.load(), 0);
}

TEST_F(LevelLoopTest, EscHeldWhenTheGirlDiesQuitsInstead)
{
    log.motion = [](girl_character &g, int) { g.sety(MAP_H * BLOCK + g.height + 3); };
    plans = {{1, {KEY_ESC}}};
    EXPECT_EQ(play(), level_quit);
    EXPECT_EQ(log.draws.size(), 1u);
}

TEST_F(LevelLoopTest, EscQuitsWithoutATickOrFrame)
{
    plans = {{0, {}}, {0, {KEY_ESC}}};
    EXPECT_EQ(play(), level_quit);
    EXPECT_EQ(log.passes, 2);
    EXPECT_TRUE(log.moves.empty());
    EXPECT_TRUE(log.draws.empty());
    EXPECT_TRUE(log.ticks_started);
    EXPECT_EQ(getpixel(screen, 10, 10), SENTINEL);
}

TEST_F(LevelLoopTest, AnEscStillHeldAtTheStartIsWaitedOut)
{
    key[KEY_ESC] = 1;
    bool esc_down_in_first_pass = true;
    auto plan_seam = loop_seams.each_pass;
    loop_seams.each_pass = [&] {
        if (log.passes == 0)
            esc_down_in_first_pass = key[KEY_ESC] != 0;
        plan_seam();
    };
    plans = {{1, {}}, {1, {}}};
    std::thread releaser([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        key[KEY_ESC] = 0;
    });
    const int result = play();
    releaser.join();

    EXPECT_EQ(result, level_quit);
    EXPECT_FALSE(esc_down_in_first_pass);
    EXPECT_EQ(log.passes, 3) << "both planned passes ran before the ESC of the third";
}

TEST_F(LevelLoopTest, APassWithNothingPendingRestsOnceAndTheLoopNeverSpins)
{
    plans = {{0, {}}, {2, {}}, {0, {}}, {0, {}}};
    play();
    EXPECT_EQ(log.passes, 5);
    EXPECT_EQ(log.idles, 4) << "one rest after every pass that goes on";
}

TEST_F(LevelLoopTest, TicksThatArriveWhileRestingAreRunInTheNextPass)
{
    // The rest stands in for the clock: one tick arrives during each.
    loop_seams.idle = [this] {
        ++log.idles;
        counter.fetch_add(1);
    };
    plans = std::vector<pass_plan>(6);
    play();

    EXPECT_EQ(log.idles, 6);
    EXPECT_EQ(log.moves.size(), 6u);
    EXPECT_EQ(log.draws.size(), 6u);
    EXPECT_EQ(log.draws.front().pass, 2);
}

TEST_F(LevelLoopTest, AwayFromTheKeyboardNothingRunsPlayGoesOnWhereItStoppedAndClosingEndsIt)
{
    int idles_away = 0;
    loop_seams.idle = [&] {
        if (window_has_focus())
            return;
        // The timer goes on while she is away; the fourth tick finds the window in use again,
        // and the next time away the window is closed.
        counter.fetch_add(1);
        if (++idles_away == 4)
            note_focus_back();
        if (idles_away == 5)
            note_close_request();
        if (idles_away == 6)
            note_focus_back(); // the request went unheard: end the test rather than hang
    };
    auto plan_seam = loop_seams.each_pass;
    loop_seams.each_pass = [&] {
        plan_seam();
        if (log.passes == 2 || log.passes == 4)
            note_focus_lost();
    };
    plans = {{1, {}}, {3, {}}, {1, {}}, {1, {}}};
    EXPECT_EQ(play(), level_quit);

    EXPECT_EQ(idles_away, 5);
    ASSERT_EQ(log.moves.size(), 2u) << "ticks that arrived while away are dropped, not run";
    EXPECT_EQ(log.moves[1].pass, 3);
    EXPECT_EQ(log.moves[1].pending, 1);
    EXPECT_EQ(log.draws.size(), 4u) << "the first frame, paused, the next frame, paused";
}

TEST_F(LevelLoopTest, AMapThatCannotBeLoadedEndsTheAttemptAtOnce)
{
    EXPECT_EQ(play_level(bmp, "no-such-map.fmp"), level_load_failed);
    EXPECT_EQ(maperror, MER_NOOPEN);
    EXPECT_EQ(log.players_made, 0);
    EXPECT_FALSE(log.ticks_started);
    EXPECT_EQ(log.passes, 0);
    EXPECT_EQ(getpixel(bmp, 10, 10), SENTINEL);
    EXPECT_EQ(getpixel(screen, 10, 10), SENTINEL);
}

TEST_F(LevelLoopTest, EachAttemptMakesOnePlayerAndReleasesTheMap)
{
    plans = {{1, {}}};
    play();
    EXPECT_EQ(log.players_made, 1);
    EXPECT_EQ(mapblockstrpt, nullptr);
}

// Screenshots.

std::vector<std::string> screenshot_names(const fs::path &dir)
{
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".bmp")
            names.insert(entry.path().filename().string());
    return {names.begin(), names.end()};
}

TEST_F(LevelLoopTest, HoldingSTakesOneScreenshotAndEachNewPressTheNext)
{
    plans = {{1, {KEY_S}}, {1, {KEY_S}}, {1, {KEY_S}}, {1, {}}, {1, {KEY_S}}};
    play();
    EXPECT_EQ(screenshot_names(dir), (std::vector<std::string>{"s0000.bmp", "s0001.bmp"}));
}

TEST_F(LevelLoopTest, ScreenshotsAreTheFrameAs8BitBitmapsWithThePalette)
{
    plans = {{1, {KEY_S}}};
    play();

    set_color_depth(8);
    PALETTE saved;
    BITMAP *shot = load_bmp("s0000.bmp", saved);
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->w, 320);
    EXPECT_EQ(shot->h, 240);
    EXPECT_EQ(bitmap_color_depth(shot), 8);
    for (int y = 0; y < 240; y += 3)
        for (int x = 0; x < 320; x += 3)
            ASSERT_EQ(getpixel(shot, x, y), getpixel(bmp, x, y)) << x << "," << y;
    destroy_bitmap(shot);
    for (int i : {0, 15, 54, 255}) {
        EXPECT_EQ(saved[i].r, default_palette[i].r) << i;
        EXPECT_EQ(saved[i].g, default_palette[i].g) << i;
        EXPECT_EQ(saved[i].b, default_palette[i].b) << i;
    }
}

TEST_F(LevelLoopTest, ScreenshotsNeverOverwriteExistingFiles)
{
    ASSERT_TRUE(testfiles::write_file(dir / "s0000.bmp", std::string("kept zero")));
    ASSERT_TRUE(testfiles::write_file(dir / "s0002.bmp", std::string("kept two")));
    plans = {{1, {KEY_S}}, {1, {}}, {1, {KEY_S}}, {1, {}}, {1, {KEY_S}}};
    play();

    EXPECT_EQ(screenshot_names(dir), (std::vector<std::string>{"s0000.bmp", "s0001.bmp",
                                                               "s0002.bmp", "s0003.bmp",
                                                               "s0004.bmp"}));
    EXPECT_EQ(testfiles::read_file(dir / "s0000.bmp"), "kept zero");
    EXPECT_EQ(testfiles::read_file(dir / "s0002.bmp"), "kept two");
}

TEST_F(LevelLoopTest, ANewAttemptDoesNotOverwriteThePreviousAttemptsScreenshots)
{
    plans = {{1, {KEY_S}}};
    play();
    const std::string first = testfiles::read_file(dir / "s0000.bmp");
    log = loop_log{};
    release_all_keys(); // the first attempt ended with ESC down
    plans = {{1, {KEY_S}}};
    play();

    EXPECT_EQ(screenshot_names(dir), (std::vector<std::string>{"s0000.bmp", "s0001.bmp"}));
    EXPECT_EQ(testfiles::read_file(dir / "s0000.bmp"), first);
}

TEST_F(LevelLoopTest, AScreenshotThatCannotBeWrittenIsReportedKeepsItsNumberAndPlayGoesOn)
{
    // A folder that no longer exists cannot take a file, whoever runs the test.
    const fs::path gone = dir / "gone";
    fs::create_directory(gone);
    fs::current_path(gone);
    auto plan_seam = loop_seams.each_pass;
    loop_seams.each_pass = [&] {
        if (log.passes == 0)
            fs::remove_all(gone);
        if (log.passes == 4) { // a folder of that name is back for the third press
            fs::create_directory(gone);
            fs::current_path(gone);
        }
        plan_seam();
    };
    plans = {{1, {KEY_S}}, {1, {}}, {1, {KEY_S}}, {1, {}}, {1, {KEY_S}}};

    ::testing::internal::CaptureStderr();
    const int result = play_level(bmp, (dir / "level.fmp").c_str());
    const std::string errors = ::testing::internal::GetCapturedStderr();
    fs::current_path(dir);

    EXPECT_EQ(result, level_quit);
    EXPECT_EQ(log.passes, 6) << "play went on after the failures";
    const std::string told = "cannot write the screenshot \"s0000.bmp\"";
    const std::size_t first = errors.find(told);
    ASSERT_NE(first, std::string::npos) << errors;
    EXPECT_NE(errors.find(told, first + 1), std::string::npos) << "the number is kept: " << errors;
    EXPECT_EQ(errors.find("s0001.bmp"), std::string::npos) << errors;
    EXPECT_EQ(screenshot_names(gone), std::vector<std::string>{"s0000.bmp"});
}

TEST_F(LevelLoopTest, AScreenshotNeverFollowsALinkEvenOneThatLeadsNowhere)
{
    const fs::path target = dir / "elsewhere.bmp";
    fs::create_symlink(target, dir / "s0000.bmp");
    plans = {{1, {KEY_S}}};
    play();

    EXPECT_FALSE(fs::exists(target)) << "the link was followed";
    EXPECT_TRUE(fs::is_symlink(dir / "s0000.bmp"));
    EXPECT_EQ(screenshot_names(dir), (std::vector<std::string>{"s0000.bmp", "s0001.bmp"}))
        << "the shot takes the next free number";
}

} // namespace
