// Start-up: the screen modes tried for each desktop and command line, Alt+Enter, and every
// message a person gets naming what is wrong.
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
#include <vector>

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

// Screen modes.

struct layout_case {
    int desktop_w, desktop_h;
    picture_layout full_screen; // the picture on a full screen of the desktop's size
    int window_scale;
    std::vector<screen_mode> modes; // tried in this order without options
};

TEST(ScreenLayout, TheLargestWholeFactorCentredAndWindowsWithRoomForPanels)
{
    const layout_case cases[] = {
        {320, 240, {1, 0, 0}, 1, {{true, 320, 240}, {false, 320, 240}}},
        {1366, 768, {3, 203, 24}, 2, {{true, 1366, 768}, {false, 640, 480}, {false, 320, 240}}},
        {1920, 1080, {4, 320, 60}, 4,
         {{true, 1920, 1080}, {false, 1280, 960}, {false, 320, 240}}},
        {2560, 1440, {6, 320, 0}, 5,
         {{true, 2560, 1440}, {false, 1600, 1200}, {false, 320, 240}}},
        {3840, 2160, {9, 480, 0}, 8,
         {{true, 3840, 2160}, {false, 2560, 1920}, {false, 320, 240}}},
        // Too small for the picture: the display is asked for the picture's own size.
        {256, 192, {1, -32, -24}, 1, {{true, 320, 240}, {false, 320, 240}}},
    };
    for (const layout_case &c : cases) {
        const picture_layout at = layout_for(c.desktop_w, c.desktop_h);
        EXPECT_EQ(at.scale, c.full_screen.scale) << c.desktop_w;
        EXPECT_EQ(at.x, c.full_screen.x) << c.desktop_w;
        EXPECT_EQ(at.y, c.full_screen.y) << c.desktop_w;
        EXPECT_EQ(window_scale_for(c.desktop_w, c.desktop_h), c.window_scale) << c.desktop_w;
        const std::vector<screen_mode> modes = modes_to_try({}, c.desktop_w, c.desktop_h);
        ASSERT_EQ(modes.size(), c.modes.size()) << c.desktop_w;
        for (std::size_t i = 0; i < modes.size(); ++i) {
            EXPECT_EQ(modes[i].full_screen, c.modes[i].full_screen) << c.desktop_w << " " << i;
            EXPECT_EQ(modes[i].w, c.modes[i].w) << c.desktop_w << " " << i;
            EXPECT_EQ(modes[i].h, c.modes[i].h) << c.desktop_w << " " << i;
        }
    }
}

struct mode_request {
    int card, w, h;
};

std::vector<mode_request> requests;
std::set<int> working_cards;
int desktop_w = 1920, desktop_h = 1080;

// Stands in for set_gfx_mode: only the cards in working_cards succeed, and they make a
// cleared stand-in screen of the size asked.
int fake_set_mode(int card, int w, int h, int, int)
{
    requests.push_back({card, w, h});
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
    *w = desktop_w;
    *h = desktop_h;
    return 0;
}

constexpr screen_system FAKE_DISPLAY = {fake_set_mode, fake_desktop};

class ScreenModeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless::install();
        requests.clear();
        working_cards = {GFX_AUTODETECT_FULLSCREEN, GFX_AUTODETECT_WINDOWED};
        desktop_w = 1920;
        desktop_h = 1080;
    }
    void TearDown() override
    {
        key[KEY_ALT] = key[KEY_ENTER] = 0;
        forget_window_events();
        release_display();
        headless::drop_screen();
    }

    // Opens the screen with the options, capturing what is said.
    bool open(const game_options &options, std::string &said)
    {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const bool opened = open_game_screen(options, FAKE_DISPLAY);
        said = ::testing::internal::GetCapturedStderr();
        ::testing::internal::GetCapturedStdout();
        return opened;
    }

    void expect_request(std::size_t i, int card, int w, int h)
    {
        ASSERT_LT(i, requests.size());
        EXPECT_EQ(requests[i].card, card) << i;
        EXPECT_EQ(requests[i].w, w) << i;
        EXPECT_EQ(requests[i].h, h) << i;
    }
};

TEST_F(ScreenModeTest, EveryModeInOrderEachReasonNamedAndTheOptionsToldWhatTheyDoNotGet)
{
    std::string said;
    working_cards = {};
    EXPECT_FALSE(open({}, said));
    ASSERT_EQ(requests.size(), 3u);
    expect_request(0, GFX_AUTODETECT_FULLSCREEN, 1920, 1080);
    expect_request(1, GFX_AUTODETECT_WINDOWED, 1280, 960);
    expect_request(2, GFX_AUTODETECT_WINDOWED, 320, 240);
    for (const char *named : {"full screen 1920 x 1080: no full screen modes",
                              "window 1280 x 960: no windows here", "window 320 x 240"})
        EXPECT_NE(said.find(named), std::string::npos) << said;

    requests.clear();
    working_cards = {GFX_AUTODETECT_WINDOWED};
    game_options options;
    options.start = screen_start::full_screen;
    EXPECT_TRUE(open(options, said));
    EXPECT_NE(said.find("cannot play full screen (full screen 1920 x 1080: no full screen "
                        "modes); playing in a window"),
              std::string::npos) << said;
    EXPECT_EQ(screen->w, 1280);

    requests.clear();
    options.start = screen_start::scaled;
    options.scale = 9;
    EXPECT_TRUE(open(options, said));
    expect_request(0, GFX_AUTODETECT_WINDOWED, 1280, 960);
    EXPECT_NE(said.find("9 times 320 x 240 does not fit the desktop of 1920 x 1080; the window "
                        "is 4 times"),
              std::string::npos) << said;
}

TEST_F(ScreenModeTest, AltEnterSwitchesKeepingPictureAndPaletteAndAFailedSwitchKeepsTheMode)
{
    std::string said;
    ASSERT_TRUE(open({}, said));
    BITMAP *picture = create_bitmap(320, 240);
    clear_to_color(picture, 9);
    PALETTE palette;
    for (int i = 0; i < PAL_SIZE; ++i)
        palette[i] = {static_cast<unsigned char>(i % 64), 0, 0, 0};
    set_palette(palette);
    present(picture);

    const auto press_alt_enter = [] {
        key[KEY_ALT] = key[KEY_ENTER] = 1;
        follow_screen_keys();
        follow_screen_keys(); // held: one switch per press
        key[KEY_ALT] = key[KEY_ENTER] = 0;
        follow_screen_keys();
    };
    press_alt_enter();
    EXPECT_FALSE(in_full_screen());
    EXPECT_EQ(screen->w, 1280);
    EXPECT_EQ(getpixel(screen, 1279, 959), 9) << "the picture is shown again";
    PALETTE now;
    get_palette(now);
    EXPECT_EQ(now[40].r, 40) << "the palette is selected again";

    press_alt_enter();
    EXPECT_TRUE(in_full_screen());
    EXPECT_EQ(screen->w, 1920);
    EXPECT_EQ(getpixel(screen, 320, 60), 9);
    EXPECT_EQ(getpixel(screen, 319, 60), 0) << "black around the picture";

    requests.clear();
    working_cards = {GFX_AUTODETECT_FULLSCREEN};
    press_alt_enter();
    ASSERT_EQ(requests.size(), 2u);
    expect_request(0, GFX_AUTODETECT_WINDOWED, 1280, 960);
    expect_request(1, GFX_AUTODETECT_FULLSCREEN, 1920, 1080);
    EXPECT_TRUE(in_full_screen());
    EXPECT_EQ(getpixel(screen, 1599, 1019), 9);
    destroy_bitmap(picture);
}

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override { headless::install(); }
};

TEST_F(ReportTest, AMissingMapIsNamedWithTheLoadersReason)
{
    const told t = capture([] { report_no_map("jump.fmp", MER_NOOPEN); });
    EXPECT_NE(t.errors.find("\"jump.fmp\""), std::string::npos) << t.errors;
    EXPECT_NE(t.errors.find("the file cannot be opened"), std::string::npos) << t.errors;
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
