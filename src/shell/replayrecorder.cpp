// Recording a session: a new file of its own, lines handed to the system within a second of
// play, and on the disk at the header, every attempt's end and every answer.
#include "replayrecorder.h"

#include "diagnostic.h"
#include "newfile.h"
#include "tick.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

replay_recorder::~replay_recorder() { close(); }

bool replay_recorder::create(const char *path, std::string &problem)
{
    close();
    file_ = open_new_file(path);
    if (!file_) {
        const int error = errno;
        problem = printable("cannot record into " + std::string(path) + ": " +
                            (error == EEXIST ? "it already exists, and a recording never "
                                               "replaces a file"
                                             : std::strerror(error)));
        return false;
    }
    path_ = path;
    phase_ = replay_phase::header;
    problem_.clear();
    attempts_ = 0;
    passes_ = ticks_ = 0;
    return true;
}

void replay_recorder::begin(const replay_header &header)
{
    if (!file_ || phase_ != replay_phase::header)
        return;
    phase_ = replay_phase::between;
    ticks_per_line_ = std::max(1L, long{TICKS_PER_SECOND} * header.speed / FULL_SPEED);
    write(replay_header_text(header));
    flush(true);
}

void replay_recorder::begin_attempt()
{
    if (!file_ || phase_ != replay_phase::between)
        return;
    if (attempts_ == REPLAY_MAX_ATTEMPTS) {
        stop("the session has reached " + std::to_string(REPLAY_MAX_ATTEMPTS) +
             " attempts, the most a replay holds");
        return;
    }
    ++attempts_;
    phase_ = replay_phase::in_attempt;
    write(replay_attempt_line(attempts_));
    flush(false);
}

void replay_recorder::pass(const control_state &controls, int ticks)
{
    if (!file_ || phase_ != replay_phase::in_attempt)
        return;
    ticks = std::max(ticks, 0); // a pass runs no tick for a count below one
    if (ticks_ + ticks > REPLAY_MAX_TICKS || passes_ == REPLAY_MAX_PASSES) {
        stop("the session has reached a day of play, the most a replay holds");
        return;
    }
    ticks_ += ticks;
    ++passes_;
    if (run_open_ && continues(run_, controls, ticks)) {
        ++run_.count;
    } else {
        write_run();
        run_ = {controls, ticks, 1};
        run_open_ = true;
    }
    // A line holds at most a second of play, so that no more is lost in a crash. Counting the
    // ticks rather than the clock makes the file a function of the passes alone, and between
    // ticks there is nothing to lose.
    if (run_.ticks * run_.count >= ticks_per_line_)
        write_run();
}

void replay_recorder::end_attempt(attempt_end how, const girl_character &girl)
{
    if (!file_ || phase_ != replay_phase::in_attempt || how == attempt_end::unfinished)
        return;
    write_run();
    write(replay_end_line(how, check_of(girl)));
    phase_ = phase_after(how);
    flush(true);
}

void replay_recorder::answer(bool retry)
{
    if (!file_ || phase_ != replay_phase::after_death)
        return;
    write(replay_retry_line(retry));
    phase_ = phase_after_answer(retry);
    flush(true);
}

void replay_recorder::write(const std::string &text)
{
    if (file_)
        std::fputs(text.c_str(), file_);
}

void replay_recorder::write_run()
{
    if (!run_open_)
        return;
    write(replay_passes_line(run_));
    run_open_ = false;
    flush(false);
}

// Every line reaches the system at once; the disk itself is waited for only at the header,
// an attempt's end and an answer, which come seldom.
void replay_recorder::flush(bool to_disk)
{
    if (!file_)
        return;
    const bool written = std::fflush(file_) == 0 && !std::ferror(file_) &&
                         (!to_disk || fsync(fileno(file_)) == 0);
    if (!written) {
        problem_ = printable("cannot write " + path_ + ": " + std::strerror(errno));
        std::fclose(file_);
        file_ = nullptr;
    }
}

void replay_recorder::stop(const std::string &why)
{
    write_run();
    write("# " + why + "; the rest of the session is not recorded\n");
    flush(true);
    if (file_)
        problem_ = why;
    close();
}

void replay_recorder::close()
{
    if (!file_)
        return;
    const bool begun = phase_ != replay_phase::header;
    if (begun) {
        write_run();
        flush(true);
    }
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    if (!begun)
        ::unlink(path_.c_str());
    run_open_ = false;
}
