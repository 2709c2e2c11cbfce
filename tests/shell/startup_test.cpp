// Start-up problems: the screen falls back from full screen to a window, and every message a
// person gets names what is wrong.
#include "headless.h"
#include "maplib.h"
#include "report.h"
#include "screenmode.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct mode_request {
    int card, w, h;
};

std::vector<mode_request> requests;
std::set<int> working_cards;

// Stands in for set_gfx_mode: only the cards in working_cards succeed.
int fake_set_mode(int card, int w, int h, int, int)
{
    requests.push_back({card, w, h});
    if (working_cards.count(card))
        return 0;
    ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE,
             card == GFX_AUTODETECT_FULLSCREEN ? "no full screen modes" : "no windows here");
    return -1;
}

class ScreenModeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless::install();
        requests.clear();
        working_cards.clear();
    }
};

TEST_F(ScreenModeTest, FullScreenIsTriedFirst)
{
    working_cards = {GFX_AUTODETECT_FULLSCREEN, GFX_AUTODETECT_WINDOWED};
    EXPECT_TRUE(open_game_screen(fake_set_mode));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].card, GFX_AUTODETECT_FULLSCREEN);
    EXPECT_EQ(requests[0].w, 320);
    EXPECT_EQ(requests[0].h, 240);
}

TEST_F(ScreenModeTest, AWindowServesWhenFullScreenFails)
{
    working_cards = {GFX_AUTODETECT_WINDOWED};
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(open_game_screen(fake_set_mode));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].card, GFX_AUTODETECT_WINDOWED);
    EXPECT_EQ(requests[1].w, 320);
    EXPECT_EQ(requests[1].h, 240);
}

TEST_F(ScreenModeTest, NoScreenAtAllIsReportedWithBothReasons)
{
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(open_game_screen(fake_set_mode));
    const std::string errors = ::testing::internal::GetCapturedStderr();
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(requests.size(), 2u);
    EXPECT_NE(errors.find("no full screen modes"), std::string::npos) << errors;
    EXPECT_NE(errors.find("no windows here"), std::string::npos) << errors;
}

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

TEST_F(ReportTest, AMissingDatafileIsNamed)
{
    const told t = capture([] { report_no_graphics("gfx.dat"); });
    EXPECT_NE(t.errors.find("\"gfx.dat\""), std::string::npos) << t.errors;
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
    const told t = capture([] { report_no_graphics("gfx.dat"); });
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
