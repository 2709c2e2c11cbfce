// Reading the sound text: "sound NAME" and "voice" lines open a voice, each other line sets one
// of its parameters from a table that says how many numbers it takes and their range.
#include "sfxtext.h"

#include "soundfile.h"
#include "sourcewords.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace {

// Shorter ramps than this click at the start or the end of a voice.
constexpr double MIN_RAMP = 0.002;
constexpr double MAX_RAMP = 2;
constexpr double LOWEST_PITCH = 20;
constexpr double HIGHEST_TONE = SOUND_RATE / 2.0; // higher tones fold back as other pitches
constexpr std::size_t MAX_NOTES = 8;
constexpr double MAX_NOTE_STEP = 24; // semitones, either way
constexpr double MAX_VIBRATO_RATE = 50;
constexpr double MAX_VIBRATO_DEPTH = 12;
constexpr std::size_t MAX_NAME = 32;
// Far more than the game's effects need, and a bound on the work of making them.
constexpr std::size_t MAX_VOICES = 8;
constexpr std::size_t MAX_SOUNDS = 64;
const std::set<std::string> NEEDED = {"wave", "pitch", "length"};

struct range {
    double low, high;
};

// A parameter given as numbers: the first number's range, and the range of the others.
struct number_key {
    const char *key;
    std::size_t least, most;
    range first, rest;
    void (*set)(voice_spec &, const std::vector<double> &);
};

const number_key NUMBER_KEYS[] = {
    {"pitch", 1, 2, {LOWEST_PITCH, SOUND_RATE}, {LOWEST_PITCH, SOUND_RATE},
     [](voice_spec &v, const std::vector<double> &n) {
         v.pitch_from = n.front();
         v.pitch_to = n.back();
     }},
    {"duty", 1, 1, {0.05, 0.95}, {},
     [](voice_spec &v, const std::vector<double> &n) { v.duty = n[0]; }},
    {"start", 1, 1, {0, MAX_SOUND_SECONDS}, {},
     [](voice_spec &v, const std::vector<double> &n) { v.start = n[0]; }},
    {"length", 1, 1, {0.01, MAX_SOUND_SECONDS}, {},
     [](voice_spec &v, const std::vector<double> &n) { v.length = n[0]; }},
    {"attack", 1, 1, {MIN_RAMP, MAX_RAMP}, {},
     [](voice_spec &v, const std::vector<double> &n) { v.attack = n[0]; }},
    {"decay", 1, 1, {0, MAX_RAMP}, {},
     [](voice_spec &v, const std::vector<double> &n) { v.decay = n[0]; }},
    {"sustain", 1, 1, {0, 1}, {},
     [](voice_spec &v, const std::vector<double> &n) { v.sustain = n[0]; }},
    {"release", 1, 1, {MIN_RAMP, MAX_RAMP}, {},
     [](voice_spec &v, const std::vector<double> &n) { v.release = n[0]; }},
    {"volume", 1, 1, {0, 1}, {},
     [](voice_spec &v, const std::vector<double> &n) { v.volume = n[0]; }},
    {"vibrato", 2, 2, {0, MAX_VIBRATO_RATE}, {0, MAX_VIBRATO_DEPTH},
     [](voice_spec &v, const std::vector<double> &n) {
         v.vibrato_rate = n[0];
         v.vibrato_depth = n[1];
     }},
    {"notes", 1, MAX_NOTES, {-MAX_NOTE_STEP, MAX_NOTE_STEP}, {-MAX_NOTE_STEP, MAX_NOTE_STEP},
     [](voice_spec &v, const std::vector<double> &n) { v.notes = n; }},
    {"note_time", 1, 1, {0.01, 1}, {},
     [](voice_spec &v, const std::vector<double> &n) { v.note_time = n[0]; }},
    {"lowpass", 1, 1, {LOWEST_PITCH, HIGHEST_TONE}, {},
     [](voice_spec &v, const std::vector<double> &n) { v.lowpass = n[0]; }},
};

const struct {
    const char *word;
    waveform wave;
} WAVES[] = {{"square", waveform::square},
             {"triangle", waveform::triangle},
             {"sine", waveform::sine},
             {"noise", waveform::noise}};

const number_key *number_key_named(const std::string &key)
{
    for (const number_key &k : NUMBER_KEYS)
        if (key == k.key)
            return &k;
    return nullptr;
}

bool is_name(const std::string &name)
{
    if (name.empty() || name.size() > MAX_NAME)
        return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

std::string number_text(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

class reader {
public:
    reader(const std::string &file, std::vector<sound_spec> &sounds, Diagnostics &errors)
        : file_(file), sounds_(sounds), errors_(errors)
    {
    }

    void line(const std::string &text, int number);
    void finish();

private:
    void error(SourcePos pos, const std::string &message) { errors_.error(file_, pos, message); }
    void start_sound(const std::vector<SourceWord> &words);
    void start_voice(SourcePos pos);
    void finish_voice();
    void finish_sound();
    void set(const std::vector<SourceWord> &words);
    void set_wave(const std::vector<SourceWord> &words);
    void set_numbers(const number_key &key, const std::vector<SourceWord> &words);
    bool count_fits(const std::vector<SourceWord> &words, std::size_t least, std::size_t most);

    const std::string &file_;
    std::vector<sound_spec> &sounds_;
    Diagnostics &errors_;
    bool in_sound_ = false;
    sound_spec sound_;
    bool sound_wrong_ = false; // the sound is reported and left out
    voice_spec voice_;
    std::set<std::string> given_; // the parameters the voice has had
    std::map<std::string, int> name_lines_; // every sound's name, right or wrong, and its line
};

void reader::line(const std::string &text, int number)
{
    std::vector<SourceWord> words = split_words(text, number);
    drop_comment(words);
    if (words.empty())
        return;
    const std::string &key = words[0].text;
    if (key == "sound") {
        start_sound(words);
    } else if (!in_sound_) {
        error(words[0].pos, quoted_excerpt(key) + " comes before the first \"sound\" line");
    } else if (key == "voice") {
        if (count_fits(words, 0, 0)) {
            finish_voice();
            // The voice is read all the same, so that its own lines are not taken for mistakes.
            if (sound_.voices.size() >= MAX_VOICES) {
                error(words[0].pos,
                      "a sound has at most " + std::to_string(MAX_VOICES) + " voices");
                sound_wrong_ = true;
            }
            start_voice(words[0].pos);
        }
    } else {
        set(words);
    }
}

void reader::finish()
{
    if (in_sound_)
        finish_sound();
    if (sounds_.empty() && errors_.empty())
        error({}, "no \"sound\" line: the text defines no sounds");
}

void reader::start_sound(const std::vector<SourceWord> &words)
{
    if (in_sound_)
        finish_sound();
    sound_wrong_ = sounds_.size() == MAX_SOUNDS;
    if (sound_wrong_)
        error(words[0].pos, "a text has at most " + std::to_string(MAX_SOUNDS) + " sounds");
    in_sound_ = true;
    sound_ = sound_spec{};
    sound_.pos = words[0].pos;
    start_voice(words[0].pos);
    if (!count_fits(words, 1, 1)) {
        sound_wrong_ = true;
        return;
    }
    sound_.name = words[1].text;
    if (!is_name(sound_.name)) {
        error(words[1].pos, "a sound's name is 1 to " + std::to_string(MAX_NAME) +
                                " of the letters a to z, digits and \"_\", not " +
                                quoted_excerpt(sound_.name));
        sound_wrong_ = true;
        return;
    }
    const auto [earlier, first] = name_lines_.emplace(sound_.name, words[0].pos.line);
    if (!first) {
        error(words[1].pos, "sound \"" + sound_.name + "\" is already defined on line " +
                                std::to_string(earlier->second));
        sound_wrong_ = true;
    }
}

void reader::start_voice(SourcePos pos)
{
    voice_ = voice_spec{};
    voice_.pos = pos;
    given_.clear();
}

// Whether the voice has what it needs and fits its envelope and pitch; kept when it does.
void reader::finish_voice()
{
    bool right = true;
    for (const std::string &needed : NEEDED) {
        if (!given_.count(needed)) {
            error(voice_.pos, "the voice has no \"" + needed + "\" line");
            right = false;
        }
    }
    const double envelope = voice_.attack + voice_.decay + voice_.release;
    if (given_.count("length") && envelope > voice_.length) {
        error(voice_.pos, "attack, decay and release take " + number_text(envelope) +
                              " s, longer than the voice's " + number_text(voice_.length) + " s");
        right = false;
    }
    const double highest = std::max(voice_.pitch_from, voice_.pitch_to);
    if (voice_.wave != waveform::noise && highest > HIGHEST_TONE) {
        error(voice_.pos, "a tone of " + number_text(highest) + " Hz is above half the rate (" +
                              number_text(HIGHEST_TONE) + " Hz)");
        right = false;
    }
    if (right)
        sound_.voices.push_back(voice_);
    else
        sound_wrong_ = true;
}

void reader::finish_sound()
{
    finish_voice();
    double end = 0;
    for (const voice_spec &v : sound_.voices)
        end = std::max(end, v.start + v.length);
    if (end > MAX_SOUND_SECONDS) {
        error(sound_.pos, "the sound lasts " + number_text(end) + " s, more than the " +
                              std::to_string(MAX_SOUND_SECONDS) + " s a sound may");
        sound_wrong_ = true;
    }
    if (!sound_wrong_)
        sounds_.push_back(sound_);
    in_sound_ = false;
}

void reader::set(const std::vector<SourceWord> &words)
{
    const std::string &key = words[0].text;
    const number_key *numbers = number_key_named(key);
    if (key != "wave" && !numbers) {
        error(words[0].pos, "unknown parameter " + quoted_excerpt(key));
        return;
    }
    if (!given_.insert(key).second) {
        error(words[0].pos, quoted_excerpt(key) + " is given twice in one voice");
        return;
    }
    if (numbers)
        set_numbers(*numbers, words);
    else
        set_wave(words);
}

void reader::set_wave(const std::vector<SourceWord> &words)
{
    if (!count_fits(words, 1, 1))
        return;
    for (const auto &w : WAVES) {
        if (words[1].text == w.word) {
            voice_.wave = w.wave;
            return;
        }
    }
    error(words[1].pos,
          "unknown wave " + quoted_excerpt(words[1].text) + " (square, triangle, sine or noise)");
}

void reader::set_numbers(const number_key &key, const std::vector<SourceWord> &words)
{
    if (!count_fits(words, key.least, key.most))
        return;
    std::vector<double> values;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const range r = i == 1 ? key.first : key.rest;
        const std::optional<double> value = finite_number(words[i].text);
        if (!value) {
            error(words[i].pos, quoted_excerpt(words[i].text) + " is not a number");
            return;
        }
        if (*value < r.low || *value > r.high) {
            error(words[i].pos, "\"" + std::string(key.key) + "\" " + excerpt(words[i].text) +
                                    " is outside " + number_text(r.low) + " to " +
                                    number_text(r.high));
            return;
        }
        values.push_back(*value);
    }
    key.set(voice_, values);
}

// Whether the words after the first number least to most; says so when they do not.
bool reader::count_fits(const std::vector<SourceWord> &words, std::size_t least,
                        std::size_t most)
{
    const std::size_t count = words.size() - 1;
    if (count >= least && count <= most)
        return true;
    const std::string values = most == 1 ? " value" : " values";
    const std::string wanted = most == 0 ? "no values"
                               : least == most
                                   ? std::to_string(least) + values
                                   : std::to_string(least) + " to " + std::to_string(most) + values;
    error(words[0].pos, "\"" + words[0].text + "\" takes " + wanted + ", not " +
                            std::to_string(count));
    return false;
}

} // namespace

bool read_sound_text(const std::string &file, const std::string &text,
                     std::vector<sound_spec> &sounds, Diagnostics &errors)
{
    reader r(file, sounds, errors);
    for_each_line(text, [&r](const std::string &line, int number) { r.line(line, number); });
    r.finish();
    return errors.empty();
}
