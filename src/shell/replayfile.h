// Replay files: a recorded session as lines of text (the grammar is docs/replay.md), read
// strictly from memory or from a file, and the text of each kind of line for the writer.
#ifndef REPLAYFILE_H
#define REPLAYFILE_H

#include "attempt.h"
#include "controls.h"
#include "girlchar.h"
#include "tick.h"
#include "timer.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The first line of every replay: the format's name and its version.
constexpr const char *REPLAY_FORMAT_NAME = "orvia-replay";
constexpr int REPLAY_FORMAT_VERSION = 1;

// A whole session is at most a day of play at full speed, so that a file of a few bytes
// cannot ask a verification for years of simulation: checking this many ticks takes a few
// seconds. No pass and no line of passes can ask for more either.
constexpr long REPLAY_MAX_TICKS = long{TICKS_PER_SECOND} * 60 * 60 * 24;
// Passes of the level loop: every pass but an attempt's first waits for a tick, so a day of
// ticks is a day of passes, with room for the first passes of the attempts.
constexpr long REPLAY_MAX_PASSES = 2 * REPLAY_MAX_TICKS;
// Attempts: each decodes the map afresh, a few hundred microseconds; a death every five
// seconds for most of a day.
constexpr int REPLAY_MAX_ATTEMPTS = 16000;
// The file: a day of passes each on a line of its own, every control in it, with room to spare.
constexpr std::uint64_t REPLAY_MAX_FILE_BYTES = 256ull << 20;

// Whole pixels of the start, as fix numbers can hold them.
constexpr int REPLAY_MIN_PIXEL = -32768, REPLAY_MAX_PIXEL = 32767;

// A run of identical consecutive passes: the controls latched, then `ticks` ticks, `count`
// times over.
struct replay_passes {
    control_state controls;
    int ticks = 0;
    long count = 1;
};

// Whether a pass of these controls and ticks continues the run.
bool continues(const replay_passes &run, const control_state &controls, int ticks);

enum class attempt_end {
    unfinished, // the file ends inside the attempt: the session was cut short
    death,      // she fell out of the map
    quit,       // ESC
    closed,     // the window was closed
};

// The girl after an attempt's last tick, the raw 16.16 numbers of her position and velocity.
struct girl_check {
    std::int32_t x = 0, y = 0, xv = 0, yv = 0;
    int status = status_stand;
};
bool operator==(const girl_check &a, const girl_check &b);
girl_check check_of(const girl_character &girl);

enum class retry_answer {
    none, // not asked, or the file ends at the question
    yes,
    no,
};

// Where a session stands after the lines so far, for the reader and the writer alike.
enum class replay_phase {
    header,      // the header lines, in their order
    between,     // before the first attempt, or after a "retry y"
    in_attempt,  // passes until its end
    after_death, // its "retry" line, or the end of the file
    over,        // after "retry n", "end quit" or "end closed": only comments
};
replay_phase phase_after(attempt_end end);
replay_phase phase_after_answer(bool retry);

struct replay_attempt {
    int number = 0; // from 1
    std::vector<replay_passes> passes;
    long ticks = 0; // in all its passes
    attempt_end end = attempt_end::unfinished;
    int end_line = 0;
    girl_check state; // after its last tick; only for an attempt that ended
    retry_answer answer = retry_answer::none;
};

struct replay_header {
    std::string game_version;
    std::string level;      // the map file's base name, printable
    std::uint64_t map_hash = 0;
    map_point start{};
    int speed = FULL_SPEED; // in percent, as the timer takes it
};

struct replay {
    replay_header header;
    std::vector<replay_attempt> attempts;
    long ticks = 0; // in all its attempts
};

// Read a replay's text; `file` names it in messages. Return true, or false with
// "file:line: message" (or "file: message" for the whole file) in `problem`. A last line
// without its newline is taken as cut short by a crash and ignored; so is everything after
// the last complete line.
bool parse_replay(std::string_view text, const std::string &file, replay &out,
                  std::string &problem);
// The same from a regular file of at most REPLAY_MAX_FILE_BYTES.
bool read_replay(const char *path, replay &out, std::string &problem);

// How an end line names the end: "death", "quit" or "closed"; "unfinished" for none.
const char *replay_end_word(attempt_end end);

// The lines of the format, each ending in a newline, for the writer.
std::string replay_header_text(const replay_header &header);
std::string replay_attempt_line(int number);
std::string replay_passes_line(const replay_passes &passes);
std::string replay_end_line(attempt_end end, const girl_check &state);
std::string replay_retry_line(bool yes);

// A whole replay as the writer would have written it.
std::string replay_text(const replay &r);

bool operator==(const control_state &a, const control_state &b);

// 64-bit FNV-1a of the bytes, the map hash of the header, and its 16 hexadecimal digits.
std::uint64_t fnv1a64(const unsigned char *bytes, std::size_t size);
std::string map_hash_text(std::uint64_t hash);

#endif
