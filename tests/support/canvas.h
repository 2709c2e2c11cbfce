// Drawing targets for tests: a bitmap that shows which pixels a call changed, and the map
// position and window of a drawing call, named after the case.
#ifndef TESTS_CANVAS_H
#define TESTS_CANVAS_H

#include <allegro.h>

#include <ostream>

constexpr int UNTOUCHED = 255; // canvas colour that no test graphic uses

// A bitmap filled with UNTOUCHED, in the screen's colour depth unless told otherwise.
class Canvas {
public:
    explicit Canvas(int width = 320, int height = 240, int depth = 0);
    ~Canvas();
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    BITMAP *get() const { return bmp_; }
    operator BITMAP *() const { return bmp_; }
    int at(int x, int y) const { return getpixel(bmp_, x, y); }

    // Number of pixels outside the rectangle (x, y, w, h) that are no longer UNTOUCHED.
    int changed_outside(int x, int y, int w, int h) const;

private:
    BITMAP *bmp_;
};

// Map position (mapx, mapy) drawn into the window (wx, wy, ww, wh).
struct Placement {
    const char *name;
    int mapx, mapy, wx, wy, ww, wh;
};

inline void PrintTo(const Placement &p, std::ostream *os) { *os << p.name; }

#endif
