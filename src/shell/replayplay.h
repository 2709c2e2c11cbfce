// Playing a recording back: the session's passes handed to the level loop one by one, and a
// ghost, an attempt of its own that follows the recording's first attempt tick for tick
// beside the player's.
#ifndef REPLAYPLAY_H
#define REPLAYPLAY_H

#include "attempt.h"
#include "replayfile.h"

#include <allegro.h>

#include <cstddef>
#include <vector>

// The recorded session pass by pass, for the level loop to play at the recorded pace. The
// replay must outlive the source.
class replay_source {
public:
    explicit replay_source(const replay &r) : replay_(r) {}

    // Go on to the next recorded attempt (the first, the first time); false when the session
    // has no more.
    bool next_attempt();
    // The current attempt's next pass; false when all of them have been given.
    bool next_pass(control_state &controls, int &ticks);
    // The current attempt as recorded, once next_attempt has said there is one: how it ended
    // (attempt_end::unfinished when the file was cut short) and the answer given after it.
    const replay_attempt &current() const { return replay_.attempts[attempt_]; }

private:
    const replay &replay_;
    std::size_t attempt_ = 0;
    bool started_ = false;
    std::size_t run_ = 0;   // of the current attempt's runs of passes
    long given_ = 0;        // passes of that run already given
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
    bool finished() const { return run_ == recorded_.passes.size(); }
    const attempt &now() const { return ghost_; }

    // Her, translucent, into the frame (when a painter was given).
    void draw(BITMAP *picture, int xoff, int yoff) const override;

private:
    void latch_due();
    void pass_done();

    const replay_attempt &recorded_;
    const ghost_painter *painter_;
    attempt ghost_;
    std::size_t run_ = 0; // of the recorded runs of passes
    long done_ = 0;       // passes of that run played whole
    bool latched_ = false; // the current pass's controls are latched
    int left_ = 0;         // and so many of its ticks are still to come
};

#endif
