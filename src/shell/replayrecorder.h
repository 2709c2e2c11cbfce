// Recording a session into a replay file as it is played, so that a session that ends
// abnormally keeps all but its last second.
#ifndef REPLAYRECORDER_H
#define REPLAYRECORDER_H

#include "controls.h"
#include "girlchar.h"
#include "replayfile.h"

#include <cstdio>
#include <string>

// Told each pass of the simulation, each attempt's end and each retry answer, in play order;
// a call out of that order is ignored, so that the file stays readable. Only passes that ran
// through `advance` belong here: paused passes, frames, screenshots, sound and the screen mode
// are no part of a recording.
class replay_recorder {
public:
    replay_recorder() = default;
    ~replay_recorder();
    replay_recorder(const replay_recorder &) = delete;
    replay_recorder &operator=(const replay_recorder &) = delete;

    // Create the file `path`, which must not exist yet: an existing file, or a symbolic link
    // by that name, is refused and left alone. Return true, or false with the reason in
    // `problem`.
    bool create(const char *path, std::string &problem);
    // Begin the recording with its header. A file created and never begun is removed again
    // when the recorder goes.
    void begin(const replay_header &header);

    void begin_attempt();
    // One pass: the controls latched, then `ticks` ticks. Runs of identical passes share a
    // line of at most a second of play, written as soon as it is complete.
    void pass(const control_state &controls, int ticks);
    // The attempt's end and the girl after its last tick; on the disk before this returns.
    void end_attempt(attempt_end how, const girl_character &girl);
    // The answer to the retry question after a death; closing the window there is a no.
    void answer(bool retry);

    // False once the recording has stopped: a write failed, or the session reached the most
    // that a replay may hold (problem() says which). What was recorded until then stays
    // readable; the rest of the session goes unrecorded.
    bool recording() const { return file_ != nullptr; }
    const std::string &problem() const { return problem_; }

private:
    void write(const std::string &text);
    void write_run();
    void flush(bool to_disk);
    void stop(const std::string &why);
    void close();

    std::FILE *file_ = nullptr;
    std::string path_;
    replay_phase phase_ = replay_phase::header; // calls out of their order are ignored
    std::string problem_;
    replay_passes run_;
    bool run_open_ = false;
    long ticks_per_line_ = 1; // a second of play
    int attempts_ = 0;
    long passes_ = 0, ticks_ = 0;
};

#endif
