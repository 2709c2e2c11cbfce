// Block animation: every animation reset to its starting frame, and all of them stepped by
// one update following the rules of their types.
#include "maplib.h"

#include <cstddef>

namespace {

// Applies `action` to each animation, from the last record down to the end marker.
template <typename Action>
void for_each_animation(Action action)
{
    if (!mapanimstrpt)
        return;
    for (std::ptrdiff_t i = mapanimstrendpt - mapanimstrpt - 1;
         i >= 0 && mapanimstrpt[i].type != anim_end; --i)
        action(mapanimstrpt[i]);
}

// A byte countdown that wraps like the signed 8-bit field it is (-128 - 1 gives 127).
std::int8_t wrapped_decrement(std::int8_t value)
{
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(static_cast<std::uint8_t>(value) - 1));
}

// The returning half of a ping-pong starts over at its own type.
AnimType starting_type(int type)
{
    switch (type) {
    case anim_pingpong_forward_returning: return anim_pingpong_forward;
    case anim_pingpong_reverse_returning: return anim_pingpong_reverse;
    case anim_once_finished: return anim_once;
    default: return static_cast<AnimType>(type);
    }
}

void reset(AnimStr &a)
{
    a.type = static_cast<std::int8_t>(starting_type(a.type));
    const bool starts_at_end = a.type == anim_loop_reverse || a.type == anim_pingpong_reverse;
    if (starts_at_end && a.first != a.end)
        a.current = a.end - 1;
    else
        a.current = a.first;
    a.countdown = static_cast<std::int8_t>(a.delay);
}

// Forward leg of a ping-pong: past the last frame it turns to the frame before it (or stays,
// over one frame) and becomes `turned`.
void pingpong_forward(AnimStr &a, AnimType turned)
{
    const std::int32_t old = a.current;
    if (++a.current != a.end)
        return;
    a.type = static_cast<std::int8_t>(turned);
    a.current = old - 1 < a.first ? old : old - 1;
}

// Backward leg: before the first frame it turns to the frame after it and becomes `turned`.
void pingpong_backward(AnimStr &a, AnimType turned)
{
    if (--a.current != a.first - 1)
        return;
    a.type = static_cast<std::int8_t>(turned);
    a.current = a.first + 1 < a.end ? a.first + 1 : a.first;
}

void step(AnimStr &a)
{
    switch (a.type) {
    case anim_loop_forward:
        if (++a.current == a.end)
            a.current = a.first;
        break;
    case anim_loop_reverse:
        if (--a.current == a.first - 1)
            a.current = a.end - 1;
        break;
    case anim_once:
        if (++a.current == a.end) {
            a.current = a.first;
            a.type = anim_once_finished;
        }
        break;
    case anim_once_hold:
        if (a.current != a.end - 1)
            ++a.current;
        break;
    case anim_pingpong_forward:
        pingpong_forward(a, anim_pingpong_forward_returning);
        break;
    case anim_pingpong_forward_returning:
        pingpong_backward(a, anim_pingpong_forward);
        break;
    case anim_pingpong_reverse:
        pingpong_backward(a, anim_pingpong_reverse_returning);
        break;
    case anim_pingpong_reverse_returning:
        pingpong_forward(a, anim_pingpong_reverse);
        break;
    default: // finished once-animations and unknown types stand still
        break;
    }
}

// Every type but anim_none counts down; a step comes when the countdown goes below 0.
void update(AnimStr &a)
{
    if (a.type == anim_none)
        return;
    a.countdown = wrapped_decrement(a.countdown);
    if (a.countdown >= 0)
        return;
    a.countdown = static_cast<std::int8_t>(a.delay);
    if (a.first != a.end)
        step(a);
}

} // namespace

void MapInitAnims()
{
    for_each_animation(reset);
}

void MapUpdateAnims()
{
    for_each_animation(update);
}
