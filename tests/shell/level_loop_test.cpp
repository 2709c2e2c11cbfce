// The level loop pass by pass on a test map, without a timer: ticks per pass, frames, the
// camera, death, ESC, pausing while away, screenshots; and an attempt through the tick alone.
#include "display.h"
#include "gameloop.h"
#include "girlpictures.h"
#include "graphic.h"
#include "maplib.h"
#include "notes.h"
#include "playerharness.h"
#include "testfiles.h"
#include "testmaps.h"
#include "timer.h"
#include "wallstuff.h"
#include "windowevents.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
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
        level_refusal refusal;
        ASSERT_TRUE(build_level("level.fmp", std::nullopt, session.lvl, refusal));
        ASSERT_EQ(load_level_map(session.lvl), 0);
        play = std::make_unique<level_play>(session);
    }

    // One pass with these keys held and this many ticks arrived.
    void pass(int ticks, const std::set<int> &keys = {})
    {
        release_all_keys();
        for (int k : keys)
            key[k] = 1;
        level_pass(*play, bmp, ticks);
    }

    testfiles::CurrentFolder folder; // the level and the screenshots of one test
    const fs::path &dir = folder.path();
    BITMAP *bmp = nullptr;
    game_session session;
    std::unique_ptr<level_play> play; // made by load()
};

TEST_F(LevelLoopTest, APassLatchesTheControlsOnceRunsEveryTickAndDrawsOneFrameAfterThem)
{
    load();
    pass(0);
    EXPECT_EQ(getpixel(bmp, 10, 10), SENTINEL) << "no frame before the first tick";
    EXPECT_EQ(getpixel(screen, 10, 10), SENTINEL);

    // Five ticks in one pass leave her where five passes of one tick do.
    level_play one_by_one{session};
    for (int i = 0; i < 5; ++i) {
        key[KEY_LEFT] = 1;
        level_pass(one_by_one, bmp, 1);
    }
    pass(5, {KEY_LEFT});
    EXPECT_LT(play->now.girl.getx(), START_X) << "she walked";
    EXPECT_EQ(play->now.girl.x, one_by_one.now.girl.x);
    EXPECT_EQ(play->now.girl.xv, one_by_one.now.girl.xv);
    EXPECT_EQ(play->now.girl.frame, one_by_one.now.girl.frame);
    EXPECT_EQ(play->now.xoff, one_by_one.now.xoff);
    EXPECT_EQ(play->now.result, level_playing);
}

TEST_F(LevelLoopTest, TheFrameLayersBackdropMapGirlAndTextFromTheClampedCameraAndReachesTheScreen)
{
    load();
    pass(1);
    EXPECT_EQ(play->now.xoff, FIRST_XOFF) << "the first tick brings her to the zone's edges";
    EXPECT_EQ(play->now.yoff, FIRST_YOFF);
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

    play->now.girl.setx(MAP_W * BLOCK + 500);
    pass(1);
    EXPECT_EQ(play->now.xoff, MAP_W * BLOCK - 320) << "the camera is kept inside the map";
}

TEST_F(LevelLoopTest, FallingOutOfTheMapEndsTheAttemptAfterTheWholeBatchUnlessEscIsHeld)
{
    load();
    play->now.girl.sety(MAP_H * BLOCK + play->now.girl.height + 3);
    pass(1);
    const fix after_one = play->now.girl.y;
    EXPECT_EQ(play->now.result, level_died);
    pass(3);
    EXPECT_GT(play->now.girl.y, after_one) << "the death does not cut the batch short";
    EXPECT_EQ(play->now.result, level_died);

    level_play escaping{session};
    escaping.now.girl.sety(MAP_H * BLOCK + escaping.now.girl.height + 3);
    key[KEY_ESC] = 1;
    level_pass(escaping, bmp, 1);
    EXPECT_EQ(escaping.now.result, level_quit) << "ESC held when she dies quits instead";

    level_play quitting{session};
    clear_to_color(bmp, SENTINEL);
    level_pass(quitting, bmp, 0);
    EXPECT_EQ(quitting.now.result, level_quit) << "ESC with no tick pending";
    EXPECT_EQ(getpixel(bmp, 10, 10), SENTINEL) << "and no frame";
}

TEST_F(LevelLoopTest, PausedByPOrAwayTheFrameStandsTicksAreDroppedAndClosingEndsIt)
{
    load();
    pass(1);
    const fix x = play->now.girl.x;
    note_focus_lost();
    pass(3, {KEY_LEFT});
    EXPECT_TRUE(play->showing_paused);
    EXPECT_TRUE(has_colour_in_rows(bmp, TEXT, 110, 118)) << "\"Paused\" over the frame";
    EXPECT_EQ(play->now.girl.x, x) << "no tick runs while away";
    note_focus_back();
    pass(2, {KEY_LEFT});
    EXPECT_EQ(play->now.girl.x, x) << "the ticks that arrived while away are dropped";
    pass(1, {KEY_LEFT});
    EXPECT_LT(play->now.girl.x, x) << "play goes on where it stopped";
    EXPECT_FALSE(has_colour_in_rows(bmp, TEXT, 110, 118));

    pass(1, {KEY_P});
    EXPECT_TRUE(play->showing_paused) << "P pauses as well";
    const fix held = play->now.girl.x;
    pass(3, {KEY_P, KEY_LEFT});
    pass(3, {KEY_LEFT});
    EXPECT_TRUE(has_colour_in_rows(bmp, TEXT, 110, 118));
    pass(1, {KEY_P});
    EXPECT_EQ(play->now.girl.x, held) << "held P, then P again: only the pause and its end";
    pass(1, {KEY_LEFT});
    EXPECT_LT(play->now.girl.x, held);

    note_focus_lost();
    pass(1);
    note_close_request();
    pass(1);
    EXPECT_EQ(play->now.result, level_quit);
}

TEST_F(LevelLoopTest, AMapThatCannotBeLoadedEndsTheAttemptAtOnce)
{
    session.lvl.image.assign(64, 0);
    EXPECT_EQ(play_level(bmp, session), level_load_failed);
    EXPECT_EQ(maperror, MER_MAPLOADERROR);
    EXPECT_EQ(getpixel(bmp, 10, 10), SENTINEL);
    EXPECT_EQ(getpixel(screen, 10, 10), SENTINEL);
}

TEST_F(LevelLoopTest, EveryAttemptPlaysTheLevelAsItWasBuiltNotTheFileAsItIsNow)
{
    load();
    const std::string first = testfiles::read_file("level.fmp");
    ASSERT_TRUE(testfiles::write_file("level.fmp", std::string("not a map any more")));
    ASSERT_EQ(load_level_map(session.lvl), 0) << "the next attempt";
    EXPECT_EQ(mapwidth, MAP_W);

    level unread;
    level_refusal refusal;
    EXPECT_FALSE(build_level("no-such-map.fmp", std::nullopt, unread, refusal));
    EXPECT_EQ(refusal.problems,
              std::vector<std::string>{"the file cannot be opened: No such file or directory"});
    ASSERT_TRUE(testfiles::write_file("cut.fmp", first.substr(0, first.size() / 2)));
    EXPECT_FALSE(build_level("cut.fmp", std::nullopt, unread, refusal))
        << "a map cut short is never decoded";
    EXPECT_EQ(refusal.problems, std::vector<std::string>{MapErrorText(MER_MAPLOADERROR)});
    EXPECT_TRUE(unread.image.empty());
}

// Where she starts: the option, else the map's own start, else the game's; and a level built
// anew keeps her where she is clear of its solid blocks, else starts her at its start.
TEST_F(LevelLoopTest, TheStartInForceAndANewLevelUnderAnAttempt)
{
    MapFile map = test_map();
    map.extra_chunks.push_back(start_chunk({START_X - 32, START_Y}, map.lsb));
    ASSERT_EQ(MapSave("own.fmp", map), 0);
    level_refusal refusal;
    level own, chosen;
    ASSERT_TRUE(build_level("own.fmp", std::nullopt, own, refusal));
    EXPECT_EQ(own.start.x, START_X - 32) << "the map's start";
    ASSERT_TRUE(build_level("own.fmp", map_point{START_X + 32, START_Y}, chosen, refusal));
    EXPECT_EQ(chosen.start.x, START_X + 32) << "the option over the map's";
    EXPECT_FALSE(build_level("own.fmp", map_point{5, 5}, chosen, refusal));
    EXPECT_TRUE(refusal.unplayable);
    EXPECT_EQ(refusal.problems.front().find("the girl's start position (5, 5)"), 0u);
    load();
    EXPECT_EQ(play->now.girl.getx(), START_X) << "the game's start";

    pass(1);
    const fix x = play->now.girl.x;
    ASSERT_EQ(MapSave("level.fmp", map), 0); // the level's file, saved again
    ASSERT_EQ(rebuild_level(session), reload_outcome::replaced);
    ASSERT_TRUE(go_on_after_reload(*play, bmp, reload_outcome::replaced));
    EXPECT_EQ(play->now.girl.x, x) << "clear of the new map's blocks: she stays";
    for (int row = 0; row < MAP_H; ++row)
        testmaps::cell(map, 0, START_X / BLOCK, row) = BLOCK_FLOOR;
    ASSERT_EQ(MapSave("level.fmp", map), 0);
    ASSERT_EQ(rebuild_level(session), reload_outcome::replaced);
    ASSERT_TRUE(go_on_after_reload(*play, bmp, reload_outcome::replaced));
    EXPECT_EQ(play->now.girl.getx(), START_X - 32) << "inside a wall: afresh at the start";
    EXPECT_EQ(getpixel(bmp, START_X - play->now.xoff, 100), FLOOR_COLOUR) << "shown at once";

    // A map that loads but cannot be played is refused, and play goes on in the one before.
    map.extra_chunks = {start_chunk({START_X, START_Y}, map.lsb)};
    ASSERT_EQ(MapSave("level.fmp", map), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(rebuild_level(session), reload_outcome::refused);
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find("a solid block fills the girl's start position"), std::string::npos)
        << told;
    EXPECT_TRUE(have_notes()) << "and in the picture";
    ASSERT_TRUE(go_on_after_reload(*play, bmp, reload_outcome::refused));
    EXPECT_EQ(play->now.girl.getx(), START_X - 32);
    pass(1);
    EXPECT_EQ(play->now.result, level_playing) << "the map she plays is there";
    EXPECT_EQ(play->now.girl.gety(), START_Y) << "on its floor";
    forget_notes();
}

// The watch takes a change once the files have stayed as they are for a while, and a write
// made while the level was being built is a change still to come.
TEST(FileWatchTest, AChangeCountsOnceQuietAndAWriteDuringTheBuildAfterIt)
{
    testfiles::CurrentFolder here;
    ASSERT_TRUE(testfiles::write_file("a.tmx", std::string("first")));
    file_watch watch;
    watch.watch({"a.tmx", "tiles.png"});
    const file_watch::clock::time_point t0{};
    const auto at = [t0](int ms) {
        return t0 + std::chrono::hours(1) + std::chrono::milliseconds(ms);
    };
    EXPECT_FALSE(watch.settled_change(at(0)));
    ASSERT_TRUE(testfiles::write_file("a.tmx", std::string("second, longer")));
    EXPECT_FALSE(watch.settled_change(at(100))) << "just changed";
    EXPECT_FALSE(watch.settled_change(at(150))) << "looked at too soon";
    EXPECT_FALSE(watch.settled_change(at(300))) << "not quiet long enough";
    EXPECT_TRUE(watch.settled_change(at(400)));
    EXPECT_FALSE(watch.settled_change(at(800))) << "taken once";

    ASSERT_TRUE(testfiles::write_file("tiles.png", std::string("a new tileset image")));
    EXPECT_FALSE(watch.settled_change(at(900)));
    EXPECT_TRUE(watch.settled_change(at(1300))) << "a file that appears";
    ASSERT_TRUE(testfiles::write_file("a.tmx", std::string("third")));
    watch.watch({"a.tmx", "tiles.png"}); // the build ends after the write
    EXPECT_TRUE(watch.settled_change(file_watch::clock::now() + std::chrono::seconds(1)));
}

// A save that names a tileset not written yet is refused, and writing the tileset reloads.
TEST(FileWatchTest, AFileARefusedBuildNamedIsWatchedToo)
{
    testfiles::CurrentFolder here;
    ASSERT_TRUE(testfiles::write_file(
        "a.tmx", std::string("<map width=\"1\" height=\"1\" tilewidth=\"16\" tileheight=\"16\">"
                             "<tileset firstgid=\"1\" source=\"more.tsx\"/></map>")));
    game_session session;
    session.lvl.file = "a.tmx";
    session.lvl.sources = {"a.tmx"};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(rebuild_level(session), reload_outcome::refused);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("more.tsx"), std::string::npos);
    forget_notes();
    ASSERT_TRUE(testfiles::write_file("more.tsx", std::string("the tileset, at last")));
    const auto later = file_watch::clock::now() + std::chrono::seconds(1);
    EXPECT_FALSE(session.watch.settled_change(later)) << "just written";
    EXPECT_TRUE(session.watch.settled_change(later + std::chrono::seconds(1)));
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
    level_play next_attempt{session};
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

    EXPECT_EQ(play->now.result, level_playing) << "play went on after the failures";
    const std::string told = "cannot write the screenshot \"s0000.bmp\"";
    const std::size_t first = errors.find(told);
    ASSERT_NE(first, std::string::npos) << errors;
    EXPECT_NE(errors.find(told, first + 1), std::string::npos) << "the number is kept: " << errors;
    EXPECT_EQ(errors.find("s0001.bmp"), std::string::npos) << errors;
    EXPECT_EQ(screenshot_names(gone), std::vector<std::string>{"s0000.bmp"});
    EXPECT_TRUE(have_notes()) << "the failure is named in the picture too";
    EXPECT_NE(getpixel(screen, 6, 232), getpixel(bmp, 6, 232)) << "over it, not in it";
    forget_notes();
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

} // namespace
