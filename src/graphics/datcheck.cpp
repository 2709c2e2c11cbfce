// Checks a graphics datafile as Allegro's loader would read it, through the same packfile calls
// in the same order, so that what passes here is exactly what the loader will see. The loader
// fails, and frees twice, on any object it cannot build, so a file passes only when every
// object is one it builds. Packed files and objects are refused: Allegro's unpacker starts
// from a partly uninitialised window, so a damaged packed stream can unpack differently here
// and in the loader.
#include "datcheck.h"

#include "maplib.h"

#include <allegro.h>

#include <algorithm>
#include <cstring>

namespace {

// Limits beyond which nothing in a game's datafile goes. They keep every size Allegro
// multiplies in an int far from overflowing, and every allocation sane.
constexpr long MAX_OBJECTS = 1L << 16;
constexpr long MAX_PROPERTY_SIZE = 1L << 16; // a name, a file name, a date
constexpr long MAX_SIDE = 32767;             // Allegro keeps glyph sizes in shorts
constexpr long MAX_PIXELS = 1L << 24;        // of one picture or glyph
constexpr long MAX_CHARACTER = 0x10FFFF;     // the last Unicode code point
constexpr std::uint64_t MAX_FILE_BYTES = 1 << 26; // far more than a game's datafile takes

// Fonts: the current format gives 0 where old formats gave a glyph height; its ranges are
// monochrome (flag 1, or 255) or colour (a colour depth, 0 meaning 8).
constexpr int FONT_WITH_RANGES = 0;
constexpr int MONO_RANGE = 1, MONO_RANGE_ALSO = 255;
constexpr int OLD_COLOUR_RANGE = 0, PALETTE_DEPTH = 8;
constexpr int MONO_BITS_PER_BYTE = 8;
enum RangeKind { NO_RANGE_YET, MONO, COLOUR };

// Palettes are stored as Allegro holds them: red, green, blue of 0 to 63 and a padding byte.
constexpr int PALETTE_COMPONENT_MAX = 63;

// A 16-bit field read as Allegro's loader declares it: a signed short.
int signed_word(int word)
{
    return word >= 0x8000 ? word - 0x10000 : word;
}

// Bytes of one stored pixel by the depth field of a bitmap (or of a colour font range), as
// the loader reads them: 32-bit pixels without alpha are stored as red, green, blue. 0 for a
// depth the loader cannot build.
int stored_pixel_bytes(int depth)
{
    switch (depth) {
    case 8: return 1;
    case 15:
    case 16: return 2;
    case 24:
    case 32: return 3;
    case -32: return 4;
    default: return 0;
    }
}

// Reads through a packfile as the loader does and counts the bytes taken.
class Reader {
public:
    explicit Reader(PACKFILE *file) : file_(file) {}

    bool byte(int &value) { return counted((value = pack_getc(file_)) != EOF, 1); }
    bool word(int &value) { return counted((value = pack_mgetw(file_)) != EOF, 2); }
    // pack_mgetl gives 0 to 2^32 - 1 in a long, or EOF.
    bool quad(long &value) { return counted((value = pack_mgetl(file_)) != EOF, 4); }

    bool skip(long count)
    {
        unsigned char buffer[F_BUF_SIZE];
        while (count > 0) {
            const long part = std::min<long>(count, sizeof buffer);
            if (pack_fread(buffer, part, file_) != part)
                return false;
            count -= part;
            consumed_ += part;
        }
        return true;
    }

    long consumed() const { return consumed_; }

private:
    bool counted(bool read, long bytes)
    {
        if (read)
            consumed_ += bytes;
        return read;
    }

    PACKFILE *file_;
    long consumed_ = 0;
};

// Allegro draws no picture or glyph of width or height 0 safely.
bool size_is_sound(int w, int h)
{
    return w >= 1 && h >= 1 && w <= MAX_SIDE && h <= MAX_SIDE && long{w} * h <= MAX_PIXELS;
}

// Width, height and pixels of a bitmap or a colour glyph, at `bytes` bytes a pixel.
bool picture_is_sound(Reader &in, int bytes)
{
    int w, h;
    return bytes > 0 && in.word(w) && in.word(h) && size_is_sound(w, h) &&
           in.skip(long{w} * h * bytes);
}

bool bitmap_is_sound(Reader &in)
{
    int depth;
    return in.word(depth) && picture_is_sound(in, stored_pixel_bytes(signed_word(depth)));
}

// Width, height and the rows of bits of a monochrome glyph, each row whole bytes.
bool mono_glyph_is_sound(Reader &in)
{
    int w, h;
    return in.word(w) && in.word(h) && size_is_sound(w, h) &&
           in.skip((w + MONO_BITS_PER_BYTE - 1) / MONO_BITS_PER_BYTE * long{h});
}

// One range of characters first .. last. All ranges of a font must be of one kind, since
// Allegro gives the font the drawing functions of its last range.
bool range_is_sound(Reader &in, RangeKind &kind, bool &has_stand_in)
{
    int flag;
    long first, last;
    if (!in.byte(flag) || !in.quad(first) || !in.quad(last) || first > last ||
        last > MAX_CHARACTER)
        return false;
    has_stand_in = has_stand_in || (first <= allegro_404_char && allegro_404_char <= last);
    const RangeKind this_kind = flag == MONO_RANGE || flag == MONO_RANGE_ALSO ? MONO : COLOUR;
    if (kind != NO_RANGE_YET && kind != this_kind)
        return false;
    kind = this_kind;
    const int bytes = stored_pixel_bytes(flag == OLD_COLOUR_RANGE ? PALETTE_DEPTH : flag);
    for (long c = first; c <= last; ++c)
        if (!(kind == MONO ? mono_glyph_is_sound(in) : picture_is_sound(in, bytes)))
            return false;
    return true;
}

// Only the current format: the old ones are long obsolete, and with no range at all Allegro
// leaves the font without its drawing functions. Allegro draws a character the font lacks as
// allegro_404_char, and crashes when the font lacks that one too.
bool font_is_sound(Reader &in)
{
    int format, ranges;
    if (!in.word(format) || format != FONT_WITH_RANGES || !in.word(ranges) || ranges < 1)
        return false;
    RangeKind kind = NO_RANGE_YET;
    bool has_stand_in = false;
    for (int r = 0; r < ranges; ++r)
        if (!range_is_sound(in, kind, has_stand_in))
            return false;
    return has_stand_in;
}

// Allegro reads a palette as plain data, and set_palette takes its 256 entries.
bool palette_is_sound(Reader &in)
{
    for (int entry = 0; entry < PAL_SIZE; ++entry) {
        int r, g, b, padding;
        if (!in.byte(r) || !in.byte(g) || !in.byte(b) || !in.byte(padding))
            return false;
        if (r > PALETTE_COMPONENT_MAX || g > PALETTE_COMPONENT_MAX || b > PALETTE_COMPONENT_MAX)
            return false;
    }
    return true;
}

using ContentsCheck = bool (*)(Reader &);

// The kinds of object a game's datafile holds; anything else is refused.
ContentsCheck contents_check(long type)
{
    switch (type) {
    case DAT_FONT: return font_is_sound;
    case DAT_PALETTE: return palette_is_sound;
    case DAT_BITMAP: return bitmap_is_sound;
    default: return nullptr;
    }
}

bool is_packed(const PACKFILE *file)
{
    return (file->normal.flags & PACKFILE_FLAG_PACK) != 0;
}

// The object's data must be exactly what its fields take: its size is what the loader is
// told, and a palette is allocated by it.
bool object_is_sound(PACKFILE *file, long type)
{
    const ContentsCheck contents = contents_check(type);
    if (!contents)
        return false;
    PACKFILE *chunk = pack_fopen_chunk(file, FALSE);
    if (!chunk)
        return false;
    const long declared = chunk->normal.todo;
    Reader in(chunk);
    const bool sound = !is_packed(chunk) && contents(in) && in.consumed() == declared;
    pack_fclose_chunk(chunk);
    return sound;
}

// A property: a type, a size and that many bytes, which the loader allocates and reads.
bool property_is_sound(Reader &in)
{
    long type, size;
    return in.quad(type) && in.quad(size) && size <= MAX_PROPERTY_SIZE && in.skip(size);
}

// The object count, then each object with the properties before it.
bool objects_are_sound(PACKFILE *file)
{
    Reader in(file);
    long count;
    if (!in.quad(count) || count > MAX_OBJECTS)
        return false;
    for (long objects = 0; objects < count;) {
        long type;
        if (!in.quad(type))
            return false;
        if (type == DAT_PROPERTY) {
            if (!property_is_sound(in))
                return false;
            continue;
        }
        if (!object_is_sound(file, type))
            return false;
        ++objects;
    }
    return true;
}

} // namespace

bool datafile_is_sound(const char *path)
{
    // With a '#', Allegro opens an object inside another datafile, reading that one unchecked.
    if (!path || std::strchr(path, '#'))
        return false;
    // Allegro opens the file by its name; only a regular file is let through to it, so that a
    // FIFO or a device cannot hold the game up.
    if (MapCheckFile(path, MAX_FILE_BYTES) != 0)
        return false;
    PACKFILE *file = pack_fopen(path, F_READ_PACKED);
    if (!file)
        return false;
    const bool sound =
        !is_packed(file) && pack_mgetl(file) == DAT_MAGIC && objects_are_sound(file);
    pack_fclose(file);
    return sound;
}
