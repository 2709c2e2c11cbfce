// Base class of everything that moves through the tile map: fixed-point position and velocity,
// clamped acceleration and friction, and movement that stops at walls, floors and ceilings.
#ifndef GAMECHAR_H
#define GAMECHAR_H

#include <allegro.h>

// check_under's mode: the head row against ceilings, or the row below the feet against floors.
enum : int { check_ceiling = 0, check_floor = 2 };
// check_vert's direction of motion; it decides which slope counts as uphill.
enum : int { moving_right = 1, moving_left = 3 };

class game_character {
public:
    game_character();
    ~game_character();

    // One tick of the character's own logic, and drawing at the camera offsets.
    virtual void move();
    virtual void draw(BITMAP *bmp, int xoff, int yoff);

    // Position in whole pixels, rounded to the nearest pixel (halves upward).
    int getx() const;
    int gety() const;
    void setx(int px);
    void sety(int py);
    fix getxv() const;

    // Add amount to the velocity; a push beyond limit in its own direction stops at limit.
    void add_xv(fix amount, fix limit);
    void add_yv(fix amount, fix limit);
    // Slow the horizontal velocity toward rest by amount, never reversing it.
    void sub_xv(fix amount);

    // Collision tests: is row y blocked across the body centred on column x (mode 0: ceiling,
    // otherwise floor)? Is there nothing to stand on in row y? Is column x blocked from the
    // head to the feet at y (direction 1 right, 3 left)?
    bool check_under(int px, int py, int mode, bool pass_platforms);
    bool check_under_ex(int py, bool pass_platforms);
    bool check_vert(int px, int py, int direction);

    // Move by the velocity for one tick, resolving contact with the map. The first three
    // return true when nothing stopped the move.
    bool move_left();
    bool move_right();
    bool move_up();
    bool move_down(bool pass_platforms);

    fix x, y;        // centre column and feet row, pixels
    int half_width;  // body columns x - half_width .. x + half_width
    int height;      // body rows y - height .. y
    fix xv, yv;      // pixels per tick
};

#endif
