// The girl's per-tick state machine: the rule of her status picks an action, the velocity moves
// her through the map, and a contact check finds leaving the ground, a jump's top and landing.
#include "girlchar.h"

#include "tilegrid.h"

namespace {

// Ground that falls away by up to this many rows under her feet is stepped down onto (a
// slope, a low step) instead of being fallen from.
constexpr int STEP_DOWN_REACH = 8;

void stand_rule(girl_character &g)
{
    g.grab_ready = true;
    if (g.btn_up && g.can_climb(dir_up)) {
        g.a_climb(dir_up, true);
    } else if (g.btn_down && g.can_climb(dir_down)) {
        g.a_climb(dir_down, true);
    } else if (g.jump_held && g.btn_down) {
        g.a_fall(true, false); // drop through a platform
    } else if (g.jump_pending) {
        g.jump_pending = false;
        g.a_jump(true, true, g.btn_run);
    } else if (g.btn_left || g.btn_right) {
        const bool left = g.btn_left;
        if (g.btn_run)
            g.a_run(left, true);
        else
            g.a_walk(left, true);
    } else {
        g.a_stand(false);
    }
}

// Walking and running go on only in the facing direction; anything else stops her for a tick.
void walk_run_rule(girl_character &g)
{
    g.grab_ready = true;
    const bool ahead = g.facing_left ? g.btn_left : g.btn_right;
    if (g.jump_pending) {
        g.jump_pending = false;
        g.a_jump(true, g.jump_held, g.btn_run);
    } else if (ahead && g.btn_run) {
        g.a_run(g.facing_left, g.status != status_run);
    } else if (ahead) {
        g.a_walk(g.facing_left, g.status != status_walk);
    } else {
        g.a_stand(true);
    }
}

void jump_rule(girl_character &g)
{
    g.grab_ready = true;
    if (g.btn_up && !g.jump_held && g.can_climb(dir_up)) {
        g.a_climb(dir_up, true);
        return;
    }
    const bool running = g.status == status_run_jump;
    g.a_jump(false, g.jump_held, running);
    g.a_air_control(g.btn_left, g.btn_right, running);
}

// A ledge is grabbed on the side she faces and steers toward, once per grab_ready.
bool grabs_ledge(girl_character &g)
{
    const bool toward = g.facing_left ? g.btn_left : g.btn_right;
    return toward && !g.btn_down && g.grab_ready && g.can_grab(g.facing_left);
}

void fall_rule(girl_character &g)
{
    if (g.btn_up && g.can_climb(dir_up)) {
        g.a_climb(dir_up, true);
    } else if (grabs_ledge(g)) {
        g.a_hang(g.facing_left, true);
        g.grab_ready = false;
    } else {
        const bool running = g.status == status_run_fall;
        g.a_fall(false, running);
        g.a_air_control(g.btn_left, g.btn_right, running);
    }
}

void hang_rule(girl_character &g)
{
    const bool toward = g.facing_left ? g.btn_left : g.btn_right;
    if (toward && g.timer == 0)
        g.a_hang_climb(g.facing_left, true);
    else if (g.btn_down)
        g.a_fall(true, false);
    else
        g.a_hang(g.facing_left, false);
}

// Climbing on in a direction, or leaving the climbable blocks that way.
void climb_or_leave(girl_character &g, int dir)
{
    if (g.can_climb(dir)) {
        g.a_climb(dir, false);
    } else if (dir == dir_up || dir == dir_down) {
        g.a_stand(true);
    } else {
        g.facing_left = dir == dir_left;
        g.a_fall(true, false);
    }
}

void climb_rule(girl_character &g)
{
    g.grab_ready = true;
    if (g.jump_held && g.btn_down) {
        g.a_fall(true, false);
    } else if (g.jump_pending) {
        g.jump_pending = false;
        g.a_jump(true, true, false);
    } else if (g.btn_up) {
        climb_or_leave(g, dir_up);
    } else if (g.btn_down) {
        climb_or_leave(g, dir_down);
    } else if (g.btn_left) {
        climb_or_leave(g, dir_left);
    } else if (g.btn_right) {
        climb_or_leave(g, dir_right);
    } else {
        g.a_climb(dir_none, false);
    }
}

void apply_status_rule(girl_character &g)
{
    switch (g.status) {
    case status_stand:
        stand_rule(g);
        break;
    case status_walk:
    case status_run:
        walk_run_rule(g);
        break;
    case status_jump:
    case status_run_jump:
        jump_rule(g);
        break;
    case status_fall:
    case status_run_fall:
        fall_rule(g);
        break;
    case status_hang:
        hang_rule(g);
        break;
    case status_hang_climb:
        g.a_hang_climb(g.facing_left, false);
        break;
    case status_climb:
        climb_rule(g);
        break;
    default:
        break;
    }
}

// On the ground: with nothing under her she walks off an edge, unless ground lies close below,
// which she steps down onto. The step-down ends at the map's last row: dropping through a
// platform with nothing under it, she would otherwise find no support ever again.
void ground_check(girl_character &g, bool drop)
{
    if (!g.check_under_ex(g.gety() + 1, drop))
        return;
    const int x = g.getx(), reach = g.gety() + STEP_DOWN_REACH;
    if (slope_tile(x, g.gety() + 1) == slope_none && slope_tile(x, reach) == slope_none &&
        !block_point(x, reach, false)) {
        g.a_fall(true, g.status == status_run);
        return;
    }
    const int last_map_row = top_of_block_row(mapheight) - 1;
    while (g.check_under_ex(g.gety() + 1, drop) && g.gety() < last_map_row)
        g.sety(g.gety() + 1);
}

// Falling stops when move_down has put her on a floor or a slope.
void landing_check(girl_character &g, bool drop)
{
    if (g.yv != 0)
        return;
    if (!g.check_under(g.getx(), g.gety() + 1, check_floor, drop) &&
        slope_point(g.getx(), g.gety() + 1) == slope_none)
        return;
    if (g.status == status_run_fall && g.btn_run && (g.btn_left || g.btn_right))
        g.a_run(g.facing_left, true);
    else
        g.a_stand(true);
}

void contact_check(girl_character &g, bool drop)
{
    switch (g.status) {
    case status_stand:
    case status_walk:
    case status_run:
        ground_check(g, drop);
        break;
    case status_jump:
    case status_run_jump:
        if (g.yv >= 0)
            g.a_fall(true, g.status == status_run_jump);
        break;
    case status_fall:
    case status_run_fall:
        landing_check(g, drop);
        break;
    default:
        break;
    }
}

} // namespace

void girl_character::move()
{
    apply_status_rule(*this);
    if (xv < 0)
        move_left();
    else if (xv > 0)
        move_right();
    // Platforms let her through while she drops (down with jump) or climbs down onto them.
    const bool drop = (jump_held && btn_down) || (btn_down && can_climb(dir_down));
    if (yv < 0)
        move_up();
    else if (yv > 0)
        move_down(drop);
    contact_check(*this, drop);
}
