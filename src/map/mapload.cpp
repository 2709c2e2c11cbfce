// Load entry points of the map library: map files and memory images through one chunk loop
// over the walk of mapform.cpp, the release of a map, and the row tables of its layers.
#include "mapinternal.h"

#include <cstddef>

namespace {

void close_map_file()
{
    pack_fclose(mapfilept);
    mapfilept = nullptr;
}

// The chunks the reader walks, each decoded as it comes; any failure leaves no map.
int decode_chunks(MapFormReader &reader, int depth)
{
    MapFreeMem();
    maperror = MER_NONE;
    MapChunkLog log;
    log.depth = depth;
    int step;
    while ((step = reader.next_chunk()) > 0)
        if (MapDecodeChunk(reader.chunk(), log) != 0)
            break;
    if (step < 0)
        MapSetError(reader.error());
    if (step != 0 || MapCheckDecoded(log) != 0) {
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
    MapFormReader reader(mapfilept, nullptr);
    const int result = reader.read_outer_header() == 0 ? decode_chunks(reader, depth)
                                                       : MapSetError(reader.error());
    close_map_file();
    return result;
}

// An image that is no map releases the previous map all the same.
int decode_form(const unsigned char *image, int depth)
{
    MapFormReader reader(nullptr, image);
    if (reader.read_outer_header() != 0) {
        MapFreeMem();
        return MapSetError(reader.error());
    }
    return decode_chunks(reader, depth);
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
    MapFormReader reader(file, chunks);
    reader.enter_form(length);
    return decode_chunks(reader, MapScreenDepth());
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
    MapReleaseKeptChunks();
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
