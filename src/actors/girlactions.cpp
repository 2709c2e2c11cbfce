// The girl's actions, one per kind of motion: each may enter its status, advances its counters
// and sets her velocity; the state machine moves her by that velocity afterwards.
#include "girlchar.h"

#include "tilegrid.h"

namespace {

// Ground and ice steps: friction is one step per tick, acceleration two.
const fix GROUND_STEP = fix(0.25f);
const fix ICE_STEP = fix(0.05f);
constexpr int STEPS_PER_ACCELERATION = 2;

const fix WALK_SPEED = fix(1);
const fix RUN_SPEED = fix(3);

const fix GRAVITY = fix(1);
// Gravity early in a jump while the jump control is held: the longer the hold, the higher.
const fix HELD_JUMP_GRAVITY = fix(0.25);
const fix FALL_SPEED_LIMIT = fix(6);
const fix JUMP_IMPULSE = fix(-6.0);
const fix JUMP_IMPULSE_LIMIT = fix(6);
constexpr int JUMP_BOOST_TICKS = 20;

const fix AIR_ACCELERATION = fix(0.25);
const fix AIR_WALK_LIMIT = fix(1);
const fix AIR_RUN_LIMIT = fix(3);

constexpr int HANG_TICKS = 10;
// Hanging holds the ledge's top edge this many rows above her feet.
constexpr int HANG_LEDGE_HEIGHT = 10;
constexpr int PULL_UP_TICKS = 5;
// The pull-up puts her feet on the row just above the ledge's top edge.
constexpr int PULL_UP_RISE = HANG_LEDGE_HEIGHT + 1;

const fix CLIMB_SPEED = fix(1);

} // namespace

void girl_character::a_walk(bool left, bool start)
{
    const fix friction = on_ice() ? ICE_STEP : GROUND_STEP;
    const fix acceleration = friction * STEPS_PER_ACCELERATION;
    if (start)
        set_status(status_walk);
    else
        frame = (frame + 1) % WALK_FRAMES;
    // Faster than walking pace (after a run) she only slows down, by friction.
    if (left) {
        if (xv < -WALK_SPEED)
            sub_xv(friction);
        if (xv > -WALK_SPEED)
            add_xv(-acceleration, WALK_SPEED);
    } else {
        if (xv > WALK_SPEED)
            sub_xv(friction);
        if (xv < WALK_SPEED)
            add_xv(acceleration, WALK_SPEED);
    }
    add_slope();
    facing_left = left;
}

void girl_character::a_run(bool left, bool start)
{
    const fix acceleration = (on_ice() ? ICE_STEP : GROUND_STEP) * STEPS_PER_ACCELERATION;
    if (start)
        set_status(status_run);
    else
        frame = (frame + 1) % RUN_FRAMES;
    add_xv(left ? -acceleration : acceleration, RUN_SPEED);
    add_slope();
    facing_left = left;
}

void girl_character::a_stand(bool start)
{
    // Asked before the status changes: a girl arriving from the air brakes as on ice.
    const fix friction = on_ice() ? ICE_STEP : GROUND_STEP;
    if (start)
        set_status(status_stand);
    sub_xv(friction);
    add_slope();
    yv = 0;
}

void girl_character::a_fall(bool start, bool running)
{
    if (start)
        set_status(running ? status_run_fall : status_fall);
    add_yv(GRAVITY, FALL_SPEED_LIMIT);
}

void girl_character::a_jump(bool start, bool held, bool running)
{
    if (start) {
        set_status(running ? status_run_jump : status_jump);
        timer = JUMP_BOOST_TICKS;
        add_yv(JUMP_IMPULSE, JUMP_IMPULSE_LIMIT);
    } else if (timer > 0 && held) {
        add_yv(HELD_JUMP_GRAVITY, FALL_SPEED_LIMIT);
    } else {
        add_yv(GRAVITY, FALL_SPEED_LIMIT);
    }
    if (timer > 0)
        --timer;
}

void girl_character::a_air_control(bool left, bool right, bool running)
{
    const fix limit = running ? AIR_RUN_LIMIT : AIR_WALK_LIMIT;
    if (left) {
        add_xv(-AIR_ACCELERATION, limit);
        facing_left = true;
    } else if (right) {
        add_xv(AIR_ACCELERATION, limit);
        facing_left = false;
    }
}

void girl_character::a_hang(bool, bool start)
{
    if (start) {
        set_status(status_hang);
        timer = HANG_TICKS;
        xv = 0;
        yv = 0;
        // can_grab found the ledge's top edge in the block row below the one 16 rows up.
        const int ledge_top = top_of_block_row(block_row(gety() - TILE_SIZE) + 1);
        sety(ledge_top + HANG_LEDGE_HEIGHT);
    } else if (timer > 0) {
        --timer;
    } else {
        a_fall(true, false);
    }
}

void girl_character::a_hang_climb(bool left, bool start)
{
    if (!start) {
        if (timer > 0) {
            --timer;
            ++frame;
        } else {
            a_stand(true);
        }
        return;
    }
    const int ny = gety() - PULL_UP_RISE;
    const int nx = left ? getx() - half_width - 1 : getx() + half_width + 1;
    if (check_vert(nx, ny, left ? moving_left : moving_right)) {
        // No room on the ledge: the hang has run out, so she lets go.
        a_hang(left, false);
        return;
    }
    set_status(status_hang_climb);
    timer = PULL_UP_TICKS;
    setx(nx);
    sety(ny);
}

void girl_character::a_climb(int dir, bool start)
{
    if (start) {
        set_status(status_climb);
        xv = 0;
    }
    switch (dir) {
    case dir_none:
        xv = 0;
        yv = 0;
        return;
    case dir_up:
        xv = 0;
        yv = -CLIMB_SPEED;
        break;
    case dir_down:
        xv = 0;
        yv = CLIMB_SPEED;
        break;
    case dir_left:
        xv = -CLIMB_SPEED;
        yv = 0;
        break;
    case dir_right:
        xv = CLIMB_SPEED;
        yv = 0;
        break;
    default:
        return;
    }
    frame = (frame + 1) % CLIMB_FRAMES;
}
