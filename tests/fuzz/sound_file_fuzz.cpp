// Fuzz target sound_file: arbitrary bytes as one of the game's sound files. What the reader
// takes must make a sample of the numbers it read, and a 16-bit sound written again by the
// synthesizer's writer must read back to the same sample.
#include "fuzz_target.h"
#include "soundfile.h"

#include <allegro.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr unsigned SIGNED_TO_UNSIGNED_16 = 0x8000;

void check_written_again(const SAMPLE &sample)
{
    const auto *data = static_cast<const std::uint16_t *>(sample.data);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(sample.len));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(data[i] ^ SIGNED_TO_UNSIGNED_16);
    const std::vector<std::uint8_t> again = wav_bytes(samples, sample.freq);
    std::string why;
    SAMPLE *copy = sample_from_wav(again.data(), again.size(), why);
    if (!copy || copy->len != sample.len || copy->freq != sample.freq ||
        std::memcmp(copy->data, sample.data, 2 * samples.size()) != 0)
        std::abort(); // the writer's own file read back otherwise
    destroy_sample(copy);
}

} // namespace

int fuzz_sound_file(const std::uint8_t *data, std::size_t size)
{
    wav_sound sound;
    const bool readable = read_wav(data, size, sound).empty();
    std::string why;
    SAMPLE *sample = sample_from_wav(data, size, why);
    if (readable != (sample != nullptr))
        std::abort(); // the sample maker and the reader disagree
    if (!sample)
        return 0;
    if (sample->bits != sound.bits || sample->freq != sound.rate ||
        sample->len != sound.frames || sample->stereo != 0)
        std::abort();
    if (sample->bits == 16)
        check_written_again(*sample);
    destroy_sample(sample);
    return 0;
}

ORVIA_FUZZ_TARGET("sound_file", fuzz_sound_file)
