// The level loop pass by pass on a test map, without a timer: ticks per pass, frames, the
// camera, death, ESC, pausing while away, screenshots; and an attempt through the tick alone.
#include "display.h"
#include "gameloop.h"
#include "girlpictures.h"
#include "graphic.h"
#include "maplib.h"
#include "playerharness.h"
#include "testfiles.h"
#include "testmaps.h"
#include "timer.h"
#include "wallstuff.h"
#include "windowevents.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int MAP_W = 120;
constexpr int MAP_H = 40;
constexpr int BLOCK = 16;
constexpr int START_X = GIRL_START.x;
constexpr int START_Y = GIRL_START.y;
// The camera's position after the first tick: the girl at the zone's right and bottom edges.
constexpr int FIRST_XOFF = START_X - 220;
constexpr int FIRST_YOFF = START_Y - 190;

// Colours of the test map's graphics, apart from those of the girl's test pictures.
constexpr int BACKDROP = 54;
constexpr int TEXT = 15;
constexpr int FLOOR_COLOUR = 203;
constexpr int BEHIND_COLOUR = 202;   // first foreground layer
constexpr int IN_FRONT_COLOUR = 201; // second foreground layer
constexpr int SENTINEL = 7;
// The standing girl's test picture: its top-left corner from her feet, and its colours.
constexpr int PICTURE_LEFT = 16, PICTURE_UP = 31;
constexpr int STANDING_MARKER = girlpictures::MARKER + 1;
// Where her picture's top-left corner lies, in a block of both foreground layers; the second
// one is painted from the picture's last column on.
constexpr int LAYERED_X = START_X - PICTURE_LEFT;
constexpr int LAYERED_Y = START_Y - PICTURE_UP;
constexpr int IN_FRONT_FROM = LAYERED_X % BLOCK + girlpictures::WIDTH - 1;

// Block records of the test map.
enum { BLOCK_EMPTY = 0, BLOCK_LAYERED = 1, BLOCK_FLOOR = 2 };
// Graphics of the test map.
enum { GFX_CLEAR = 0, GFX_BEHIND = 1, GFX_IN_FRONT = 2, GFX_FLOOR = 3 };

void release_all_keys()
{
    for (int k = 0; k < KEY_MAX; ++k)
        key[k] = 0;
}

// A map large enough for the camera to move freely around the start: see-through background
// everywhere, a floor under the girl's feet and the layered block.
MapFile test_map()
{
    MapFile map;
    map.width = MAP_W;
    map.height = MAP_H;
    map.cmap = testmaps::black_cmap();
    for (int colour : {0, BEHIND_COLOUR, IN_FRONT_COLOUR, FLOOR_COLOUR})
        testmaps::add_solid_graphic(map, colour);
    testmaps::paint(map, GFX_IN_FRONT,
                    [](int x, int) { return x < IN_FRONT_FROM ? 0 : IN_FRONT_COLOUR; });
    testmaps::add_block(map, GFX_CLEAR, 0, 0, 0, BLOCK_SEE_THROUGH);
    testmaps::add_block(map, GFX_CLEAR, GFX_BEHIND, GFX_IN_FRONT, 0, BLOCK_SEE_THROUGH);
    testmaps::add_block(map, GFX_FLOOR, 0, 0, 0, BLOCK_SOLID);
    map.layers[0].assign(MAP_W * MAP_H, BLOCK_EMPTY);
    for (int x = 1; x < MAP_W - 1; ++x)
        testmaps::cell(map, 0, x, START_Y / BLOCK + 1) = BLOCK_FLOOR;
    testmaps::cell(map, 0, LAYERED_X / BLOCK, LAYERED_Y / BLOCK) = BLOCK_LAYERED;
    return map;
}

bool has_colour_in_rows(BITMAP *b, int colour, int top, int bottom)
{
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < b->w; ++x)
            if (getpixel(b, x, y) == colour)
                return true;
    return false;
}

class LevelLoopTest : public GirlPicturesTest {
protected:
    void SetUp() override
    {
        GirlPicturesTest::SetUp();
        ASSERT_EQ(MapSave("level.fmp", test_map()), 0);
        comicf = font;
        pal = default_palette;
        bmp = target;
        clear_to_color(bmp, SENTINEL);
        clear_to_color(screen, SENTINEL);
        release_all_keys();
        counter = 0;
    }

    void TearDown() override
    {
        release_display();
        forget_window_events();
        release_all_keys();
        counter = 0;
        comicf = nullptr;
        pal = nullptr;
        GirlPicturesTest::TearDown();
    }

    void load()
    {
        std::string problem;
        ASSERT_TRUE(read_level("level.fmp", lvl, problem)) << problem;
        ASSERT_EQ(load_level_map(lvl), 0);
    }

    // One pass with these keys held and this many ticks arrived.
    void pass(int ticks, const std::set<int> &keys = {})
    {
        release_all_keys();
        for (int k : keys)
            key[k] = 1;
        level_pass(play, bmp, ticks);
    }

    testfiles::CurrentFolder folder; // the level and the screenshots of one test
    const fs::path &dir = folder.path();
    BITMAP *bmp = nullptr;
    level lvl;
    level_play play{GIRL_START};
};

TEST_F(LevelLoopTest, APassLatchesTheControlsOnceRunsEveryTickAndDrawsOneFrameAfterThem)
{
    load();
    pass(0);
    EXPECT_EQ(getpixel(bmp, 10, 10), SENTINEL) << "no frame before the first tick";
    EXPECT_EQ(getpixel(screen, 10, 10), SENTINEL);

    // Five ticks in one pass leave her where five passes of one tick do.
    level_play one_by_one{GIRL_START};
    for (int i = 0; i < 5; ++i) {
        key[KEY_LEFT] = 1;
        level_pass(one_by_one, bmp, 1);
    }
    pass(5, {KEY_LEFT});
    EXPECT_LT(play.now.girl.getx(), START_X) << "she walked";
    EXPECT_EQ(play.now.girl.x, one_by_one.now.girl.x);
    EXPECT_EQ(play.now.girl.xv, one_by_one.now.girl.xv);
    EXPECT_EQ(play.now.girl.frame, one_by_one.now.girl.frame);
    EXPECT_EQ(play.now.xoff, one_by_one.now.xoff);
    EXPECT_EQ(play.now.result, level_playing);
}

TEST_F(LevelLoopTest, TheFrameLayersBackdropMapGirlAndTextFromTheClampedCameraAndReachesTheScreen)
{
    load();
    pass(1);
    EXPECT_EQ(play.now.xoff, FIRST_XOFF) << "the first tick brings her to the zone's edges";
    EXPECT_EQ(play.now.yoff, FIRST_YOFF);
    const int sx = LAYERED_X - FIRST_XOFF;
    const int sy = LAYERED_Y - FIRST_YOFF;
    EXPECT_EQ(getpixel(bmp, sx, sy), STANDING_MARKER) << "she covers the first foreground";
    EXPECT_EQ(getpixel(bmp, sx + girlpictures::WIDTH - 1, sy), IN_FRONT_COLOUR)
        << "the second foreground covers her";
    EXPECT_EQ(getpixel(bmp, sx, sy + girlpictures::HEIGHT), BEHIND_COLOUR);
    EXPECT_EQ(getpixel(bmp, sx, START_Y + 4 - FIRST_YOFF), FLOOR_COLOUR);
    EXPECT_EQ(getpixel(bmp, 160, 120), BACKDROP) << "see-through background shows colour 54";
    EXPECT_TRUE(has_colour_in_rows(bmp, TEXT, 0, 8)) << "\"Orvia demo 2.1\"";
    EXPECT_TRUE(has_colour_in_rows(bmp, TEXT, 20, 28)) << "\"Press ESC to quit\"";
    EXPECT_FALSE(has_colour_in_rows(bmp, TEXT, 8, 20));
    for (int y = 0; y < 240; y += 7)
        for (int x = 0; x < 320; x += 5)
            ASSERT_EQ(getpixel(screen, x, y), getpixel(bmp, x, y)) << x << "," << y;

    play.now.girl.setx(MAP_W * BLOCK + 500);
    pass(1);
    EXPECT_EQ(play.now.xoff, MAP_W * BLOCK - 320) << "the camera is kept inside the map";
}

TEST_F(LevelLoopTest, FallingOutOfTheMapEndsTheAttemptAfterTheWholeBatchUnlessEscIsHeld)
{
    load();
    play.now.girl.sety(MAP_H * BLOCK + play.now.girl.height + 3);
    pass(1);
    const fix after_one = play.now.girl.y;
    EXPECT_EQ(play.now.result, level_died);
    pass(3);
    EXPECT_GT(play.now.girl.y, after_one) << "the death does not cut the batch short";
    EXPECT_EQ(play.now.result, level_died);

    level_play escaping{GIRL_START};
    escaping.now.girl.sety(MAP_H * BLOCK + escaping.now.girl.height + 3);
    key[KEY_ESC] = 1;
    level_pass(escaping, bmp, 1);
    EXPECT_EQ(escaping.now.result, level_quit) << "ESC held when she dies quits instead";

    level_play quitting{GIRL_START};
    clear_to_color(bmp, SENTINEL);
    level_pass(quitting, bmp, 0);
    EXPECT_EQ(quitting.now.result, level_quit) << "ESC with no tick pending";
    EXPECT_EQ(getpixel(bmp, 10, 10), SENTINEL) << "and no frame";
}

TEST_F(LevelLoopTest, AwayFromTheKeyboardTheFrameStandsTicksAreDroppedAndClosingEndsIt)
{
    load();
    pass(1);
    const fix x = play.now.girl.x;
    note_focus_lost();
    pass(3, {KEY_LEFT});
    EXPECT_TRUE(play.paused);
    EXPECT_TRUE(has_colour_in_rows(bmp, TEXT, 110, 118)) << "\"Paused\" over the frame";
    EXPECT_EQ(play.now.girl.x, x) << "no tick runs while away";
    note_focus_back();
    pass(2, {KEY_LEFT});
    EXPECT_EQ(play.now.girl.x, x) << "the ticks that arrived while away are dropped";
    pass(1, {KEY_LEFT});
    EXPECT_LT(play.now.girl.x, x) << "play goes on where it stopped";
    EXPECT_FALSE(has_colour_in_rows(bmp, TEXT, 110, 118));

    note_focus_lost();
    pass(1);
    note_close_request();
    pass(1);
    EXPECT_EQ(play.now.result, level_quit);
}

TEST_F(LevelLoopTest, AMapThatCannotBeLoadedEndsTheAttemptAtOnce)
{
    lvl.image.assign(64, 0);
    EXPECT_EQ(play_level(bmp, lvl), level_load_failed);
    EXPECT_EQ(maperror, MER_MAPLOADERROR);
    EXPECT_EQ(getpixel(bmp, 10, 10), SENTINEL);
    EXPECT_EQ(getpixel(screen, 10, 10), SENTINEL);
}

TEST_F(LevelLoopTest, EveryAttemptPlaysTheLevelAsItWasReadNotTheFileAsItIsNow)
{
    load();
    const std::string first = testfiles::read_file("level.fmp");
    ASSERT_TRUE(testfiles::write_file("level.fmp", std::string("not a map any more")));
    ASSERT_EQ(load_level_map(lvl), 0) << "the next attempt";
    EXPECT_EQ(mapwidth, MAP_W);

    level unread;
    std::string problem;
    EXPECT_FALSE(read_level("no-such-map.fmp", unread, problem));
    EXPECT_EQ(problem, "the file cannot be opened: No such file or directory");
    ASSERT_TRUE(testfiles::write_file("cut.fmp", first.substr(0, first.size() / 2)));
    EXPECT_FALSE(read_level("cut.fmp", unread, problem)) << "a map cut short is never decoded";
    EXPECT_EQ(problem, MapErrorText(MER_MAPLOADERROR));
    EXPECT_TRUE(unread.image.empty());
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
    load();
    for (const auto &keys : std::vector<std::set<int>>{{KEY_S}, {KEY_S}, {KEY_S}, {}, {KEY_S}})
        pass(1, keys);
    EXPECT_EQ(screenshot_names(dir), (std::vector<std::string>{"s0000.bmp", "s0001.bmp"}));
}

TEST_F(LevelLoopTest, ScreenshotsAreTheFrameAs8BitBitmapsWithThePalette)
{
    load();
    pass(1, {KEY_S});

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

TEST_F(LevelLoopTest, ScreenshotsNeverOverwriteExistingFilesNorThoseOfAnEarlierAttempt)
{
    ASSERT_TRUE(testfiles::write_file(dir / "s0000.bmp", std::string("kept zero")));
    ASSERT_TRUE(testfiles::write_file(dir / "s0002.bmp", std::string("kept two")));
    load();
    for (const auto &keys : std::vector<std::set<int>>{{KEY_S}, {}, {KEY_S}})
        pass(1, keys);
    level_play next_attempt{GIRL_START};
    key[KEY_S] = 1;
    level_pass(next_attempt, bmp, 1);

    EXPECT_EQ(screenshot_names(dir), (std::vector<std::string>{"s0000.bmp", "s0001.bmp",
                                                               "s0002.bmp", "s0003.bmp",
                                                               "s0004.bmp"}));
    EXPECT_EQ(testfiles::read_file(dir / "s0000.bmp"), "kept zero");
    EXPECT_EQ(testfiles::read_file(dir / "s0002.bmp"), "kept two");
}

TEST_F(LevelLoopTest, AScreenshotThatCannotBeWrittenIsReportedKeepsItsNumberAndPlayGoesOn)
{
    load();
    // A folder that no longer exists cannot take a file, whoever runs the test.
    const fs::path gone = dir / "gone";
    fs::create_directory(gone);
    fs::current_path(gone);
    fs::remove_all(gone);

    ::testing::internal::CaptureStderr();
    pass(1, {KEY_S});
    pass(1);
    pass(1, {KEY_S});
    const std::string errors = ::testing::internal::GetCapturedStderr();
    fs::create_directory(gone); // a folder of that name is back for the third press
    fs::current_path(gone);
    pass(1);
    pass(1, {KEY_S});
    fs::current_path(dir);

    EXPECT_EQ(play.now.result, level_playing) << "play went on after the failures";
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
    load();
    pass(1, {KEY_S});

    EXPECT_FALSE(fs::exists(target)) << "the link was followed";
    EXPECT_TRUE(fs::is_symlink(dir / "s0000.bmp"));
    EXPECT_EQ(screenshot_names(dir), (std::vector<std::string>{"s0000.bmp", "s0001.bmp"}))
        << "the shot takes the next free number";
}

// One attempt driven through the tick alone, no screen and no timer: a scripted run on a small
// map ends where her physics put her.
using AttemptTest = HeadlessTest;

TEST_F(AttemptTest, AScriptedRunThroughTheTickAloneEndsWhereSheLands)
{
    ASSERT_EQ(harness::load_picture({
                  "#..........#",
                  "#..........#",
                  "#..........#",
                  "#..........#",
                  "#.....######",
                  "############",
              }),
              0);
    attempt a(map_point{40, 79});
    const std::vector<harness::step> script = {{40, "R"}, {30, "RJ"}, {100, "R"}, {20, ""}};
    for (const harness::step &s : script)
        for (int t = 0; t < s.ticks; ++t)
            advance(a, harness::parse_keys(s.keys), 1);

    EXPECT_EQ(a.result, level_playing);
    EXPECT_EQ(a.girl.status, status_stand) << "landed and came to rest";
    EXPECT_EQ(a.girl.gety(), 4 * 16 - 1) << "on the step, block row 4";
    EXPECT_EQ(a.girl.getx(), 11 * 16 - 1 - a.girl.half_width) << "against the right wall";
}

} // namespace
