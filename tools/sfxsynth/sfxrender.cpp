// Making the samples: a phase that advances by the voice's pitch of the moment (sweep, notes,
// vibrato), a waveform of that phase, an optional smoothing, the envelope and the volume.
#include "sfxrender.h"

#include "soundfile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double SEMITONES_PER_OCTAVE = 12;
constexpr double FULL_SCALE = 32767;
constexpr std::uint32_t NOISE_SEED = 0x2545f491;

std::size_t samples_in(double seconds)
{
    return static_cast<std::size_t>(std::lround(seconds * SOUND_RATE));
}

// Marsaglia's xorshift: the same numbers on every machine, unlike the library's rand().
class noise_source {
public:
    double next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_ / 2147483647.5 - 1; // -1 to 1
    }

private:
    std::uint32_t state_ = NOISE_SEED;
};

// The level at time t of a voice: up in `attack`, down to `sustain` in `decay`, held, and down
// to nothing over the last `release` seconds from wherever it stood.
double envelope(const voice_spec &v, double t)
{
    auto before_release = [&v](double at) {
        if (at < v.attack)
            return at / v.attack;
        if (at < v.attack + v.decay)
            return 1 - (1 - v.sustain) * (at - v.attack) / v.decay;
        return v.sustain;
    };
    const double release_at = v.length - v.release;
    if (t < release_at)
        return before_release(t);
    return before_release(release_at) * std::max(0.0, (v.length - t) / v.release);
}

double pitch_at(const voice_spec &v, double t)
{
    double semitones = 0;
    if (!v.notes.empty())
        semitones += v.notes[static_cast<std::size_t>(t / v.note_time) % v.notes.size()];
    if (v.vibrato_rate > 0)
        semitones += v.vibrato_depth * std::sin(2 * PI * v.vibrato_rate * t);
    const double sweep = v.pitch_from * std::pow(v.pitch_to / v.pitch_from, t / v.length);
    return sweep * std::pow(2, semitones / SEMITONES_PER_OCTAVE);
}

// The correction that rounds off a jump of the wave at phase 0 over one sample on either side
// (a polynomial band-limited step), so that a square's edges do not fold high harmonics back
// into the audible range as other pitches. `step` is the phase a sample advances.
double rounded_edge(double phase, double step)
{
    if (phase < step) {
        const double t = phase / step;
        return t + t - t * t - 1;
    }
    if (phase > 1 - step) {
        const double t = (phase - 1) / step;
        return t * t + t + t + 1;
    }
    return 0;
}

// Every waveform swings about zero, so that no sound carries a constant offset: a square's
// high and low parts are shifted by the duty so that they cancel over each period.
double wave_at(waveform wave, double phase, double step, double duty, double held_noise)
{
    switch (wave) {
    case waveform::square: {
        const double edges = rounded_edge(phase, step) -
                             rounded_edge(std::fmod(phase + 1 - duty, 1.0), step);
        const double offset = 2 * duty - 1;
        return ((phase < duty ? 1 : -1) + edges - offset) / (1 + std::fabs(offset));
    }
    case waveform::triangle:
        return 1 - 4 * std::fabs(phase - 0.5);
    case waveform::sine:
        return std::sin(2 * PI * phase);
    case waveform::noise:
        return held_noise;
    }
    return 0;
}

// Adds the voice into `mix` from its start on.
void add_voice(const voice_spec &v, std::vector<double> &mix)
{
    const std::size_t first = samples_in(v.start);
    const std::size_t count = samples_in(v.length);
    const double smoothing = v.lowpass > 0 ? 1 - std::exp(-2 * PI * v.lowpass / SOUND_RATE) : 1;
    noise_source noise;
    double held_noise = noise.next();
    double phase = 0, smoothed = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / SOUND_RATE;
        const double step = pitch_at(v, t) / SOUND_RATE;
        const double raw = wave_at(v.wave, phase, step, v.duty, held_noise);
        smoothed += smoothing * (raw - smoothed);
        mix[first + i] += smoothed * envelope(v, t) * v.volume;
        phase += step;
        if (phase >= 1) {
            phase -= std::floor(phase);
            held_noise = noise.next(); // noise draws a new value once a period
        }
    }
}

} // namespace

rendered_sound render_sound(const sound_spec &sound)
{
    std::size_t total = 0;
    for (const voice_spec &v : sound.voices)
        total = std::max(total, samples_in(v.start) + samples_in(v.length));
    std::vector<double> mix(total, 0.0);
    for (const voice_spec &v : sound.voices)
        add_voice(v, mix);
    rendered_sound out{{}, 0};
    out.samples.reserve(total);
    for (double level : mix) {
        out.peak = std::max(out.peak, std::fabs(level));
        const double clamped = std::clamp(level, -1.0, 1.0);
        out.samples.push_back(static_cast<std::int16_t>(std::lround(clamped * FULL_SCALE)));
    }
    return out;
}

bool render_sounds(const std::string &file, const std::vector<sound_spec> &sounds,
                   std::vector<rendered_sound> &rendered, Diagnostics &errors)
{
    rendered.clear();
    for (const sound_spec &sound : sounds) {
        rendered.push_back(render_sound(sound));
        if (rendered.back().peak > 1) {
            char message[160];
            std::snprintf(message, sizeof message,
                          "the voices of \"%s\" reach %.2f of full scale and would clip: lower "
                          "their volumes",
                          sound.name.c_str(), rendered.back().peak);
            errors.error(file, sound.pos, message);
        }
    }
    return errors.empty();
}
