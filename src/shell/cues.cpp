// The cues of the ticks: each is a change of her status, her counters or the attempt's result
// between the state before a tick and the state after it.
#include "cues.h"

#include <algorithm>

namespace {

const char *const CUE_NAMES[CUE_COUNT] = {
    "jump", "land",  "grab",  "pull_up", "climb_step", "drop",
    "slide", "death", "start", "retry",  "screenshot",
};

// A landing is this loud after the smallest hop, and at full volume after a fall of
// LOUDEST_FALL pixels (ten blocks) or more.
constexpr int QUIETEST_LANDING = 64;
constexpr int LOUDEST_FALL = 160;

// A step is heard twice in each cycle of her climbing picture (every 8 ticks, five a second),
// the first a few ticks after she starts to move.
constexpr long CLIMB_STEP_EVERY = CLIMB_FRAMES / 2;
constexpr long CLIMB_STEP_AT = 4;

// On ice she slides when she moves at least this fast (pixels a tick, half her walking speed)
// without her controls pushing her that way: ice friction takes ten ticks to take that much.
const fix SLIDE_SPEED = fix(0.5);

bool jumping(int status) { return status == status_jump || status == status_run_jump; }

bool entered(int status, const girl_character &before, const girl_character &girl)
{
    return before.status != status && girl.status == status;
}

bool pushed_along(const girl_character &girl)
{
    return (girl.xv > 0 && girl.btn_right) || (girl.xv < 0 && girl.btn_left);
}

bool sliding_on_ice(const girl_character &girl)
{
    const bool fast = girl.xv >= SLIDE_SPEED || girl.xv <= -SLIDE_SPEED;
    if (!girl.on_ground() || !fast || pushed_along(girl))
        return false;
    return girl.on_ice();
}

int landing_volume(int fallen)
{
    const int height = std::clamp(fallen, 0, LOUDEST_FALL);
    return QUIETEST_LANDING + (CUE_FULL_VOLUME - QUIETEST_LANDING) * height / LOUDEST_FALL;
}

} // namespace

const char *cue_name(sound_cue cue) { return CUE_NAMES[cue]; }

void cue_watcher::after_tick(const girl_character &before, const attempt &now)
{
    const girl_character &girl = now.girl;
    if (!jumping(before.status) && jumping(girl.status))
        hear(cue_jump);
    if (entered(status_hang, before, girl))
        hear(cue_grab);
    if (entered(status_hang_climb, before, girl))
        hear(cue_pull_up);
    // Down with jump held makes her fall from standing; only a platform lets her through.
    if (before.status == status_stand && before.jump_held && before.btn_down &&
        girl.status == status_fall)
        hear(cue_drop);
    follow_fall(before, girl);
    follow_slide(girl);
    follow_climb(before, girl);
    if (now.result == level_died && !death_heard_) {
        death_heard_ = true;
        hear(cue_death);
    }
}

pass_cues cue_watcher::take()
{
    const pass_cues cues = heard_;
    heard_ = pass_cues{};
    return cues;
}

void cue_watcher::hear(sound_cue cue, int volume)
{
    heard_.volume[cue] = std::max(heard_.volume[cue], volume);
}

void cue_watcher::follow_fall(const girl_character &before, const girl_character &girl)
{
    if (before.in_air() && girl.on_ground())
        hear(cue_land, landing_volume(girl.gety() - fall_top_));
    if (!girl.in_air())
        return;
    if (!before.in_air())
        fall_top_ = before.gety();
    fall_top_ = std::min(fall_top_, girl.gety());
}

void cue_watcher::follow_slide(const girl_character &girl)
{
    const bool sliding = sliding_on_ice(girl);
    if (sliding && !sliding_)
        hear(cue_slide);
    sliding_ = sliding;
}

void cue_watcher::follow_climb(const girl_character &before, const girl_character &girl)
{
    const bool moved = before.status != status_climb || before.frame != girl.frame;
    if (girl.status == status_climb && moved && girl.frame % CLIMB_STEP_EVERY == CLIMB_STEP_AT)
        hear(cue_climb_step);
}
