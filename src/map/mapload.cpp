// Load entry points of the map library: map files and memory images through one chunk loop,
// the release of a map, and the row tables of its layers.
#include "mapinternal.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

// The outer header: "FORM", the big-endian form length L, "FMAP"; L counts from "FMAP" on.
constexpr int FORM_ID_SIZE = MAP_CHUNK_ID_SIZE;
constexpr int FORM_LENGTH_OFFSET = 4;
constexpr int FORM_TYPE_OFFSET = 8;
constexpr int FORM_HEADER_SIZE = 12;
constexpr long FORM_LENGTH_EXTRA = 8; // bytes of the file before the form's counted part
constexpr std::uint32_t MIN_FORM_LENGTH = FORM_ID_SIZE;
const unsigned char FORM_ID[FORM_ID_SIZE] = {'F', 'O', 'R', 'M'};
const unsigned char FORM_TYPE[FORM_ID_SIZE] = {'F', 'M', 'A', 'P'};
constexpr std::size_t CHUNK_FIRST_READ = 64 * 1024; // chunk data bytes read before growing

void close_map_file()
{
    pack_fclose(mapfilept);
    mapfilept = nullptr;
}

bool read_exactly(PACKFILE *file, unsigned char *to, long count)
{
    return pack_fread(to, count, file) == count;
}

bool read_form_header(PACKFILE *file, std::uint32_t &form_length)
{
    unsigned char head[FORM_HEADER_SIZE];
    if (!read_exactly(file, head, FORM_TYPE_OFFSET) ||
        std::memcmp(head, FORM_ID, FORM_ID_SIZE) != 0)
        return false;
    form_length = MapGetchksz(head + FORM_LENGTH_OFFSET);
    if (form_length < MIN_FORM_LENGTH)
        return false;
    return read_exactly(file, head + FORM_TYPE_OFFSET, FORM_ID_SIZE) &&
           std::memcmp(head + FORM_TYPE_OFFSET, FORM_TYPE, FORM_ID_SIZE) == 0;
}

// The chunk at hand must lie whole inside the `remaining` bytes of the form.
bool chunk_fits(const unsigned char *header, long remaining, std::uint32_t &size)
{
    size = MapGetchksz(header + MAP_CHUNK_LENGTH_OFFSET);
    return size <= static_cast<std::uint64_t>(remaining - MAP_CHUNK_HEADER_SIZE);
}

// A whole chunk (its header, then `size` data bytes) in a new buffer, or null with maperror
// set. The data is read in steps that at most double what has arrived, so a length that
// promises more than the file holds fails as a short read without taking the memory it
// promises (a packed file does not tell its unpacked length in advance).
unsigned char *read_chunk(PACKFILE *file, const unsigned char *header, std::uint32_t size)
{
    std::size_t held = std::min<std::size_t>(size, CHUNK_FIRST_READ);
    auto *chunk = MapAllocate<unsigned char>(held + MAP_CHUNK_HEADER_SIZE);
    if (!chunk) {
        MapSetError(MER_OUTOFMEM);
        return nullptr;
    }
    std::memcpy(chunk, header, MAP_CHUNK_HEADER_SIZE);
    std::size_t read = 0;
    while (read_exactly(file, chunk + MAP_CHUNK_HEADER_SIZE + read, static_cast<long>(held - read))) {
        read = held;
        if (read == size)
            return chunk;
        held = std::min<std::size_t>(size, 2 * read);
        // realloc keeps the malloc'd block that MapRelease frees.
        auto *grown = static_cast<unsigned char *>(std::realloc(chunk, held + MAP_CHUNK_HEADER_SIZE));
        if (!grown) {
            MapRelease(chunk);
            MapSetError(MER_OUTOFMEM);
            return nullptr;
        }
        chunk = grown;
    }
    MapRelease(chunk);
    MapSetError(MER_MAPLOADERROR);
    return nullptr;
}

// One chunk at a time into its own buffer, which is released on every path.
int decode_file_chunks(PACKFILE *file, long remaining, MapChunkLog &log)
{
    while (remaining > 0) {
        unsigned char header[MAP_CHUNK_HEADER_SIZE];
        std::uint32_t size;
        if (remaining < MAP_CHUNK_HEADER_SIZE || !read_exactly(file, header, MAP_CHUNK_HEADER_SIZE) ||
            !chunk_fits(header, remaining, size))
            return MapSetError(MER_MAPLOADERROR);
        unsigned char *chunk = read_chunk(file, header, size);
        if (!chunk)
            return -1;
        const int result = MapDecodeChunk(chunk, log);
        MapRelease(chunk);
        if (result != 0)
            return -1;
        remaining -= MAP_CHUNK_HEADER_SIZE + static_cast<long>(size);
    }
    return 0;
}

// Chunks decoded where they lie in the image.
int decode_image_chunks(const unsigned char *chunk, long remaining, MapChunkLog &log)
{
    if (remaining > 0 && !chunk)
        return MapSetError(MER_MAPLOADERROR);
    while (remaining > 0) {
        std::uint32_t size;
        if (remaining < MAP_CHUNK_HEADER_SIZE || !chunk_fits(chunk, remaining, size))
            return MapSetError(MER_MAPLOADERROR);
        if (MapDecodeChunk(chunk, log) != 0)
            return -1;
        chunk += MAP_CHUNK_HEADER_SIZE + std::size_t{size};
        remaining -= MAP_CHUNK_HEADER_SIZE + static_cast<long>(size);
    }
    return 0;
}

// `length` is the whole file's: L + 8. Any failure leaves no map.
int decode_chunks(PACKFILE *file, const unsigned char *chunks, long length, int depth)
{
    MapFreeMem();
    maperror = MER_NONE;
    const long remaining = length - FORM_HEADER_SIZE;
    MapChunkLog log;
    log.depth = depth;
    const int decoded = file ? decode_file_chunks(file, remaining, log)
                             : decode_image_chunks(chunks, remaining, log);
    if (decoded != 0 || MapCheckDecoded(log) != 0) {
        MapFreeMem();
        return -1;
    }
    mapdepth = static_cast<short>(mapaltdepth);
    return MapConvertGraphics(depth);
}

// Nothing of the previous map is touched until the file has shown itself to be a map file.
int load_chunks(const char *filename, int depth)
{
    maperror = MER_NONE;
    mapfilept = filename ? MapOpenFile(filename) : nullptr;
    if (!mapfilept)
        return MapSetError(MER_NOOPEN);
    std::uint32_t form_length;
    if (!read_form_header(mapfilept, form_length)) {
        close_map_file();
        return MapSetError(MER_MAPLOADERROR);
    }
    const int result = decode_chunks(mapfilept, nullptr, form_length + FORM_LENGTH_EXTRA, depth);
    close_map_file();
    return result;
}

// The previous map is released before the image is even looked at.
int decode_form(const unsigned char *image, int depth)
{
    MapFreeMem();
    maperror = MER_NONE;
    if (!image || std::memcmp(image, FORM_ID, FORM_ID_SIZE) != 0)
        return MapSetError(MER_MAPLOADERROR);
    const std::uint32_t form_length = MapGetchksz(image + FORM_LENGTH_OFFSET);
    if (form_length < MIN_FORM_LENGTH ||
        std::memcmp(image + FORM_TYPE_OFFSET, FORM_TYPE, FORM_ID_SIZE) != 0)
        return MapSetError(MER_MAPLOADERROR);
    return decode_chunks(nullptr, image + FORM_HEADER_SIZE, form_length + FORM_LENGTH_EXTRA,
                         depth);
}

// A failed load that keeps the previous map (it could not open or recognise the file) keeps
// that map's graphics mode as well, so that MapRestore still treats it right.
int load_file(const char *filename, int mode, int depth)
{
    const int previous = mapgfxinbitmaps;
    mapgfxinbitmaps = mode;
    const int result = load_chunks(filename, depth);
    if (result != 0 && abmTiles)
        mapgfxinbitmaps = previous;
    return result;
}

int decode_image(const unsigned char *image, int mode, int depth)
{
    mapgfxinbitmaps = mode;
    return decode_form(image, depth);
}

} // namespace

PACKFILE *MapOpenFile(const char *filename)
{
    std::error_code error;
    if (std::filesystem::is_directory(filename, error))
        return nullptr; // the library would open it and then read nothing
    PACKFILE *file = pack_fopen(filename, F_READ_PACKED);
    return file ? file : pack_fopen(filename, F_READ);
}

int MapSetError(int code)
{
    maperror = code;
    return -1;
}

int MapScreenDepth()
{
    return screen ? bitmap_color_depth(screen) : MAP_NO_DEPTH;
}

int MapLoad(const char *filename)
{
    return load_file(filename, MAP_GFX_IN_MEMORY, MapScreenDepth());
}

int MapLoadVRAM(const char *filename)
{
    return load_file(filename, MAP_GFX_IN_VIDEO, MapScreenDepth());
}

int MapLoadABM(const char *filename)
{
    return load_file(filename, MAP_GFX_IN_MEMORY, MapScreenDepth());
}

int MapLoadDepth(const char *filename, int depth)
{
    return load_file(filename, MAP_GFX_IN_MEMORY, depth);
}

int MapDecode(const unsigned char *image)
{
    return decode_image(image, MAP_GFX_IN_MEMORY, MapScreenDepth());
}

int MapDecodeVRAM(const unsigned char *image)
{
    return decode_image(image, MAP_GFX_IN_VIDEO, MapScreenDepth());
}

int MapDecodeABM(const unsigned char *image)
{
    return decode_image(image, MAP_GFX_IN_MEMORY, MapScreenDepth());
}

int MapDecodeDepth(const unsigned char *image, int depth)
{
    return decode_image(image, MAP_GFX_IN_MEMORY, depth);
}

int MapRealLoad(const char *filename)
{
    return load_chunks(filename, MapScreenDepth());
}

int MapPreRealDecode(const unsigned char *image)
{
    return decode_form(image, MapScreenDepth());
}

int MapRealDecode(PACKFILE *file, const unsigned char *chunks, long length)
{
    return decode_chunks(file, chunks, length, MapScreenDepth());
}

void MapFreeMem()
{
    for (short *&layer : mapmappt)
        MapRelease(layer);
    mappt = nullptr;
    for (short **&rows : mapmaparraypt)
        MapRelease(rows);
    maparraypt = nullptr;
    MapRelease(mapcmappt);
    MapRelease(mapblockgfxpt);
    MapRelease(mapblockstrpt);
    MapRelease(mapanimseqpt);
    MapRelease(mapanimstrpt);
    mapanimstrendpt = nullptr;
    MapDestroyTiles();
    mapnovctext[0] = 0;
}

// On failure the tables built so far stay, and maparraypt never refers to a released table.
int MapGenerateYLookup()
{
    for (int layer = 0; layer < MAP_LAYERS; ++layer) {
        if (maparraypt && maparraypt == mapmaparraypt[layer])
            maparraypt = nullptr;
        MapRelease(mapmaparraypt[layer]);
        short *cells = mapmappt[layer];
        if (!cells)
            continue;
        short **rows = MapAllocate<short *>(mapheight > 0 ? mapheight : 0);
        if (!rows)
            return -1;
        for (int y = 0; y < mapheight; ++y)
            rows[y] = cells + static_cast<std::ptrdiff_t>(y) * mapwidth;
        mapmaparraypt[layer] = rows;
        if (mappt == cells)
            maparraypt = rows;
    }
    return 0;
}
