// Internals shared by the loader's source files (chunk loop, decoders, graphics conversion):
// not part of the library's public interface.
#ifndef MAPINTERNAL_H
#define MAPINTERNAL_H

#include "maplib.h"

#include <cstdint>
#include <cstdlib>

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
constexpr int MAP_CHUNK_ID_SIZE = 4;
constexpr int MAP_CHUNK_LENGTH_OFFSET = 4;
constexpr int MAP_CHUNK_HEADER_SIZE = 8;

// The depth a load converts to when there is no screen to take it from: no depth at all, so the
// conversion fails with MER_NOSCREEN.
constexpr int MAP_NO_DEPTH = 0;

// The screen's colour depth, MAP_NO_DEPTH without a screen: what the entry points that follow
// the screen convert to.
int MapScreenDepth();

// Values of mapgfxinbitmaps.
enum MapGraphicsPlace { MAP_GFX_IN_VIDEO = 1, MAP_GFX_IN_MEMORY = 2 };

// A file packed by the game library's packer, else a plain file; null when neither opens or
// the name is a folder.
PACKFILE *MapOpenFile(const char *filename);

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

// Decodes one complete chunk (identifier, length, data) through the decoder of its identifier.
// Fails with maperror 2 for a second chunk of a known identifier, or for a chunk that needs
// the header before "MPHD". Returns 0 or -1.
int MapDecodeChunk(const unsigned char *chunk, MapChunkLog &log);

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
