// The game's sound files: mono PCM WAV, written by the sound synthesizer and read back into the
// game library's samples by a strict reader that trusts no length it has not checked.
#ifndef SOUNDFILE_H
#define SOUNDFILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct SAMPLE;

// The rate the synthesizer writes, and the range the reader takes.
constexpr int SOUND_RATE = 22050;
constexpr int MIN_SOUND_RATE = 8000;
constexpr int MAX_SOUND_RATE = 48000;
// No effect of the game lasts this long; a file that claims more is refused before anything
// is allocated for it.
constexpr int MAX_SOUND_SECONDS = 4;
// The whole file: the samples at the highest rate and depth, and room for a few small chunks.
constexpr std::size_t MAX_SOUND_FILE_BYTES = 2u * MAX_SOUND_RATE * MAX_SOUND_SECONDS + 4096;

// The file of 16-bit mono samples at `rate`, whole.
std::vector<std::uint8_t> wav_bytes(const std::vector<std::int16_t> &samples, int rate);

// What a sound file holds, pointing into the bytes it was read from.
struct wav_sound {
    int bits = 0; // 8 (unsigned samples) or 16 (signed, least significant byte first)
    int rate = 0;
    const std::uint8_t *data = nullptr;
    std::size_t frames = 0;
};

// Reads a RIFF/WAVE file of PCM mono 8- or 16-bit samples: a "fmt " chunk, then a "data"
// chunk, other chunks skipped by their length. Returns an empty text and fills `sound`, or
// says what is wrong, naming the chunk and the numbers.
std::string read_wav(const std::uint8_t *bytes, std::size_t size, wav_sound &sound);

// The sound file as a sample of the game library, or null with `why` saying what is wrong.
// Needs no sound device.
SAMPLE *sample_from_wav(const std::uint8_t *bytes, std::size_t size, std::string &why);

// The same from a file, which must be a regular file of at most MAX_SOUND_FILE_BYTES.
SAMPLE *load_wav_sample(const std::string &path, std::string &why);

#endif
