// Sound files: the WAV form written once, read back chunk by chunk with every length checked
// against what the file holds and against the caps before a sample is made.
#include "soundfile.h"

#include "diagnostic.h"
#include "maplib.h"

#include <allegro.h>

#include <cstring>

namespace {

constexpr std::size_t RIFF_HEADER = 12; // "RIFF", the length of what follows, "WAVE"
constexpr std::size_t CHUNK_ID_SIZE = 4;
constexpr std::size_t CHUNK_HEADER = 8; // the identifier, the length of the body
constexpr std::size_t PCM_FORMAT_SIZE = 16;
constexpr std::size_t PCM_FORMAT_WITH_EXTRA = 18; // some writers add an empty extra field
constexpr unsigned FORMAT_PCM = 1;
constexpr unsigned MONO = 1;
constexpr int BITS_PER_BYTE = 8;
// What wav_bytes writes: 16-bit samples.
constexpr unsigned WRITTEN_BITS = 16;
constexpr unsigned WRITTEN_SAMPLE_BYTES = WRITTEN_BITS / BITS_PER_BYTE;
constexpr unsigned SIGNED_TO_UNSIGNED_16 = 0x8000; // the library keeps 16-bit samples unsigned

unsigned read_le16(const std::uint8_t *p) { return p[0] | p[1] << 8; }

std::uint32_t read_le32(const std::uint8_t *p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void put_le16(std::vector<std::uint8_t> &out, unsigned v)
{
    out.push_back(v & 0xff);
    out.push_back(v >> 8 & 0xff);
}

void put_le32(std::vector<std::uint8_t> &out, std::uint32_t v)
{
    put_le16(out, v & 0xffff);
    put_le16(out, v >> 16);
}

void put_id(std::vector<std::uint8_t> &out, const char *id)
{
    out.insert(out.end(), id, id + CHUNK_ID_SIZE);
}

bool is_id(const std::uint8_t *p, const char *id) { return std::memcmp(p, id, CHUNK_ID_SIZE) == 0; }

// A chunk identifier fit to print, whatever its bytes.
std::string id_text(const std::uint8_t *p)
{
    return printable(std::string_view(reinterpret_cast<const char *>(p), CHUNK_ID_SIZE));
}

std::string read_format(const std::uint8_t *body, std::size_t size, wav_sound &sound)
{
    if (size != PCM_FORMAT_SIZE && size != PCM_FORMAT_WITH_EXTRA)
        return format_text("the fmt chunk has %zu bytes, not the %zu of plain PCM", size,
                           PCM_FORMAT_SIZE);
    const unsigned format = read_le16(body);
    const unsigned channels = read_le16(body + 2);
    const std::uint32_t rate = read_le32(body + 4);
    const std::uint32_t byte_rate = read_le32(body + 8);
    const unsigned block = read_le16(body + 12);
    const unsigned bits = read_le16(body + 14);
    if (format != FORMAT_PCM)
        return format_text("format %u is not PCM (%u)", format, FORMAT_PCM);
    if (channels != MONO)
        return format_text("%u channels, not one", channels);
    if (bits != 8 && bits != 16)
        return format_text("%u bits a sample, not 8 or 16", bits);
    if (rate < MIN_SOUND_RATE || rate > MAX_SOUND_RATE)
        return format_text("a rate of %u Hz, outside %d to %d", static_cast<unsigned>(rate),
                           MIN_SOUND_RATE, MAX_SOUND_RATE);
    const unsigned frame = bits / BITS_PER_BYTE;
    if (block != frame || byte_rate != rate * frame)
        return format_text("%u bytes a sample and %u a second disagree with %u bits at %u Hz",
                           block, static_cast<unsigned>(byte_rate), bits,
                           static_cast<unsigned>(rate));
    sound.bits = static_cast<int>(bits);
    sound.rate = static_cast<int>(rate);
    return "";
}

std::string read_data(const std::uint8_t *body, std::size_t size, wav_sound &sound)
{
    const std::size_t frame = static_cast<std::size_t>(sound.bits) / BITS_PER_BYTE;
    if (size == 0)
        return "the data chunk holds no samples";
    if (size % frame != 0)
        return format_text("the data chunk's %zu bytes are not whole %zu-byte samples", size,
                           frame);
    const std::size_t frames = size / frame;
    const std::size_t most = static_cast<std::size_t>(sound.rate) * MAX_SOUND_SECONDS;
    if (frames > most)
        return format_text("%zu samples at %d Hz last longer than %d seconds", frames, sound.rate,
                           MAX_SOUND_SECONDS);
    sound.data = body;
    sound.frames = frames;
    return "";
}

} // namespace

std::vector<std::uint8_t> wav_bytes(const std::vector<std::int16_t> &samples, int rate)
{
    const std::uint32_t data_size =
        static_cast<std::uint32_t>(WRITTEN_SAMPLE_BYTES * samples.size());
    std::vector<std::uint8_t> out;
    out.reserve(RIFF_HEADER + 2 * CHUNK_HEADER + PCM_FORMAT_SIZE + data_size);
    put_id(out, "RIFF");
    put_le32(out, static_cast<std::uint32_t>(4 + 2 * CHUNK_HEADER + PCM_FORMAT_SIZE) + data_size);
    put_id(out, "WAVE");
    put_id(out, "fmt ");
    put_le32(out, PCM_FORMAT_SIZE);
    put_le16(out, FORMAT_PCM);
    put_le16(out, MONO);
    put_le32(out, static_cast<std::uint32_t>(rate));
    put_le32(out, static_cast<std::uint32_t>(rate) * WRITTEN_SAMPLE_BYTES);
    put_le16(out, WRITTEN_SAMPLE_BYTES);
    put_le16(out, WRITTEN_BITS);
    put_id(out, "data");
    put_le32(out, data_size);
    for (std::int16_t s : samples)
        put_le16(out, static_cast<std::uint16_t>(s));
    return out;
}

std::string read_wav(const std::uint8_t *bytes, std::size_t size, wav_sound &sound)
{
    sound = wav_sound{};
    if (size > MAX_SOUND_FILE_BYTES)
        return format_text("%zu bytes, more than the %zu a sound file may have", size,
                           MAX_SOUND_FILE_BYTES);
    if (size < RIFF_HEADER || !is_id(bytes, "RIFF") || !is_id(bytes + 8, "WAVE"))
        return "not a RIFF/WAVE file";
    const std::uint32_t riff_size = read_le32(bytes + 4);
    if (riff_size != size - 8)
        return format_text("the RIFF header claims %u bytes after it, the file has %zu",
                           static_cast<unsigned>(riff_size), size - 8);
    std::size_t at = RIFF_HEADER;
    while (at < size) {
        if (size - at < CHUNK_HEADER)
            return format_text("the chunk header at byte %zu is cut short", at);
        const std::uint8_t *id = bytes + at;
        const std::size_t body = at + CHUNK_HEADER;
        const std::uint32_t length = read_le32(bytes + at + 4);
        if (length > size - body)
            return format_text("chunk \"%s\" at byte %zu claims %u bytes, %zu follow",
                               id_text(id).c_str(), at, static_cast<unsigned>(length), size - body);
        if (is_id(id, "fmt ")) {
            if (sound.bits != 0)
                return "a second fmt chunk";
            const std::string wrong = read_format(bytes + body, length, sound);
            if (!wrong.empty())
                return wrong;
        } else if (is_id(id, "data")) {
            if (sound.bits == 0)
                return "the data chunk comes before the fmt chunk";
            return read_data(bytes + body, length, sound);
        }
        at = body + length + (length & 1); // chunks are padded to an even length
    }
    return sound.bits == 0 ? "no fmt chunk" : "no data chunk";
}

SAMPLE *sample_from_wav(const std::uint8_t *bytes, std::size_t size, std::string &why)
{
    wav_sound sound;
    why = read_wav(bytes, size, sound);
    if (!why.empty())
        return nullptr;
    SAMPLE *sample = create_sample(sound.bits, 0, sound.rate, static_cast<int>(sound.frames));
    if (!sample) {
        why = format_text("no memory for %zu samples", sound.frames);
        return nullptr;
    }
    if (sound.bits == 8) {
        std::memcpy(sample->data, sound.data, sound.frames);
        return sample;
    }
    auto *out = static_cast<std::uint16_t *>(sample->data);
    for (std::size_t i = 0; i < sound.frames; ++i)
        out[i] = static_cast<std::uint16_t>(read_le16(sound.data + 2 * i) ^ SIGNED_TO_UNSIGNED_16);
    return sample;
}

SAMPLE *load_wav_sample(const std::string &path, std::string &why)
{
    std::string bytes;
    if (MapReadFile(path.c_str(), MAX_SOUND_FILE_BYTES, bytes, &why) != 0)
        return nullptr;
    return sample_from_wav(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size(),
                           why);
}
