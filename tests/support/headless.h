// Allegro without a display for tests: a memory bitmap stands in for the screen.
#ifndef TESTS_HEADLESS_H
#define TESTS_HEADLESS_H

#include <allegro.h>
#include <gtest/gtest.h>

namespace headless {

// Install Allegro with no system driver, once per process.
void install();
// Where true colours keep their components: real X11 displays put red in the high bits,
// Allegro without a display driver puts blue there.
enum class ColourLayout { RED_HIGH, BLUE_HIGH };
void use_colour_layout(ColourLayout layout);
// Select colour depth `depth` and make a w x h memory bitmap the library's screen. Deeper
// colours use the red-high layout of real displays.
void make_screen(int depth, int w = 320, int h = 240);
// Destroy the stand-in screen; loads then fail for want of a screen.
void drop_screen();

} // namespace headless

// Fixture: an 8-bit stand-in screen for every test; releases the map afterwards.
class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// The same for tests run once per colour depth: GetParam() is the screen depth.
class HeadlessDepthTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override;
    void TearDown() override;
};

#endif
