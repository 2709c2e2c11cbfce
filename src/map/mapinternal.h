// Internals shared by the loader's source files (chunk loop, decoders, graphics conversion):
// not part of the library's public interface.
#ifndef MAPINTERNAL_H
#define MAPINTERNAL_H

#include "maplib.h"

#include <cstdint>
#include <cstdlib>
#include <string>

// Every part of a loaded map is allocated with MapAllocate and released with MapRelease,
// because MapFreeMem releases whatever a load or a layer file left in the globals. Null when
// the memory cannot be had; a count of 0 still gives a valid (unused) block.
template <typename T>
T *MapAllocate(std::size_t count)
{
    const std::size_t wanted = count ? count : 1;
    if (wanted > SIZE_MAX / sizeof(T))
        return nullptr;
    return static_cast<T *>(std::malloc(wanted * sizeof(T)));
}

template <typename T>
void MapRelease(T *&part)
{
    std::free(part);
    part = nullptr;
}

// A chunk of the map file: 4-byte identifier, 4-byte big-endian data length, data.
constexpr int MAP_CHUNK_LENGTH_OFFSET = 4;
constexpr int MAP_CHUNK_HEADER_SIZE = 8;

// The data length of the chunk (or chunk header) at `chunk`.
inline std::uint32_t MapChunkLength(const unsigned char *chunk)
{
    return MapGetchksz(chunk + MAP_CHUNK_LENGTH_OFFSET);
}

// The chunks of a map file or image in order, by the loader's rules: "FORM", a form length of
// at least 4 and "FMAP", then chunks that each lie whole in the form, until it is used up. A
// chunk of a file is read into a buffer of the reader's, released when the next is read; a
// chunk of an image is where it lies, as an image holds the whole form its header declares.
// Where a rule fails, error() is the maperror code of a load and problem() says what is wrong
// and where; the reader leaves maperror alone.
class MapFormReader {
public:
    static constexpr int OUTER_HEADER_SIZE = 12; // "FORM", form length, "FMAP"

    // Reads from where the file stands, or from the image at `image`.
    MapFormReader(PACKFILE *file, const unsigned char *image);
    ~MapFormReader();
    MapFormReader(const MapFormReader &) = delete;
    MapFormReader &operator=(const MapFormReader &) = delete;

    // Reads and checks the outer header, after which next_chunk gives the form's chunks. 0, or
    // -1.
    int read_outer_header();
    // The outer header as a file holds it, even when wrong; null for an image or a file too
    // short for it.
    const unsigned char *outer_header() const;
    // For a caller that has read the outer header itself: the chunks begin here, and the form
    // with its header is `length` bytes (form length + 8).
    void enter_form(long length);

    // The next chunk: 1 with chunk() at its identifier, 0 after the form's last chunk, -1.
    int next_chunk();
    const unsigned char *chunk() const { return chunk_; }
    std::uint64_t chunk_offset() const { return chunk_offset_; } // of chunk() in the file
    std::uint64_t form_size() const { return static_cast<std::uint64_t>(form_size_); }

    int error() const { return error_; }
    const std::string &problem() const { return problem_; }

private:
    std::size_t read(unsigned char *to, std::size_t count);
    int take_chunk_header(unsigned char *header);
    int read_chunk(const unsigned char *header, std::uint32_t size);
    int fail(int code, std::string problem);

    PACKFILE *file_;
    const unsigned char *pos_;        // the image's next byte
    unsigned char *buffer_ = nullptr; // the file's chunk at hand
    const unsigned char *chunk_ = nullptr;
    unsigned char outer_[OUTER_HEADER_SIZE] = {};
    bool outer_read_ = false;
    long form_size_ = 0;
    long remaining_ = 0; // bytes of the form after the chunk at hand
    std::uint64_t offset_ = 0, chunk_offset_ = 0;
    int error_ = MER_NONE;
    std::string problem_;
};

// The depth a load converts to when there is no screen to take it from: no depth at all, so the
// conversion fails with MER_NOSCREEN.
constexpr int MAP_NO_DEPTH = 0;

// The screen's colour depth, MAP_NO_DEPTH without a screen: what the entry points that follow
// the screen convert to.
int MapScreenDepth();

// Values of mapgfxinbitmaps.
enum MapGraphicsPlace { MAP_GFX_IN_VIDEO = 1, MAP_GFX_IN_MEMORY = 2 };

// The map file as MapReadMapFile reads it, for reading with pack_fread; null, with the reason in
// `problem` when given, when it is not a regular file or cannot be opened. A read that meets a
// fault in a packed file falls short, and pack_ferror tells it from the end of the file.
PACKFILE *MapOpenFile(const char *filename, std::string *problem = nullptr);
// Why reading a file MapOpenFile opened went wrong, or an empty text when nothing did.
std::string MapFileProblem(PACKFILE *file);

// The mask colour of a bitmap of colour depth `depth`: what masked drawing leaves out.
int MapMaskColour(int depth);

// Leaves `code` in maperror and returns -1, the failure result of every loading step.
int MapSetError(int code);

// Colour depths the map file and the conversion know: 8, 15, 16, 24 and 32.
bool MapIsSupportedDepth(int depth);
// Bytes one pixel of colour depth `depth` takes: (depth + 1) / 8.
int MapBytesPerPixel(int depth);
// Pixels of all block graphics of the current header.
std::uint64_t MapGraphicsPixels();

// One load in progress: the colour depth it converts the graphics to (which decides whether
// "AGFX" is taken), and what it has met so far, for the rules on chunk order and repetition.
struct MapChunkLog {
    int depth = MAP_NO_DEPTH;
    std::uint32_t seen = 0; // one bit per known identifier
};

// Decodes one complete chunk (identifier, length, data) through the decoder of its identifier,
// or keeps a copy of one of an identifier it does not know, for MapGetChunk. Fails with
// maperror 2 for a second chunk of a known identifier, or for a chunk that needs the header
// before "MPHD", and with 1 when memory runs out. Returns 0 or -1.
int MapDecodeChunk(const unsigned char *chunk, MapChunkLog &log);

// Printable ASCII: shown as it is in an identifier's text, and all that the identifier of a
// program's own chunk may hold.
inline bool MapIsPrintableAscii(unsigned char c)
{
    return c >= ' ' && c <= '~';
}
// An identifier as text for the library's messages: printable ASCII as it is, other bytes as
// \xNN.
std::string MapChunkIdText(const std::string &id);

// True when the 4-character identifier is one the loader decodes itself.
bool MapIsKnownChunk(const char *id);
// Releases the chunks of other programs that a load kept for MapGetChunk.
void MapReleaseKeptChunks();

// After the last chunk: a load without a header holds no block records and no graphics (their
// counts become 0); the block records' graphic numbers must name graphics, and every layer cell
// a block record or an animation. Returns 0, or -1 with maperror 2.
int MapCheckDecoded(const MapChunkLog &log);

// MapRelocate converting to colour depth `depth` instead of the screen's.
int MapConvertGraphics(int depth);

// Destroys the block bitmaps, releases abmTiles and clears the counts of video and memory
// bitmaps.
void MapDestroyTiles();

#endif
