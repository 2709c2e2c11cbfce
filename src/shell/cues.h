// What the ticks did, told as the sounds that go with it: the cues of a pass, gathered from the
// girl's state before and after each tick once it has run. The watcher only reads the attempt,
// so sound never feeds back into play.
#ifndef CUES_H
#define CUES_H

#include "attempt.h"

#include <array>

enum sound_cue {
    cue_jump,
    cue_land,       // louder after a longer fall
    cue_grab,       // a ledge
    cue_pull_up,
    cue_climb_step,
    cue_drop,       // through a platform
    cue_slide,      // the start of a slide on ice
    cue_death,
    cue_start,      // play starts from the title
    cue_retry,
    cue_screenshot,
    CUE_COUNT
};

// The cue's sound is the file sounds/<name>.wav of the game's data.
const char *cue_name(sound_cue cue);

// Volumes as the game library takes them.
constexpr int CUE_SILENT = 0;
constexpr int CUE_FULL_VOLUME = 255;

// The cues of one pass: each heard at most once, at the loudest of its ticks.
struct pass_cues {
    std::array<int, CUE_COUNT> volume{}; // CUE_SILENT for a cue not heard
};

// The cues of the ticks it is told of; one watcher follows one attempt.
class cue_watcher final : public tick_watcher {
public:
    void after_tick(const girl_character &before, const attempt &now) override;
    // The cues heard since the last call; the next pass starts with none.
    pass_cues take();

private:
    void hear(sound_cue cue, int volume = CUE_FULL_VOLUME);
    void follow_fall(const girl_character &before, const girl_character &girl);
    void follow_slide(const girl_character &girl);
    void follow_climb(const girl_character &before, const girl_character &girl);

    pass_cues heard_;
    int fall_top_ = 0; // her highest feet row since she last left the ground, a ledge or a ladder
    bool sliding_ = false;
    bool death_heard_ = false;
};

#endif
