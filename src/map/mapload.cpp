// Load entry points of the map library: map files and memory images through one chunk loop,
// the release of a map, and the row tables of its layers.
#include "mapinternal.h"

#include <cstring>

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

// A failed load that keeps the previous map (it could not open or recognise the file) keeps
// that map's graphics mode as well, so that MapRestore still treats it right.
int load_file(const char *filename, int mode)
{
    const int previous = mapgfxinbitmaps;
    mapgfxinbitmaps = mode;
    const int result = MapRealLoad(filename);
    if (result != 0 && abmTiles)
        mapgfxinbitmaps = previous;
    return result;
}

int decode_image(const unsigned char *image, int mode)
{
    mapgfxinbitmaps = mode;
    return MapPreRealDecode(image);
}

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

// One chunk at a time into its own buffer, which is released on every path.
int decode_file_chunks(PACKFILE *file, long remaining, MapChunkLog &log)
{
    while (remaining > 0) {
        unsigned char header[MAP_CHUNK_HEADER_SIZE];
        std::uint32_t size;
        if (remaining < MAP_CHUNK_HEADER_SIZE || !read_exactly(file, header, MAP_CHUNK_HEADER_SIZE) ||
            !chunk_fits(header, remaining, size))
            return MapSetError(MER_MAPLOADERROR);
        auto *chunk = MapAllocate<unsigned char>(std::size_t{size} + MAP_CHUNK_HEADER_SIZE);
        if (!chunk)
            return MapSetError(MER_OUTOFMEM);
        std::memcpy(chunk, header, MAP_CHUNK_HEADER_SIZE);
        const bool whole = read_exactly(file, chunk + MAP_CHUNK_HEADER_SIZE, size);
        const int result = whole ? MapDecodeChunk(chunk, log) : MapSetError(MER_MAPLOADERROR);
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

} // namespace

PACKFILE *MapOpenFile(const char *filename)
{
    PACKFILE *file = pack_fopen(filename, F_READ_PACKED);
    return file ? file : pack_fopen(filename, F_READ);
}

int MapSetError(int code)
{
    maperror = code;
    return -1;
}

int MapLoad(const char *filename)
{
    return load_file(filename, MAP_GFX_IN_MEMORY);
}

int MapLoadVRAM(const char *filename)
{
    return load_file(filename, MAP_GFX_IN_VIDEO);
}

int MapLoadABM(const char *filename)
{
    return load_file(filename, MAP_GFX_IN_MEMORY);
}

int MapDecode(const unsigned char *image)
{
    return decode_image(image, MAP_GFX_IN_MEMORY);
}

int MapDecodeVRAM(const unsigned char *image)
{
    return decode_image(image, MAP_GFX_IN_VIDEO);
}

int MapDecodeABM(const unsigned char *image)
{
    return decode_image(image, MAP_GFX_IN_MEMORY);
}

// Nothing of the previous map is touched until the file has shown itself to be a map file.
int MapRealLoad(const char *filename)
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
    const int result = MapRealDecode(mapfilept, nullptr, form_length + FORM_LENGTH_EXTRA);
    close_map_file();
    return result;
}

// The previous map is released before the image is even looked at.
int MapPreRealDecode(const unsigned char *image)
{
    MapFreeMem();
    maperror = MER_NONE;
    if (!image || std::memcmp(image, FORM_ID, FORM_ID_SIZE) != 0)
        return MapSetError(MER_MAPLOADERROR);
    const std::uint32_t form_length = MapGetchksz(image + FORM_LENGTH_OFFSET);
    if (form_length < MIN_FORM_LENGTH ||
        std::memcmp(image + FORM_TYPE_OFFSET, FORM_TYPE, FORM_ID_SIZE) != 0)
        return MapSetError(MER_MAPLOADERROR);
    return MapRealDecode(nullptr, image + FORM_HEADER_SIZE, form_length + FORM_LENGTH_EXTRA);
}

// `length` is the whole file's: L + 8. Any failure leaves no map.
int MapRealDecode(PACKFILE *file, const unsigned char *chunks, long length)
{
    MapFreeMem();
    maperror = MER_NONE;
    const long remaining = length - FORM_HEADER_SIZE;
    MapChunkLog log;
    const int decoded = file ? decode_file_chunks(file, remaining, log)
                             : decode_image_chunks(chunks, remaining, log);
    if (decoded != 0 || MapCheckDecoded(log) != 0) {
        MapFreeMem();
        return -1;
    }
    mapdepth = static_cast<short>(mapaltdepth);
    return MapRelocate();
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
