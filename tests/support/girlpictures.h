// The girl's picture table filled with small test pictures that tell apart which entry was
// drawn, where, and whether mirrored.
#ifndef TESTS_GIRLPICTURES_H
#define TESTS_GIRLPICTURES_H

#include "headless.h"

namespace girlpictures {

constexpr int WIDTH = 4, HEIGHT = 2;
// Entry k is filled with colour k + 1 but for its top-left pixel, colour MARKER + k.
constexpr int MARKER = 100;

} // namespace girlpictures

// Fixture: the 8-bit stand-in screen, the test pictures in the girl's table, and a 320 x 240
// target cleared to colour 0; the table is emptied afterwards.
class GirlPicturesTest : public HeadlessTest {
protected:
    void SetUp() override;
    void TearDown() override;

    BITMAP *target = nullptr;
};

#endif
