// Playing a recording back: the passes in order for the level loop, the ghost's lockstep with
// the live ticks, and her translucent picture.
#include "replayplay.h"

#include "girlanim.h"
#include "maplib.h"

#include <algorithm>

namespace {

// Half the ghost's colour and half what lies behind her.
constexpr int GHOST_SOLIDITY = 128;

} // namespace

void pass_cursor::step()
{
    if (pass() && ++done_ >= pass()->count) {
        ++run_;
        done_ = 0;
    }
}

bool replay_source::next_attempt()
{
    if (passes_)
        ++attempt_;
    if (attempt_ >= replay_.attempts.size()) {
        passes_.reset();
        return false;
    }
    passes_.emplace(current().passes);
    return true;
}

void replay_source::take()
{
    if (passes_)
        passes_->step();
}

ghost_painter::ghost_painter(const RGB *palette, BITMAP *const pictures[], int count)
    : pictures_(pictures, pictures + count), mirrored_(count, nullptr)
{
    create_trans_table(&blend_, palette, GHOST_SOLIDITY, GHOST_SOLIDITY, GHOST_SOLIDITY,
                       nullptr);
    // Allegro draws no sprite both translucent and mirrored: the mirrored ones are made once.
    for (int k = 0; k < count; ++k) {
        BITMAP *const p = pictures[k];
        if (!p || !(mirrored_[k] = create_bitmap_ex(MAP_PALETTE_DEPTH, p->w, p->h)))
            continue;
        clear_to_color(mirrored_[k], bitmap_mask_color(mirrored_[k]));
        draw_sprite_h_flip(mirrored_[k], p, 0, 0);
    }
}

ghost_painter::~ghost_painter()
{
    for (BITMAP *m : mirrored_)
        if (m)
            destroy_bitmap(m);
}

void ghost_painter::draw(BITMAP *picture, const girl_character &g, int xoff, int yoff) const
{
    const girl_picture_choice c =
        choose_picture(g.getx() - xoff, g.gety() - yoff, g.status, g.frame, g.facing_left, g.yv);
    const std::size_t k = static_cast<std::size_t>(c.picture);
    BITMAP *const sprite = c.flip ? mirrored_[k] : pictures_[k];
    if (!sprite || bitmap_color_depth(picture) != MAP_PALETTE_DEPTH)
        return;
    // Allegro's translucent drawing reads its colour map from this global only; it never
    // writes through it.
    COLOR_MAP *const previous = color_map;
    color_map = const_cast<COLOR_MAP *>(&blend_);
    draw_trans_sprite(picture, sprite, c.x, c.y);
    color_map = previous;
}

replay_ghost::replay_ghost(const replay_attempt &recorded, map_point start,
                           const ghost_painter *painter)
    : painter_(painter), ghost_(start), passes_(recorded.passes)
{
    latch_due();
}

// Latches the passes whose turn has come: the next one with ticks still to run, and every pass
// of no tick before it.
void replay_ghost::latch_due()
{
    while (!latched_ && !finished()) {
        const replay_passes &p = *passes_.pass();
        latch_controls(ghost_, p.controls);
        latched_ = true;
        left_ = p.ticks;
        if (left_ == 0)
            pass_done();
    }
}

void replay_ghost::pass_done()
{
    latched_ = false;
    passes_.step();
}

void replay_ghost::follow(int ticks)
{
    while (ticks > 0 && latched_) {
        const int now = std::min(ticks, left_);
        run_ticks(ghost_, now);
        ticks -= now;
        left_ -= now;
        if (left_ == 0) {
            pass_done();
            latch_due();
        }
    }
}

void replay_ghost::draw(BITMAP *picture, int xoff, int yoff) const
{
    if (painter_)
        painter_->draw(picture, ghost_.girl, xoff, yoff);
}
