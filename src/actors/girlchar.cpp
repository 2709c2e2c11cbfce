// The girl the player steers: her starting state, the status setter, the control latch that
// turns a held jump control into one press, and drawing her picture.
#include "girlchar.h"

#include "girlanim.h"

namespace {

constexpr int GIRL_HALF_WIDTH = 4; // a body 9 pixels wide
constexpr int GIRL_HEIGHT = 19;    // a body 20 pixels tall

const char *const STATUS_NAMES[] = {"stand", "walk",     "run",  "jump",    "run jump",
                                     "fall",  "run fall", "hang", "pull up", "climb"};

} // namespace

const char *status_name(int status)
{
    if (status < status_stand || status > status_climb)
        return "unknown";
    return STATUS_NAMES[status];
}

girl_character::girl_character()
    : status(status_stand), facing_left(false), timer(0), frame(0), btn_left(false),
      btn_right(false), btn_up(false), btn_down(false), btn_run(false), jump_held(false),
      btn_spare(false), jump_ready(true), jump_pending(false), grab_ready(true)
{
    half_width = GIRL_HALF_WIDTH;
    height = GIRL_HEIGHT;
}

void girl_character::set_status(int s)
{
    status = s;
    frame = 0;
}

void girl_character::set_control(bool left, bool right, bool up, bool down, bool jump, bool run,
                                 bool spare)
{
    btn_left = left;
    btn_right = right;
    btn_up = up;
    btn_down = down;
    btn_run = run;
    if (!jump && jump_held) {
        // Released: the next press counts, and a press nobody used is dropped.
        jump_held = false;
        jump_ready = true;
        jump_pending = false;
    } else if (jump_ready && jump) {
        jump_held = true;
        jump_pending = true;
        jump_ready = false;
    }
    btn_spare = spare;
}

void girl_character::draw(BITMAP *bmp, int xoff, int yoff)
{
    draw_anim(bmp, getx() - xoff, gety() - yoff, status, frame, facing_left, yv);
}
