// Start-up: the screen modes tried for each command line, Alt+Enter, and every message a
// person gets naming what is wrong.
#include "display.h"
#include "headless.h"
#include "maplib.h"
#include "report.h"
#include "screenmode.h"
#include "windowevents.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <sstream>
#include <string>

namespace {

// What a fatal report writes on standard error, and what reaches the message box (which
// prints to standard output when there is no display).
struct told {
    std::string errors, box;
};

template <typename Report>
told capture(Report report)
{
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    report();
    told t;
    t.errors = ::testing::internal::GetCapturedStderr();
    t.box = ::testing::internal::GetCapturedStdout();
    return t;
}

// Screen modes: a desktop of 1920 x 1080 where only the cards in working_cards work.

int requests = 0;
std::set<int> working_cards;

// Stands in for set_gfx_mode: only the cards in working_cards succeed, and they make a
// cleared stand-in screen of the size asked.
int fake_set_mode(int card, int w, int h, int, int)
{
    ++requests;
    if (!working_cards.count(card)) {
        ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE,
                 card == GFX_AUTODETECT_FULLSCREEN ? "no full screen modes" : "no windows here");
        return -1;
    }
    headless::make_screen(get_color_depth(), w, h);
    clear_bitmap(screen);
    return 0;
}

int fake_desktop(int *w, int *h)
{
    *w = 1920;
    *h = 1080;
    return 0;
}

constexpr screen_system FAKE_DISPLAY = {fake_set_mode, fake_desktop};

class ScreenModeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless::install();
        requests = 0;
        working_cards = {GFX_AUTODETECT_FULLSCREEN, GFX_AUTODETECT_WINDOWED};
    }
    void TearDown() override
    {
        key[KEY_ALT] = key[KEY_ENTER] = 0;
        forget_window_events();
        release_display();
        headless::drop_screen();
    }

    // What opening the screen with the options says; `opened` tells whether it did.
    std::string open(const game_options &options)
    {
        return capture([&] { opened = open_game_screen(options, FAKE_DISPLAY); }).errors;
    }

    bool opened = false;
};

TEST_F(ScreenModeTest, EveryModeTriedWithItsReasonNamedAndTheOptionsToldWhatTheyDoNotGet)
{
    working_cards = {};
    std::string said = open({});
    EXPECT_FALSE(opened);
    EXPECT_EQ(requests, 3);
    for (const char *named : {"full screen 1920 x 1080: no full screen modes",
                              "window 1280 x 960: no windows here", "window 320 x 240"})
        EXPECT_NE(said.find(named), std::string::npos) << said;

    working_cards = {GFX_AUTODETECT_WINDOWED};
    EXPECT_EQ(open({}), "") << "without --fullscreen the window serves silently";
    game_options options;
    options.start = screen_start::full_screen;
    said = open(options);
    EXPECT_TRUE(opened);
    EXPECT_NE(said.find("cannot play full screen (full screen 1920 x 1080: no full screen "
                        "modes); playing in a window"),
              std::string::npos) << said;
    EXPECT_EQ(screen->w, 1280);

    requests = 0;
    options.start = screen_start::scaled;
    options.scale = 9;
    said = open(options);
    EXPECT_TRUE(opened);
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(screen->w, 1280);
    EXPECT_NE(said.find("9 times 320 x 240 does not fit the desktop of 1920 x 1080; the window "
                        "is 4 times"),
              std::string::npos) << said;
}

TEST_F(ScreenModeTest, AltEnterSwitchesOncePerPressShowingThePictureAndAFailedSwitchKeepsTheMode)
{
    open({});
    ASSERT_TRUE(opened);
    BITMAP *picture = create_bitmap(320, 240);
    clear_to_color(picture, 9);
    present(picture);

    const auto press_alt_enter = [] {
        key[KEY_ALT] = key[KEY_ENTER] = 1;
        follow_screen_keys();
        follow_screen_keys(); // held: one switch per press
        key[KEY_ALT] = key[KEY_ENTER] = 0;
        follow_screen_keys();
    };
    press_alt_enter();
    EXPECT_EQ(screen->w, 1280) << "a window";
    EXPECT_EQ(getpixel(screen, 1279, 959), 9) << "the picture is shown again";

    requests = 0;
    working_cards = {GFX_AUTODETECT_WINDOWED};
    press_alt_enter();
    EXPECT_EQ(requests, 2) << "full screen, then the window again";
    EXPECT_EQ(screen->w, 1280);
    EXPECT_EQ(getpixel(screen, 1279, 959), 9);
    destroy_bitmap(picture);
}

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override { headless::install(); }
};

TEST_F(ReportTest, AMissingMapIsNamedWithTheReason)
{
    const told t = capture([] { report_no_map("jump.fmp", "the file cannot be opened"); });
    EXPECT_NE(t.errors.find("cannot load the map \"jump.fmp\": the file cannot be opened"),
              std::string::npos)
        << t.errors;
}

TEST_F(ReportTest, AMissingDatafileIsNamedWithTheFoldersLookedIn)
{
    const told t = capture([] { report_no_graphics("gfx.dat", "/opt/game/share/orvia"); });
    EXPECT_NE(t.errors.find("\"gfx.dat\""), std::string::npos) << t.errors;
    EXPECT_NE(t.errors.find("current folder, then in /opt/game/share/orvia"), std::string::npos)
        << t.errors;
}

TEST_F(ReportTest, AFailedScreenshotNamesTheFileAndTheReason)
{
    const told t = capture([] { report_screenshot_failed("s0003.bmp", ENOENT); });
    EXPECT_NE(t.errors.find("\"s0003.bmp\""), std::string::npos) << t.errors;
    EXPECT_NE(t.errors.find(std::strerror(ENOENT)), std::string::npos) << t.errors;
    EXPECT_EQ(t.box, "") << "play goes on without a message box";
}

TEST_F(ReportTest, ALibraryWithoutAReasonStillSaysWhatIsMissing)
{
    const told t = capture([] { report_no_library(""); });
    EXPECT_NE(t.errors.find("no display"), std::string::npos) << t.errors;
}

TEST_F(ReportTest, TheMessageBoxGetsTheWholeMessageInShortLines)
{
    const told t = capture([] { report_no_graphics("gfx.dat", "/usr/share/orvia"); });
    ASSERT_FALSE(t.box.empty());
    std::istringstream lines(t.box);
    std::string line, rejoined;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 60u) << line;
        if (!line.empty())
            rejoined += (rejoined.empty() ? "" : " ") + line;
    }
    EXPECT_NE(t.errors.find(rejoined), std::string::npos) << rejoined;
}

} // namespace
