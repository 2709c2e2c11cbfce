// The girl's pictures: which entry of the picture table shows her in each status and frame of
// her animation, and where it sits around her feet.
#ifndef GIRLANIM_H
#define GIRLANIM_H

#include <allegro.h>

// Entries of the girl's picture table (`girl` of the graphics datafile).
enum girl_picture {
    picture_walk_first = 0, // four walking pictures from here
    picture_stand = 1,
    picture_run_first = 4, // four running pictures from here
    picture_jump = 8,
    picture_fall_slow = 9,
    picture_fall = 10,
    picture_fall_fast = 11,
    picture_hang = 12,
    picture_pull_up = 13,
    picture_pull_up_late = 14,
    picture_climb = 15,
};

// The picture that shows her in an animation (her status) and frame with her feet-centre point
// at (x, y), and where its top-left corner goes; speed (her vertical velocity) picks the
// falling picture, and climbing decides the mirroring itself.
struct girl_picture_choice {
    int picture; // entry of the picture table
    int x, y;    // its top-left corner
    bool flip;   // drawn mirrored
};
girl_picture_choice choose_picture(int x, int y, int anim, long frame, bool flip, fix speed);

// Draw that picture into bmp.
void draw_anim(BITMAP *bmp, int x, int y, int anim, long frame, bool flip, fix speed);

#endif
