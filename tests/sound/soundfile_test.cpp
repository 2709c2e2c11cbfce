// The sound file reader: what the synthesizer writes comes back as the same samples in the
// library's unsigned form, 8-bit files and unknown chunks are taken, and each kind of damage is
// refused with the numbers named.
#include "headless.h"
#include "soundfile.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

using bytes = std::vector<std::uint8_t>;

constexpr std::size_t RIFF_SIZE_AT = 4, FORMAT_AT = 20, CHANNELS_AT = 22, RATE_AT = 24,
                      BITS_AT = 34, DATA_ID_AT = 36, DATA_SIZE_AT = 40;

void put32(bytes &b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The header's length of what follows made to agree with the bytes again.
void fit_riff(bytes &b) { put32(b, RIFF_SIZE_AT, static_cast<std::uint32_t>(b.size() - 8)); }

const std::vector<std::int16_t> SAMPLES = {0, 1000, -1000, 32767, -32768, 5};

struct damage {
    const char *what;
    std::function<void(bytes &)> apply;
    const char *message;
};

const damage DAMAGES[] = {
    {"cut inside the RIFF header", [](bytes &b) { b.resize(10); }, "not a RIFF/WAVE file"},
    {"not WAVE", [](bytes &b) { b[8] = 'A'; }, "not a RIFF/WAVE file"},
    {"cut short", [](bytes &b) { b.pop_back(); },
     "the RIFF header claims 48 bytes after it, the file has 47"},
    {"stereo", [](bytes &b) { b[CHANNELS_AT] = 2; }, "2 channels, not one"},
    {"not PCM", [](bytes &b) { b[FORMAT_AT] = 3; }, "format 3 is not PCM (1)"},
    {"24 bits", [](bytes &b) { b[BITS_AT] = 24; }, "24 bits a sample, not 8 or 16"},
    {"a rate too low", [](bytes &b) { put32(b, RATE_AT, 4000); },
     "a rate of 4000 Hz, outside 8000 to 48000"},
    {"a byte rate that disagrees", [](bytes &b) { put32(b, RATE_AT, 44100); },
     "2 bytes a sample and 44100 a second disagree with 16 bits at 44100 Hz"},
    {"data longer than the file", [](bytes &b) { put32(b, DATA_SIZE_AT, 100); },
     "chunk \"data\" at byte 36 claims 100 bytes, 12 follow"},
    {"half a sample",
     [](bytes &b) {
         put32(b, DATA_SIZE_AT, 11);
         b.pop_back();
         fit_riff(b);
     },
     "the data chunk's 11 bytes are not whole 2-byte samples"},
    {"no data chunk",
     [](bytes &b) {
         b.resize(DATA_ID_AT);
         fit_riff(b);
     },
     "no data chunk"},
    {"data before fmt",
     [](bytes &b) {
         const bytes format(b.begin() + 12, b.begin() + DATA_ID_AT);
         b.erase(b.begin() + 12, b.begin() + DATA_ID_AT);
         b.insert(b.end(), format.begin(), format.end());
     },
     "the data chunk comes before the fmt chunk"},
    {"a cut chunk header",
     [](bytes &b) {
         b.resize(DATA_ID_AT + 4);
         fit_riff(b);
     },
     "the chunk header at byte 36 is cut short"},
    {"longer than a sound may last",
     [](bytes &b) {
         b.resize(DATA_ID_AT + 8 + 2 * (SOUND_RATE * MAX_SOUND_SECONDS + 1));
         put32(b, DATA_SIZE_AT, static_cast<std::uint32_t>(b.size() - DATA_ID_AT - 8));
         fit_riff(b);
     },
     "88201 samples at 22050 Hz last longer than 4 seconds"},
    {"more bytes than any sound file",
     [](bytes &b) { b.resize(MAX_SOUND_FILE_BYTES + 1); },
     "bytes, more than the"},
};

class SoundFileTest : public HeadlessTest {};

TEST_F(SoundFileTest, WrittenSoundsReadBackAndDamagedOnesAreRefused)
{
    const bytes good = wav_bytes(SAMPLES, SOUND_RATE);
    std::string why;
    SAMPLE *sample = sample_from_wav(good.data(), good.size(), why);
    ASSERT_NE(sample, nullptr) << why;
    EXPECT_EQ(sample->bits, 16);
    EXPECT_EQ(sample->stereo, 0);
    EXPECT_EQ(sample->freq, SOUND_RATE);
    ASSERT_EQ(sample->len, SAMPLES.size());
    const auto *data = static_cast<const std::uint16_t *>(sample->data);
    for (std::size_t i = 0; i < SAMPLES.size(); ++i)
        EXPECT_EQ(data[i], static_cast<std::uint16_t>(SAMPLES[i] + 0x8000)) << i;
    destroy_sample(sample);

    for (const damage &d : DAMAGES) {
        SCOPED_TRACE(d.what);
        bytes damaged = good;
        d.apply(damaged);
        EXPECT_EQ(sample_from_wav(damaged.data(), damaged.size(), why), nullptr);
        EXPECT_NE(why.find(d.message), std::string::npos) << why;
    }
}

// Another writer's file: 8-bit samples at 8000 Hz after an unknown chunk of odd length.
TEST_F(SoundFileTest, EightBitSamplesAfterAnUnknownChunkAreTaken)
{
    bytes file = wav_bytes({0, 0}, 8000);
    file[BITS_AT] = 8;
    put32(file, 28, 8000);      // bytes a second
    file[32] = 1;               // bytes a sample
    file.resize(DATA_ID_AT);
    const bytes extra = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    const bytes data = {'d', 'a', 't', 'a', 3, 0, 0, 0, 0x80, 0xff, 0x00, 0};
    file.insert(file.end(), extra.begin(), extra.end());
    file.insert(file.end(), data.begin(), data.end());
    fit_riff(file);
    std::string why;
    SAMPLE *sample = sample_from_wav(file.data(), file.size(), why);
    ASSERT_NE(sample, nullptr) << why;
    EXPECT_EQ(sample->bits, 8);
    EXPECT_EQ(sample->freq, 8000);
    ASSERT_EQ(sample->len, 3u);
    const auto *d = static_cast<const std::uint8_t *>(sample->data);
    EXPECT_EQ(d[0], 0x80);
    EXPECT_EQ(d[1], 0xff);
    EXPECT_EQ(d[2], 0x00);
    destroy_sample(sample);
}

} // namespace
