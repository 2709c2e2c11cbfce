// Fixture for the actor tests: the stand-in screen and a map loaded from a text picture.
#ifndef TESTS_MAPTEST_H
#define TESTS_MAPTEST_H

#include "headless.h"
#include "playerharness.h"

#include <string>
#include <vector>

class ActorMapTest : public HeadlessTest {
protected:
    void load(const std::vector<std::string> &rows)
    {
        ASSERT_EQ(harness::load_picture(rows), 0) << "maperror " << maperror;
    }
};

// Raw 16.16 value of a number of pixels (per tick).
inline fixed raw(double pixels)
{
    return ftofix(pixels);
}

#endif
