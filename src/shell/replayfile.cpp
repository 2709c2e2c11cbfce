// Replay files: the one reader of the grammar in docs/replay.md, strict about every line and
// every number, and the text of every line the writer writes.
#include "replayfile.h"

#include "diagnostic.h"
#include "maplib.h"
#include "sourcewords.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>

namespace {

// The controls in the order the file spells them.
struct control_letter {
    char letter;
    bool control_state::*control;
};
constexpr control_letter CONTROL_LETTERS[] = {
    {'L', &control_state::left}, {'R', &control_state::right}, {'U', &control_state::up},
    {'D', &control_state::down}, {'J', &control_state::jump},  {'A', &control_state::run},
    {'S', &control_state::spare},
};
constexpr const char *ATTEMPT_WORD = "attempt";
constexpr const char *END_WORD = "end";
constexpr const char *RETRY_WORD = "retry";
constexpr const char *YES = "y", *NO = "n";
constexpr char NO_CONTROL = '-';
constexpr char REPEAT_MARK = 'x';
constexpr char COMMENT_MARK = '#';
constexpr const char *MAP_HASH_NAME = "fnv1a64";
constexpr int MAP_HASH_DIGITS = 16;
constexpr std::size_t MAX_LINE_BYTES = 4096; // a level's name, escaped, fits many times
constexpr std::size_t MAX_VERSION_BYTES = 64;

constexpr std::uint64_t FNV_OFFSET = 0xcbf29ce484222325ull;
constexpr std::uint64_t FNV_PRIME = 0x100000001b3ull;

// The raw numbers of the girl's state on an end line, in their order, and her status after
// them.
struct state_number {
    const char *name;
    std::int32_t girl_check::*field;
};
constexpr state_number STATE_NUMBERS[] = {
    {"x", &girl_check::x}, {"y", &girl_check::y}, {"xv", &girl_check::xv}, {"yv", &girl_check::yv}};
constexpr std::size_t END_LINE_WORDS = 2 + std::size(STATE_NUMBERS) + 1;

struct end_word {
    attempt_end end;
    const char *word;
};
constexpr end_word END_WORDS[] = {
    {attempt_end::death, "death"},
    {attempt_end::quit, "quit"},
    {attempt_end::closed, "closed"},
};

// The controls as the file spells them: the letters L R U D J A S in this order, "-" for none.
std::string control_letters(const control_state &controls)
{
    std::string letters;
    for (const control_letter &l : CONTROL_LETTERS)
        if (controls.*(l.control))
            letters += l.letter;
    return letters.empty() ? std::string(1, NO_CONTROL) : letters;
}

bool hex_number(std::string_view word, std::uint64_t &value)
{
    const char *const end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, value, 16);
    return word.size() == MAP_HASH_DIGITS && error == std::errc() && stop == end;
}

std::string range_text(long long low, long long high)
{
    return std::to_string(low) + " to " + std::to_string(high);
}

// The header's lines in their order: the keyword and the form of the line.
enum header_field { field_game, field_level, field_map, field_start, field_speed, HEADER_FIELDS };
struct header_line {
    const char *keyword;
    const char *form;
};
constexpr header_line HEADER_LINES[HEADER_FIELDS] = {
    {"game", "game VERSION"}, {"level", "level NAME"}, {"map", "map fnv1a64 HASH"},
    {"start", "start X Y"},   {"speed", "speed PERCENT"},
};

std::string keyword(header_field field) { return std::string(HEADER_LINES[field].keyword) + " "; }

std::string attempt_text(int number)
{
    std::string text = ATTEMPT_WORD;
    return text.append(" ").append(std::to_string(number));
}

std::string retry_text(bool yes) { return RETRY_WORD + std::string(" ") + (yes ? YES : NO); }

class replay_reader {
public:
    replay_reader(std::string_view text, const std::string &file, replay &out)
        : text_(text), file_(file), out_(out)
    {
    }

    bool read(std::string &problem)
    {
        out_ = replay();
        bool read = read_format_line();
        while (read && next_line())
            read = content_.empty() || read_line();
        if (read && phase_ == replay_phase::header)
            read = whole_file_error("the header ends before its \"" +
                                    std::string(HEADER_LINES[field_].form) + "\" line");
        if (!read)
            problem = printable(message_);
        return read;
    }

private:
    bool error(const std::string &message)
    {
        message_ = file_ + ":" + std::to_string(line_number_) + ": " + message;
        return false;
    }

    bool whole_file_error(const std::string &message)
    {
        message_ = file_ + ": " + message;
        return false;
    }

    // The next complete line into content_, without its newline, a carriage return before it,
    // blanks after it, or a comment; false at the end, where a line without its newline is left
    // unread.
    bool next_line()
    {
        const std::size_t newline = text_.find('\n', at_);
        if (newline == std::string_view::npos)
            return false;
        std::string_view line = text_.substr(at_, newline - at_);
        at_ = newline + 1;
        ++line_number_;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::size_t first = 0;
        while (first < line.size() && is_blank(line[first]))
            ++first;
        if (first < line.size() && line[first] == COMMENT_MARK)
            line = line.substr(0, first);
        content_ = line;
        while (!content_.empty() && is_blank(content_.back()))
            content_.remove_suffix(1);
        return true;
    }

    bool read_format_line()
    {
        const std::string expected =
            std::string(REPLAY_FORMAT_NAME) + " " + std::to_string(REPLAY_FORMAT_VERSION);
        if (!next_line())
            return whole_file_error("not a replay: it has no complete line, and a replay begins "
                                    "with \"" + expected + "\"");
        const std::vector<std::string_view> words = words_of(content_);
        const std::optional<long long> version =
            words.size() == 2 && words[0] == REPLAY_FORMAT_NAME
                ? whole_number(words[1], 1, INT32_MAX)
                : std::nullopt;
        if (!version)
            return error("not a replay: it begins with " + quoted_excerpt(content_) + ", not \"" +
                         expected + "\"");
        if (*version != REPLAY_FORMAT_VERSION)
            return whole_file_error("a replay of format version " + std::to_string(*version) +
                                    "; this game reads version " +
                                    std::to_string(REPLAY_FORMAT_VERSION));
        return true;
    }

    bool read_line()
    {
        if (content_.size() > MAX_LINE_BYTES)
            return error("the line is longer than " + std::to_string(MAX_LINE_BYTES) + " bytes");
        const std::vector<std::string_view> words = words_of(content_);
        if (phase_ == replay_phase::header)
            return read_header_line(words);
        const std::string_view first = words[0];
        if (first == ATTEMPT_WORD)
            return read_attempt(words);
        if (first == END_WORD)
            return read_end(words);
        if (first == RETRY_WORD)
            return read_retry(words);
        if (starts_passes(first))
            return read_passes(words);
        return error("unknown line " + quoted_excerpt(content_));
    }

    static bool starts_passes(std::string_view word)
    {
        const char c = word[0];
        if (c == NO_CONTROL)
            return true;
        for (const control_letter &l : CONTROL_LETTERS)
            if (c == l.letter)
                return true;
        return false;
    }

    bool read_header_line(const std::vector<std::string_view> &words)
    {
        if (words[0] != HEADER_LINES[field_].keyword)
            return error("expected the header line \"" + std::string(HEADER_LINES[field_].form) +
                         "\", not " + quoted_excerpt(content_));
        if (!read_header_value(words))
            return false;
        if (++field_ == HEADER_FIELDS)
            phase_ = replay_phase::between;
        return true;
    }

    bool read_header_value(const std::vector<std::string_view> &words)
    {
        replay_header &h = out_.header;
        switch (field_) {
        case field_game:
            if (words.size() != 2 || words[1].size() > MAX_VERSION_BYTES)
                return form_error();
            return printable_text(words[1], h.game_version);
        case field_level:
            if (words.size() < 2)
                return form_error();
            return printable_text(rest_of_line(words[1]), h.level);
        case field_map:
            return read_map_hash(words);
        case field_start:
            return read_start(words);
        default:
            return read_speed(words);
        }
    }

    std::string_view rest_of_line(std::string_view from_word)
    {
        return content_.substr(static_cast<std::size_t>(from_word.data() - content_.data()));
    }

    // The writer writes names as printable text: anything else was not written by it.
    bool printable_text(std::string_view text, std::string &out)
    {
        out = std::string(text);
        if (printable(text) != text)
            return error("the line " + quoted_excerpt(content_) +
                         " holds bytes that are not printable");
        return true;
    }

    bool form_error()
    {
        return error("the line " + quoted_excerpt(content_) + " is not of the form \"" +
                     HEADER_LINES[field_].form + "\"");
    }

    bool read_map_hash(const std::vector<std::string_view> &words)
    {
        if (words.size() != 3)
            return form_error();
        if (words[1] != MAP_HASH_NAME)
            return error("unknown map hash " + quoted_excerpt(words[1]) + ": this game knows " +
                         MAP_HASH_NAME);
        if (!hex_number(words[2], out_.header.map_hash))
            return error("the map hash " + quoted_excerpt(words[2]) + " is not " +
                         std::to_string(MAP_HASH_DIGITS) + " hexadecimal digits");
        return true;
    }

    bool read_start(const std::vector<std::string_view> &words)
    {
        if (words.size() != 3)
            return form_error();
        const auto x = whole_number(words[1], REPLAY_MIN_PIXEL, REPLAY_MAX_PIXEL);
        const auto y = whole_number(words[2], REPLAY_MIN_PIXEL, REPLAY_MAX_PIXEL);
        if (!x || !y)
            return error("the start " + quoted_excerpt(rest_of_line(words[1])) +
                         " is not two whole pixels from " +
                         range_text(REPLAY_MIN_PIXEL, REPLAY_MAX_PIXEL));
        out_.header.start = {static_cast<int>(*x), static_cast<int>(*y)};
        return true;
    }

    bool read_speed(const std::vector<std::string_view> &words)
    {
        if (words.size() != 2)
            return form_error();
        const std::optional<long long> speed = whole_number(words[1], SLOWEST_SPEED, FULL_SPEED);
        if (!speed)
            return error("the speed " + quoted_excerpt(words[1]) + " is not a percentage from " +
                         range_text(SLOWEST_SPEED, FULL_SPEED));
        out_.header.speed = static_cast<int>(*speed);
        return true;
    }

    replay_attempt &current() { return out_.attempts.back(); }

    std::string current_name() { return attempt_text(current().number); }

    bool read_attempt(const std::vector<std::string_view> &words)
    {
        const int expected = static_cast<int>(out_.attempts.size()) + 1;
        switch (phase_) {
        case replay_phase::in_attempt:
            return error(attempt_text(expected) + " begins before " +
                         current_name() + " has ended");
        case replay_phase::after_death:
            return error(attempt_text(expected) +
                         " follows a death without the answer to the retry question");
        case replay_phase::over:
            return after_session_error();
        default:
            break;
        }
        if (words.size() != 2 || whole_number(words[1], 1, INT32_MAX) != expected)
            return error("expected \"" + attempt_text(expected) + "\", not " +
                         quoted_excerpt(content_));
        if (expected > REPLAY_MAX_ATTEMPTS)
            return error("more than " + std::to_string(REPLAY_MAX_ATTEMPTS) +
                         " attempts, the most a replay may hold");
        out_.attempts.push_back(replay_attempt());
        current().number = expected;
        phase_ = replay_phase::in_attempt;
        return true;
    }

    bool after_session_error()
    {
        return error(quoted_excerpt(content_) + " after the session has ended");
    }

    bool outside_attempt(const char *what)
    {
        if (phase_ == replay_phase::over)
            return after_session_error();
        if (out_.attempts.empty() || phase_ == replay_phase::between)
            return error(std::string(what) + " outside an attempt");
        return error(std::string(what) + " after the end of " + current_name());
    }

    bool read_controls(std::string_view word, control_state &controls)
    {
        if (word.size() == 1 && word[0] == NO_CONTROL)
            return true;
        std::size_t next = 0; // the first of CONTROL_LETTERS still allowed
        for (char c : word) {
            std::size_t k = next;
            while (k < std::size(CONTROL_LETTERS) && CONTROL_LETTERS[k].letter != c)
                ++k;
            if (k == std::size(CONTROL_LETTERS))
                return error("the controls " + quoted_excerpt(word) +
                             " are not letters of L R U D J A S in this order, each at most "
                             "once, or - for none");
            controls.*(CONTROL_LETTERS[k].control) = true;
            next = k + 1;
        }
        return true;
    }

    bool read_passes(const std::vector<std::string_view> &words)
    {
        if (phase_ != replay_phase::in_attempt)
            return outside_attempt("a pass");
        if (words.size() < 2 || words.size() > 3)
            return error("the line " + quoted_excerpt(content_) +
                         " is not of the form \"CONTROLS TICKS\" or \"CONTROLS TICKS xCOUNT\"");
        replay_passes passes;
        if (!read_controls(words[0], passes.controls))
            return false;
        const std::optional<long long> ticks = whole_number(words[1], 0, REPLAY_MAX_TICKS);
        if (!ticks)
            return error("the ticks " + quoted_excerpt(words[1]) +
                         " of a pass are not a whole number from " +
                         range_text(0, REPLAY_MAX_TICKS));
        std::optional<long long> count = 1;
        if (words.size() == 3)
            count = words[2][0] == REPEAT_MARK
                        ? whole_number(words[2].substr(1), 1, REPLAY_MAX_PASSES)
                        : std::nullopt;
        if (!count)
            return error("the repeat count " + quoted_excerpt(words[2]) + " is not x1 to x" +
                         std::to_string(REPLAY_MAX_PASSES));
        passes.ticks = static_cast<int>(*ticks);
        passes.count = static_cast<long>(*count);
        return add_passes(passes);
    }

    // Both products stay far inside 64 bits: each factor is at most REPLAY_MAX_PASSES.
    bool add_passes(const replay_passes &passes)
    {
        const long long ticks = static_cast<long long>(passes.ticks) * passes.count;
        if (out_.ticks + ticks > REPLAY_MAX_TICKS)
            return error("the session runs over " + std::to_string(REPLAY_MAX_TICKS) +
                         " ticks (a day of play), the most a replay may hold");
        passes_ += passes.count;
        if (passes_ > REPLAY_MAX_PASSES)
            return error("the session runs over " + std::to_string(REPLAY_MAX_PASSES) +
                         " passes, the most a replay may hold");
        out_.ticks += static_cast<long>(ticks);
        current().ticks += static_cast<long>(ticks);
        current().passes.push_back(passes);
        return true;
    }

    bool read_end(const std::vector<std::string_view> &words)
    {
        if (phase_ != replay_phase::in_attempt)
            return outside_attempt("an end");
        if (current().passes.empty())
            return error(current_name() + " ends without a pass");
        if (words.size() != END_LINE_WORDS)
            return error("the line " + quoted_excerpt(content_) +
                         " is not of the form \"end death|quit|closed X Y XV YV STATUS\"");
        const end_word *how = nullptr;
        for (const end_word &e : END_WORDS)
            if (words[1] == e.word)
                how = &e;
        if (!how)
            return error("unknown end " + quoted_excerpt(words[1]) + ": death, quit or closed");
        replay_attempt &a = current();
        std::size_t at = 2;
        for (const state_number &n : STATE_NUMBERS) {
            const std::optional<long long> raw = whole_number(words[at], INT32_MIN, INT32_MAX);
            if (!raw)
                return error("her " + std::string(n.name) + " " + quoted_excerpt(words[at]) +
                             " is not a raw 16.16 number from " + range_text(INT32_MIN, INT32_MAX));
            a.state.*n.field = static_cast<std::int32_t>(*raw);
            ++at;
        }
        const auto status = whole_number(words[at], status_stand, status_climb);
        if (!status)
            return error("the status " + quoted_excerpt(words[at]) + " is not one of the girl's, " +
                         range_text(status_stand, status_climb));
        a.state.status = static_cast<int>(*status);
        a.end = how->end;
        a.end_line = line_number_;
        phase_ = phase_after(how->end);
        return true;
    }

    bool read_retry(const std::vector<std::string_view> &words)
    {
        if (phase_ != replay_phase::after_death)
            return phase_ == replay_phase::over ? after_session_error()
                                         : error("a retry answer without a death before it");
        if (words.size() != 2 || (words[1] != YES && words[1] != NO))
            return error("the line " + quoted_excerpt(content_) + " is not \"" + retry_text(true) +
                         "\" or \"" + retry_text(false) + "\"");
        const bool yes = words[1] == YES;
        current().answer = yes ? retry_answer::yes : retry_answer::no;
        phase_ = phase_after_answer(yes);
        return true;
    }

    std::string_view text_;
    const std::string &file_;
    replay &out_;
    std::size_t at_ = 0;
    int line_number_ = 0;
    std::string_view content_;
    std::string message_;
    replay_phase phase_ = replay_phase::header;
    int field_ = field_game;
    long passes_ = 0;
};

} // namespace

bool operator==(const girl_check &a, const girl_check &b)
{
    return a.x == b.x && a.y == b.y && a.xv == b.xv && a.yv == b.yv && a.status == b.status;
}

girl_check check_of(const girl_character &g)
{
    return {g.x.v, g.y.v, g.xv.v, g.yv.v, g.status};
}

bool operator==(const control_state &a, const control_state &b)
{
    for (const control_letter &l : CONTROL_LETTERS)
        if (a.*(l.control) != b.*(l.control))
            return false;
    return true;
}

replay_phase phase_after(attempt_end end)
{
    return end == attempt_end::death ? replay_phase::after_death : replay_phase::over;
}

replay_phase phase_after_answer(bool retry)
{
    return retry ? replay_phase::between : replay_phase::over;
}

bool continues(const replay_passes &run, const control_state &controls, int ticks)
{
    return run.controls == controls && run.ticks == ticks;
}

bool parse_replay(std::string_view text, const std::string &file, replay &out,
                  std::string &problem)
{
    return replay_reader(text, file, out).read(problem);
}

bool read_replay(const char *path, replay &out, std::string &problem)
{
    std::string bytes;
    if (MapReadFile(path, REPLAY_MAX_FILE_BYTES, bytes, &problem) != 0) {
        problem = printable(std::string(path) + ": " + problem);
        return false;
    }
    return parse_replay(bytes, path, out, problem);
}

const char *replay_end_word(attempt_end end)
{
    for (const end_word &e : END_WORDS)
        if (e.end == end)
            return e.word;
    return "unfinished";
}

std::string replay_header_text(const replay_header &h)
{
    return std::string(REPLAY_FORMAT_NAME) + " " + std::to_string(REPLAY_FORMAT_VERSION) + "\n" +
           keyword(field_game) + h.game_version + "\n" + keyword(field_level) + h.level + "\n" +
           keyword(field_map) + MAP_HASH_NAME + " " + map_hash_text(h.map_hash) + "\n" +
           keyword(field_start) + std::to_string(h.start.x) + " " + std::to_string(h.start.y) +
           "\n" + keyword(field_speed) + std::to_string(h.speed) + "\n";
}

std::string replay_attempt_line(int number)
{
    return attempt_text(number) + "\n";
}

std::string replay_passes_line(const replay_passes &p)
{
    std::string line = control_letters(p.controls) + " " + std::to_string(p.ticks);
    if (p.count != 1)
        line += std::string(" ") + REPEAT_MARK + std::to_string(p.count);
    return line + "\n";
}

std::string replay_end_line(attempt_end end, const girl_check &s)
{
    std::string line = std::string(END_WORD) + " " + replay_end_word(end);
    for (const state_number &n : STATE_NUMBERS)
        line.append(" ").append(std::to_string(s.*n.field));
    return line + " " + std::to_string(s.status) + "\n";
}

std::string replay_retry_line(bool yes)
{
    return retry_text(yes) + "\n";
}

std::string replay_text(const replay &r)
{
    std::string text = replay_header_text(r.header);
    for (const replay_attempt &a : r.attempts) {
        text += replay_attempt_line(a.number);
        for (const replay_passes &p : a.passes)
            text += replay_passes_line(p);
        if (a.end != attempt_end::unfinished)
            text += replay_end_line(a.end, a.state);
        if (a.answer != retry_answer::none)
            text += replay_retry_line(a.answer == retry_answer::yes);
    }
    return text;
}

std::uint64_t fnv1a64(const unsigned char *bytes, std::size_t size)
{
    std::uint64_t hash = FNV_OFFSET;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= FNV_PRIME;
    }
    return hash;
}

std::string map_hash_text(std::uint64_t hash)
{
    char text[MAP_HASH_DIGITS + 1];
    std::snprintf(text, sizeof text, "%016" PRIx64, hash);
    return text;
}
