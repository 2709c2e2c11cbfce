// Start-up: the screen modes tried for each desktop and command line, Alt+Enter, and every
// message a person gets naming what is wrong.
#include "display.h"
#include "headless.h"
#include "maplib.h"
#include "report.h"
#include "screenmode.h"
#include "windowevents.h"

#include <gtest/gtest.h>

#include <array>
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

// The modes as "full WxH" and "window WxH", in order.
std::string described(const std::vector<screen_mode> &modes)
{
    std::string out;
    for (const screen_mode &m : modes)
        out += (m.full_screen ? " full " : " window ") + std::to_string(m.w) + "x" +
               std::to_string(m.h);
    return out;
}

TEST(ScreenLayout, TheLargestWholeFactorCentredAndWindowsWithRoomForPanels)
{
    struct {
        int desktop_w, desktop_h;
        std::array<int, 3> scale_x_y; // of the picture on a full screen of the desktop's size
        const char *modes;            // tried in this order without options
    } const cases[] = {
        {320, 240, {1, 0, 0}, " full 320x240 window 320x240"},
        {1366, 768, {3, 203, 24}, " full 1366x768 window 640x480 window 320x240"},
        {2560, 1440, {6, 320, 0}, " full 2560x1440 window 1600x1200 window 320x240"},
        {3840, 2160, {9, 480, 0}, " full 3840x2160 window 2560x1920 window 320x240"},
        // Too small for the picture: the display is asked for the picture's own size.
        {256, 192, {1, -32, -24}, " full 320x240 window 320x240"},
    };
    for (const auto &c : cases) {
        const picture_layout at = layout_for(c.desktop_w, c.desktop_h);
        EXPECT_EQ((std::array<int, 3>{at.scale, at.x, at.y}), c.scale_x_y) << c.desktop_w;
        EXPECT_EQ(described(modes_to_try({}, c.desktop_w, c.desktop_h)), c.modes);
    }
}

struct mode_request {
    int card, w, h;
};

std::vector<mode_request> requests;
std::set<int> working_cards;

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

// A desktop of 1920 x 1080.
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
        requests.clear();
        working_cards = {GFX_AUTODETECT_FULLSCREEN, GFX_AUTODETECT_WINDOWED};
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

TEST_F(ScreenModeTest, EveryModeTriedWithItsReasonNamedAndTheOptionsToldWhatTheyDoNotGet)
{
    std::string said;
    working_cards = {};
    EXPECT_FALSE(open({}, said));
    EXPECT_EQ(requests.size(), 3u);
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

TEST_F(ScreenModeTest, AltEnterSwitchesOncePerPressShowingThePictureAndAFailedSwitchKeepsTheMode)
{
    std::string said;
    ASSERT_TRUE(open({}, said));
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
    EXPECT_FALSE(in_full_screen());
    EXPECT_EQ(screen->w, 1280);
    EXPECT_EQ(getpixel(screen, 1279, 959), 9) << "the picture is shown again";

    requests.clear();
    working_cards = {GFX_AUTODETECT_WINDOWED};
    press_alt_enter();
    ASSERT_EQ(requests.size(), 2u);
    expect_request(0, GFX_AUTODETECT_FULLSCREEN, 1920, 1080);
    expect_request(1, GFX_AUTODETECT_WINDOWED, 1280, 960);
    EXPECT_FALSE(in_full_screen());
    EXPECT_EQ(getpixel(screen, 1279, 959), 9);
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
