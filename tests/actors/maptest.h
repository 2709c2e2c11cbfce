// Fixture for the actor tests: the stand-in screen and a map loaded from a text picture; the
// girl placed on it.
#ifndef TESTS_MAPTEST_H
#define TESTS_MAPTEST_H

#include "girlchar.h"
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

// The girl with her feet-centre point at (x, y), in a status.
inline girl_character girl_at(int x, int y, int status = status_stand)
{
    girl_character g;
    g.setx(x);
    g.sety(y);
    g.status = status;
    return g;
}

// Raw 16.16 value of a number of pixels (per tick).
inline fixed raw(double pixels)
{
    return ftofix(pixels);
}

#endif
