// The girl's pictures chosen by her status, animation frame, facing and falling speed.
#include "girlanim.h"

#include "girlchar.h"
#include "graphic.h"

namespace {

// The walking and running cycles show four pictures each, for an equal share of their frames.
constexpr int CYCLE_PICTURES = 4;
constexpr long WALK_FRAMES_PER_PICTURE = WALK_FRAMES / CYCLE_PICTURES;
constexpr long RUN_FRAMES_PER_PICTURE = RUN_FRAMES / CYCLE_PICTURES;
constexpr long PULL_UP_LATE_FROM = 4;  // pull-up frames from this one show the later picture
constexpr long CLIMB_MIRRORED_FROM = CLIMB_FRAMES / 2; // the second half of a climbing step
// Falling speeds, pixels per tick, above which the faster falling pictures show.
constexpr int FALL_FAST_SPEED = 4;
constexpr int FALL_SPEED = 2;

// The picture's top-left corner lies this far left of and above her feet-centre point.
constexpr int SPRITE_LEFT = 16;
constexpr int SPRITE_UP = 31;
// Pulling up, the picture sits lower and leans toward the ledge.
constexpr int PULL_UP_DOWN = 11;
constexpr int PULL_UP_SIDE = 5;

// A cycle's picture; a frame outside the cycle, which the girl never produces, shows her
// standing rather than reading past the table.
int cycle_picture(int first, long frame, long cycle, long frames_per_picture)
{
    if (frame < 0 || frame >= cycle)
        return picture_stand;
    return first + static_cast<int>(frame / frames_per_picture);
}

int fall_picture(fix speed)
{
    if (speed > FALL_FAST_SPEED)
        return picture_fall_fast;
    if (speed > FALL_SPEED)
        return picture_fall;
    return picture_fall_slow;
}

} // namespace

girl_picture_choice choose_picture(int x, int y, int anim, long frame, bool flip, fix speed)
{
    girl_picture_choice c{picture_stand, x - SPRITE_LEFT, y - SPRITE_UP, flip};
    switch (anim) {
    case status_walk:
        c.picture = cycle_picture(picture_walk_first, frame, WALK_FRAMES, WALK_FRAMES_PER_PICTURE);
        break;
    case status_run:
        c.picture = cycle_picture(picture_run_first, frame, RUN_FRAMES, RUN_FRAMES_PER_PICTURE);
        break;
    case status_jump:
    case status_run_jump:
        c.picture = picture_jump;
        break;
    case status_fall:
    case status_run_fall:
        c.picture = fall_picture(speed);
        break;
    case status_hang:
        c.picture = picture_hang;
        break;
    case status_hang_climb:
        c.picture = frame >= PULL_UP_LATE_FROM ? picture_pull_up_late : picture_pull_up;
        c.y += PULL_UP_DOWN;
        c.x += flip ? PULL_UP_SIDE : -PULL_UP_SIDE;
        break;
    case status_climb:
        c.picture = picture_climb;
        c.flip = frame >= CLIMB_MIRRORED_FROM;
        break;
    default:
        break;
    }
    return c;
}

void draw_anim(BITMAP *bmp, int x, int y, int anim, long frame, bool flip, fix speed)
{
    const girl_picture_choice c = choose_picture(x, y, anim, frame, flip, speed);
    draw_picture(bmp, girl[c.picture], c.x, c.y, c.flip);
}
