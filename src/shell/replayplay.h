// Playing a recording back: the session's passes handed to the level loop one by one, and a
// ghost, an attempt of its own that follows the recording's first attempt tick for tick
// beside the player's.
#ifndef REPLAYPLAY_H
#define REPLAYPLAY_H

#include "attempt.h"
#include "replayfile.h"

#include <allegro.h>

#include <cstddef>
#include <optional>
#include <vector>

// A place among the runs of passes of a recorded attempt, which must outlive it, stepped on one
// pass at a time.
class pass_cursor {
public:
    explicit pass_cursor(const std::vector<replay_passes> &runs) : runs_(&runs) {}

    // The run of the pass at this place; null after the last pass.
    const replay_passes *pass() const { return run_ < runs_->size() ? &(*runs_)[run_] : nullptr; }
    // On to the next pass, if there is one.
    void step();

private:
    const std::vector<replay_passes> *runs_;
    std::size_t run_ = 0; // of the runs
    long done_ = 0;       // passes of that run already stepped over
};

// The recorded session pass by pass, for the level loop to play at the recorded pace. The
// replay must outlive the source.
class replay_source {
public:
    explicit replay_source(const replay &r) : replay_(r) {}

    // Go on to the next recorded attempt (the first, the first time); false when the session
    // has no more.
    bool next_attempt();
    // The current attempt's next pass, which stays next until it is taken; null when all of
    // them have been taken.
    const replay_passes *upcoming() const { return passes_ ? passes_->pass() : nullptr; }
    void take();
    // The current attempt as recorded, once next_attempt has said there is one: how it ended
    // (attempt_end::unfinished when the file was cut short) and the answer given after it.
    const replay_attempt &current() const { return replay_.attempts[attempt_]; }

private:
    const replay &replay_;
    std::size_t attempt_ = 0;
    std::optional<pass_cursor> passes_; // of the current attempt, once there is one
};

// Draws a girl translucent over a picture of the game's 8-bit palette, in the picture her own
// status and frame choose.
class ghost_painter {
public:
    // The colour map is made from the palette and the mirrored copies of the pictures now, and
    // both kept until the painter goes; a null picture is never drawn.
    ghost_painter(const RGB *palette, BITMAP *const pictures[], int count);
    ~ghost_painter();
    ghost_painter(const ghost_painter &) = delete;
    ghost_painter &operator=(const ghost_painter &) = delete;

    // The girl with her feet-centre point at her map position less the camera, into an 8-bit
    // picture.
    void draw(BITMAP *picture, const girl_character &girl, int xoff, int yoff) const;

private:
    COLOR_MAP blend_;
    std::vector<BITMAP *> pictures_;
    std::vector<BITMAP *> mirrored_;
};

// An attempt fed from a recorded attempt in step with the live ticks: however the live passes
// cut the ticks, each recorded pass's controls are latched once, before its ticks (a pass
// of no tick too), as they were when it was recorded. After the recording's last tick she stays
// where it left her. She shares the loaded map and changes nothing of the live attempt.
class replay_ghost : public frame_underlay {
public:
    // The recorded attempt must outlive the ghost; the painter too, when given.
    replay_ghost(const replay_attempt &recorded, map_point start,
                 const ghost_painter *painter = nullptr);

    // `ticks` live ticks have passed.
    void follow(int ticks);
    // All the recorded passes are played.
    bool finished() const { return !passes_.pass(); }
    const attempt &now() const { return ghost_; }

    // Her, translucent, into the frame (when a painter was given).
    void draw(BITMAP *picture, int xoff, int yoff) const override;

private:
    void latch_due();
    void pass_done();

    const ghost_painter *painter_;
    attempt ghost_;
    pass_cursor passes_;   // the first pass not played whole
    bool latched_ = false; // its controls are latched
    int left_ = 0;         // and so many of its ticks are still to come
};

#endif
