// The map file's chunk decoders and the readers of its numbers: every byte of a chunk is read
// here, and every value a chunk gives is checked against the chunk and the header first.
// Chunks of identifiers the loader does not know are kept here for MapGetChunk.
#include "mapformat.h"
#include "mapinternal.h"
#include "maprules.h"
#include "mapwalk.h"

#include <algorithm>
#include <cstring>

namespace {

using namespace mapformat;

enum BlockOffset {
    BK_GFX_BG = 0, BK_GFX_FG1 = 4, BK_GFX_FG2 = 8, BK_GFX_FG3 = 12, BK_ATTR1 = 16,
    BK_ATTR2 = 20, BK_ATTR3 = 24, BK_ATTR4 = 26, BK_ATTR5 = 28, BK_ATTR6 = 29, BK_ATTR7 = 30,
    BK_FLAGS = 31,
};

enum AnimOffset {
    AN_TYPE = 0, AN_DELAY = 1, AN_COUNTDOWN = 2, AN_USER = 3, AN_CURRENT = 4, AN_FIRST = 8,
    AN_END = 12,
};

const unsigned char *chunk_data(const unsigned char *chunk)
{
    return chunk + MAP_CHUNK_HEADER_SIZE;
}

// ---- header ----

void store_header(const MapHeader &h)
{
    mapversion = h.major;
    mapwidth = static_cast<short>(h.width);
    mapheight = static_cast<short>(h.height);
    mapblockwidth = static_cast<short>(h.blockwidth);
    mapblockheight = static_cast<short>(h.blockheight);
    mapdepth = static_cast<short>(h.depth);
    mapaltdepth = h.depth;
    mapblockstrsize = static_cast<short>(h.blockstrsize);
    mapnumblockstr = static_cast<short>(h.numblockstr);
    mapnumblockgfx = static_cast<short>(h.numgfx);
    mapblockgapx = h.gapx;
    mapblockgapy = h.gapy;
    mapblockstaggerx = h.staggerx;
    mapblockstaggery = h.staggery;
    mapclickmask = h.clickmask;
}

// ---- block records ----

// Bytes of one graphic at the header's depth: map type 0 stores graphic numbers as multiples.
std::int64_t graphic_bytes()
{
    return std::int64_t{mapblockwidth} * mapblockheight * MapBytesPerPixel(mapdepth);
}

std::intptr_t read_graphic(const unsigned char *field, std::int64_t unit)
{
    const std::int32_t stored = MapGetlong(field);
    if (maptype == MAP_TYPE_OFFSETS)
        return static_cast<std::intptr_t>(stored / unit);
    return stored;
}

BlockStr read_block(const unsigned char *rec, std::int64_t unit)
{
    BlockStr b{};
    b.gfx_bg.number = read_graphic(rec + BK_GFX_BG, unit);
    b.gfx_fg1.number = read_graphic(rec + BK_GFX_FG1, unit);
    b.gfx_fg2.number = read_graphic(rec + BK_GFX_FG2, unit);
    b.gfx_fg3.number = read_graphic(rec + BK_GFX_FG3, unit);
    b.attr1 = MapGetlong(rec + BK_ATTR1);
    b.attr2 = MapGetlong(rec + BK_ATTR2);
    b.attr3 = static_cast<std::uint16_t>(MapGetshort(rec + BK_ATTR3));
    b.attr4 = static_cast<std::uint16_t>(MapGetshort(rec + BK_ATTR4));
    b.attr5 = rec[BK_ATTR5];
    b.attr6 = rec[BK_ATTR6];
    b.attr7 = rec[BK_ATTR7];
    b.flags = rec[BK_FLAGS];
    return b;
}

// ---- animations ----

// The end marker: the record nearest the chunk's end whose first byte is 0xFF. Its offset from
// the start of the data, or -1 when no record of the chunk has the marker.
std::int64_t find_anim_end_marker(const unsigned char *data, std::uint32_t size)
{
    for (std::int64_t at = std::int64_t{size} - ANIM_RECORD_SIZE; at >= 0; at -= ANIM_RECORD_SIZE)
        if (data[at] == ANIM_END_MARKER)
            return at;
    return -1;
}

// A frame field as an index into the sequence: type 0 stores the entry's offset back from
// the end of the chunk's data.
std::int32_t read_frame(const unsigned char *field, std::uint32_t size)
{
    const std::int32_t stored = MapGetlong(field);
    if (maptype == MAP_TYPE_OFFSETS)
        return static_cast<std::int32_t>((std::int64_t{stored} + size) / std::int64_t{SEQ_ENTRY_SIZE});
    return stored;
}

AnimStr read_anim(const unsigned char *rec, std::uint32_t size)
{
    AnimStr a{};
    a.type = static_cast<std::int8_t>(rec[AN_TYPE]);
    a.delay = rec[AN_DELAY];
    a.countdown = static_cast<std::int8_t>(rec[AN_COUNTDOWN]);
    a.user = rec[AN_USER];
    a.current = read_frame(rec + AN_CURRENT, size);
    a.first = read_frame(rec + AN_FIRST, size);
    a.end = read_frame(rec + AN_END, size);
    return a;
}

std::int32_t read_sequence_entry(const unsigned char *field)
{
    const std::int32_t stored = MapGetlong(field);
    if (maptype == MAP_TYPE_OFFSETS)
        return stored / mapblockstrsize;
    return stored;
}

// ---- graphics ----

// A graphics chunk must hold every graphic of the header at its own depth.
bool graphics_fit(const unsigned char *chunk, int depth)
{
    return MapGraphicsBytes(mapnumblockgfx, mapblockwidth, mapblockheight, depth) <=
           MapChunkLength(chunk);
}

bool take_graphics(const unsigned char *chunk)
{
    const std::uint32_t size = MapChunkLength(chunk);
    auto *pixels = MapAllocate<unsigned char>(size);
    if (!pixels)
        return false;
    std::memcpy(pixels, chunk_data(chunk), size);
    MapRelease(mapblockgfxpt);
    mapblockgfxpt = pixels;
    return true;
}

// Taken when the graphics become 8 bits deep or less: replaces graphics already read and makes
// the map's graphics 8-bit, so that a later "BGFX" is skipped. With no depth (no screen) the
// load fails later, at the conversion.
int decode_palette_graphics(const unsigned char *chunk, int depth)
{
    if (!graphics_fit(chunk, MAP_PALETTE_DEPTH))
        return MapSetError(MER_MAPLOADERROR);
    if (depth == MAP_NO_DEPTH || depth > MAP_PALETTE_DEPTH)
        return 0;
    if (!take_graphics(chunk))
        return MapSetError(MER_OUTOFMEM);
    mapaltdepth = MAP_PALETTE_DEPTH;
    return 0;
}

// ---- layers ----

std::int64_t layer_cells()
{
    if (mapwidth <= 0 || mapheight <= 0)
        return 0;
    return std::int64_t{mapwidth} * mapheight;
}

// The 16-bit numbers of a layer chunk, read up to the chunk's end and never past it. Layers
// are most of a map file, so the byte order is a template argument, chosen once per layer.
template <bool LittleEndian>
class CellReader {
public:
    CellReader(const unsigned char *data, std::uint32_t size) : pos_(data), end_(data + size) {}

    bool next(short &value)
    {
        if (end_ - pos_ < CELL_SIZE)
            return false;
        value = read(pos_);
        pos_ += CELL_SIZE;
        return true;
    }

    // The next `count` numbers as cells; false when the chunk ends first.
    bool next_cells(short *cells, std::int64_t count)
    {
        if ((end_ - pos_) / CELL_SIZE < count)
            return false;
        for (std::int64_t i = 0; i < count; ++i, pos_ += CELL_SIZE)
            cells[i] = read(pos_);
        return true;
    }

private:
    static short read(const unsigned char *p)
    {
        return static_cast<short>(LittleEndian ? p[0] | p[1] << 8 : p[0] << 8 | p[1]);
    }

    const unsigned char *pos_;
    const unsigned char *end_;
};

// Map type 0 stores byte offsets: of a block record, or back from the end of the animations.
short type0_cell(short stored)
{
    if (stored >= 0)
        return static_cast<short>(stored / mapblockstrsize);
    return static_cast<short>(stored / TYPE0_ANIM_CELL_STEP);
}

// Map types 0 and 1: one number per cell.
template <bool LittleEndian>
bool decode_plain_cells(short *cells, std::int64_t count, CellReader<LittleEndian> in)
{
    if (!in.next_cells(cells, count))
        return false;
    if (maptype == MAP_TYPE_OFFSETS)
        for (std::int64_t i = 0; i < count; ++i)
            cells[i] = type0_cell(cells[i]);
    return true;
}

// One group of a type 2 or 3 row, ending at or before row_end: a count n, then n cells
// (n > 0), or one value repeated (type 2) or a copy from `value` cells away (type 3) for -n
// cells; a copy must read cells already decoded.
template <bool LittleEndian, bool Copies>
bool decode_group(short *cells, std::int64_t &pos, std::int64_t row_end,
                  CellReader<LittleEndian> &in)
{
    short count;
    if (!in.next(count))
        return false;
    if (count > 0) {
        if (count > row_end - pos || !in.next_cells(cells + pos, count))
            return false;
        pos += count;
        return true;
    }
    const int run = -count;
    short value;
    if (run == 0)
        return true;
    if (run > row_end - pos || !in.next(value))
        return false;
    if (!Copies) {
        std::fill_n(cells + pos, run, value);
        pos += run;
        return true;
    }
    if (value >= 0 || pos + value < 0)
        return false;
    for (int i = 0; i < run; ++i, ++pos)
        cells[pos] = cells[pos + value];
    return true;
}

// Map types 2 and 3: every row exactly mapwidth cells, made of groups that end in the row.
template <bool LittleEndian, bool Copies>
bool decode_packed_cells(short *cells, CellReader<LittleEndian> in)
{
    std::int64_t pos = 0;
    for (int row = 0; row < mapheight; ++row) {
        const std::int64_t row_end = pos + mapwidth;
        while (pos < row_end)
            if (!decode_group<LittleEndian, Copies>(cells, pos, row_end, in))
                return false;
    }
    return true;
}

template <bool LittleEndian>
bool decode_cells(short *cells, std::int64_t count, const unsigned char *chunk)
{
    const CellReader<LittleEndian> in(chunk_data(chunk), MapChunkLength(chunk));
    switch (maptype) {
    case MAP_TYPE_RUNS: return decode_packed_cells<LittleEndian, false>(cells, in);
    case MAP_TYPE_COPIES: return decode_packed_cells<LittleEndian, true>(cells, in);
    default: return decode_plain_cells(cells, count, in);
    }
}

// Puts decoded cells in place of a layer. Its old row table goes with it; layer 0 (and a
// replaced current layer) becomes the current layer.
void replace_layer(int layer, short *cells)
{
    short *old = mapmappt[layer];
    if (maparraypt == mapmaparraypt[layer])
        maparraypt = nullptr;
    MapRelease(mapmaparraypt[layer]);
    if (layer == 0 || (old && mappt == old)) {
        if (mappt != old)
            maparraypt = nullptr;
        mappt = cells;
    }
    MapRelease(mapmappt[layer]);
    mapmappt[layer] = cells;
}

// ---- the chunk table ----

constexpr int NO_LAYER = -1;

// decode is null for the chunks whose decoder takes more than the chunk: the layers their
// number, "AGFX" the depth of the load.
struct ChunkKind {
    char id[MAP_CHUNK_ID_SIZE + 1];
    int (*decode)(const unsigned char *chunk);
    int layer;         // layer number of a layer chunk, else NO_LAYER
    bool needs_header; // reads sizes and counts of the header
};

const ChunkKind CHUNK_KINDS[] = {
    {"MPHD", MapDecodeMPHD, NO_LAYER, false},
    {"CMAP", MapDecodeCMAP, NO_LAYER, false},
    {"BKDT", MapDecodeBKDT, NO_LAYER, true},
    {"ANDT", MapDecodeANDT, NO_LAYER, true},
    {"AGFX", nullptr, NO_LAYER, true},
    {"BGFX", MapDecodeBGFX, NO_LAYER, true},
    {"NOVC", MapDecodeNOVC, NO_LAYER, false},
    {"BODY", nullptr, 0, true},
    {"LYR1", nullptr, 1, true},
    {"LYR2", nullptr, 2, true},
    {"LYR3", nullptr, 3, true},
    {"LYR4", nullptr, 4, true},
    {"LYR5", nullptr, 5, true},
    {"LYR6", nullptr, 6, true},
    {"LYR7", nullptr, 7, true},
};
constexpr std::uint32_t HEADER_SEEN = 1u << 0; // bit of "MPHD", the first kind

const ChunkKind *find_chunk_kind(const unsigned char *chunk, std::uint32_t &bit)
{
    bit = 1;
    for (const ChunkKind &kind : CHUNK_KINDS) {
        if (std::memcmp(chunk, kind.id, MAP_CHUNK_ID_SIZE) == 0)
            return &kind;
        bit <<= 1;
    }
    return nullptr;
}

// ---- chunks of other programs ----

// The chunks of the loaded map whose identifiers the loader does not know, in file order, each
// a copy of the whole chunk (identifier, length, data), for MapGetChunk.
struct KeptChunks {
    unsigned char **chunks = nullptr;
    std::size_t count = 0, capacity = 0;
};
KeptChunks kept;
constexpr std::size_t FIRST_KEPT_CAPACITY = 4;

bool make_room_to_keep()
{
    if (kept.count < kept.capacity)
        return true;
    const std::size_t capacity = kept.capacity ? 2 * kept.capacity : FIRST_KEPT_CAPACITY;
    // realloc keeps the malloc'd block that MapRelease frees.
    auto *grown =
        static_cast<unsigned char **>(std::realloc(kept.chunks, capacity * sizeof *kept.chunks));
    if (!grown)
        return false;
    kept.chunks = grown;
    kept.capacity = capacity;
    return true;
}

int keep_chunk(const unsigned char *chunk)
{
    const std::size_t size = MAP_CHUNK_HEADER_SIZE + std::size_t{MapChunkLength(chunk)};
    auto *copy = MapAllocate<unsigned char>(size);
    if (!copy || !make_room_to_keep()) {
        MapRelease(copy);
        return MapSetError(MER_OUTOFMEM);
    }
    std::memcpy(copy, chunk, size);
    kept.chunks[kept.count++] = copy;
    return 0;
}

// ---- cross-chunk checks ----

bool block_graphics_are_sound()
{
    for (int k = 0; k < mapnumblockstr; ++k) {
        const BlockStr &b = mapblockstrpt[k];
        if (!MapGraphicExists(b.gfx_bg.number, mapnumblockgfx) ||
            !MapForegroundIsSound(b.gfx_fg1.number, mapnumblockgfx) ||
            !MapForegroundIsSound(b.gfx_fg2.number, mapnumblockgfx) ||
            !MapForegroundIsSound(b.gfx_fg3.number, mapnumblockgfx))
            return false;
    }
    return true;
}

bool cells_are_sound()
{
    const long count = static_cast<long>(layer_cells());
    for (short *layer : mapmappt)
        if (layer && !MapCellsAreSound(layer, count))
            return false;
    return true;
}

} // namespace

// ---- format facts shared with the conversion ----

bool MapIsSupportedDepth(int depth)
{
    return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
}

int MapBytesPerPixel(int depth)
{
    return (depth + 1) / 8;
}

std::uint64_t MapGraphicsPixels()
{
    return MapGraphicsBytes(mapnumblockgfx, mapblockwidth, mapblockheight, MAP_PALETTE_DEPTH);
}

// ---- readers ----

std::uint32_t MapGetchksz(const unsigned char *p)
{
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 |
           std::uint32_t{p[3]};
}

int MapGetshort(const unsigned char *p)
{
    return MapReadShort(p, mapislsb != 0);
}

std::int32_t MapGetlong(const unsigned char *p)
{
    const std::uint32_t value =
        mapislsb ? std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                       std::uint32_t{p[3]} << 24
                 : MapGetchksz(p);
    return static_cast<std::int32_t>(value);
}

// ---- decoders ----

// The length and version are checked first, then the byte order and map type are taken and
// the rest is checked; a header failing either check leaves the other header globals as they
// were.
int MapDecodeMPHD(const unsigned char *chunk)
{
    const MapHeader header = MapReadHeader(chunk_data(chunk), MapChunkLength(chunk));
    if (const MapRefusal refusal = MapCheckHeaderFrame(header))
        return MapSetError(refusal.code);
    mapislsb = header.lsb ? 1 : 0;
    maptype = header.maptype;
    if (const MapRefusal refusal = MapCheckHeaderValues(header))
        return MapSetError(refusal.code);
    store_header(header);
    return 0;
}

int MapDecodeCMAP(const unsigned char *chunk)
{
    const std::uint32_t size = MapChunkLength(chunk);
    if (size < CMAP_SIZE)
        return MapSetError(MER_MAPLOADERROR);
    auto *cmap = MapAllocate<unsigned char>(size);
    if (!cmap)
        return MapSetError(MER_OUTOFMEM);
    std::memcpy(cmap, chunk_data(chunk), size);
    MapRelease(mapcmappt);
    mapcmappt = cmap;
    Mapconv8to6pal(mapcmappt);
    return 0;
}

int MapDecodeBKDT(const unsigned char *chunk)
{
    if (mapnumblockstr < 0 || mapblockstrsize < MIN_BLOCKSTR_SIZE)
        return MapSetError(MER_MAPLOADERROR);
    const std::int64_t unit = graphic_bytes();
    if (maptype == MAP_TYPE_OFFSETS && unit <= 0)
        return MapSetError(MER_MAPLOADERROR);
    if (std::int64_t{mapnumblockstr} * mapblockstrsize > MapChunkLength(chunk))
        return MapSetError(MER_MAPLOADERROR);
    auto *blocks = MapAllocate<BlockStr>(static_cast<std::size_t>(mapnumblockstr));
    if (!blocks)
        return MapSetError(MER_OUTOFMEM);
    const unsigned char *data = chunk_data(chunk);
    for (int k = 0; k < mapnumblockstr; ++k)
        blocks[k] = read_block(data + std::int64_t{k} * mapblockstrsize, unit);
    MapRelease(mapblockstrpt);
    mapblockstrpt = blocks;
    return 0;
}

// Sequence entries first, then the animation records from the end marker to the chunk's end.
// Every entry must name a block record and every animation a stretch of entries.
int MapDecodeANDT(const unsigned char *chunk)
{
    const std::uint32_t size = MapChunkLength(chunk);
    const unsigned char *data = chunk_data(chunk);
    const std::int64_t marker = find_anim_end_marker(data, size);
    if (marker < 0 || marker % SEQ_ENTRY_SIZE != 0)
        return MapSetError(MER_MAPLOADERROR);
    if (maptype == MAP_TYPE_OFFSETS && mapblockstrsize <= 0)
        return MapSetError(MER_MAPLOADERROR);
    const std::int64_t entries = marker / SEQ_ENTRY_SIZE;
    const std::int64_t records = (size - marker) / ANIM_RECORD_SIZE;
    auto *sequence = MapAllocate<std::int32_t>(static_cast<std::size_t>(entries));
    auto *anims = MapAllocate<AnimStr>(static_cast<std::size_t>(records));
    bool sound = sequence && anims;
    for (std::int64_t i = 0; sound && i < entries; ++i) {
        sequence[i] = read_sequence_entry(data + i * SEQ_ENTRY_SIZE);
        sound = MapSequenceEntryIsSound(sequence[i], mapnumblockstr);
    }
    for (std::int64_t r = 0; sound && r < records; ++r) {
        anims[r] = read_anim(data + marker + r * ANIM_RECORD_SIZE, size);
        sound = r == 0 || MapFramesAreSound(anims[r].first, anims[r].end, entries);
    }
    if (!sound) {
        const int code = sequence && anims ? MER_MAPLOADERROR : MER_OUTOFMEM;
        MapRelease(sequence);
        MapRelease(anims);
        return MapSetError(code);
    }
    MapRelease(mapanimseqpt);
    MapRelease(mapanimstrpt);
    mapanimseqpt = sequence;
    mapanimstrpt = anims;
    mapanimstrendpt = anims + records;
    MapInitAnims();
    return 0;
}

int MapDecodeAGFX(const unsigned char *chunk)
{
    return decode_palette_graphics(chunk, MapScreenDepth());
}

// Graphics at the header's depth, unless the 8-bit alternative was taken already.
int MapDecodeBGFX(const unsigned char *chunk)
{
    if (!graphics_fit(chunk, mapdepth))
        return MapSetError(MER_MAPLOADERROR);
    if (mapblockgfxpt)
        return 0;
    if (!take_graphics(chunk))
        return MapSetError(MER_OUTOFMEM);
    return 0;
}

// A text that does not fit mapnovctext with its terminating zero leaves the list empty; one
// that lacks its zero is taken as it stands.
int MapDecodeNOVC(const unsigned char *chunk)
{
    const std::uint32_t size = MapChunkLength(chunk);
    if (size >= MAP_NOVC_SIZE) {
        mapnovctext[0] = 0;
        return 0;
    }
    std::memcpy(mapnovctext, chunk_data(chunk), size);
    mapnovctext[size] = 0;
    return 0;
}

int MapDecodeLayer(const unsigned char *chunk, int layer)
{
    const std::int64_t count = layer_cells();
    if (layer < 0 || layer >= MAP_LAYERS || count <= 0)
        return MapSetError(MER_MAPLOADERROR);
    if (maptype == MAP_TYPE_OFFSETS && mapblockstrsize <= 0)
        return MapSetError(MER_MAPLOADERROR);
    short *cells = MapAllocate<short>(static_cast<std::size_t>(count));
    if (!cells)
        return MapSetError(MER_OUTOFMEM);
    const bool decoded = mapislsb ? decode_cells<true>(cells, count, chunk)
                                  : decode_cells<false>(cells, count, chunk);
    if (!decoded) {
        MapRelease(cells);
        return MapSetError(MER_MAPLOADERROR);
    }
    replace_layer(layer, cells);
    return 0;
}

int MapDecodeNULL(const unsigned char *)
{
    return 0;
}

// ---- dispatch and the checks after the last chunk ----

int MapDecodeChunk(const unsigned char *chunk, MapChunkLog &log)
{
    std::uint32_t bit;
    const ChunkKind *kind = find_chunk_kind(chunk, bit);
    if (!kind)
        return keep_chunk(chunk);
    if ((log.seen & bit) || (kind->needs_header && !(log.seen & HEADER_SEEN)))
        return MapSetError(MER_MAPLOADERROR);
    log.seen |= bit;
    if (kind->layer != NO_LAYER)
        return MapDecodeLayer(chunk, kind->layer);
    if (!kind->decode)
        return decode_palette_graphics(chunk, log.depth);
    return kind->decode(chunk);
}

int MapCheckDecoded(const MapChunkLog &log)
{
    if (!(log.seen & HEADER_SEEN)) {
        mapnumblockstr = 0;
        mapnumblockgfx = 0;
    }
    if (mapnumblockstr > 0 && !mapblockstrpt)
        return MapSetError(MER_MAPLOADERROR);
    if (mapblockstrpt && !block_graphics_are_sound())
        return MapSetError(MER_MAPLOADERROR);
    if (!cells_are_sound())
        return MapSetError(MER_MAPLOADERROR);
    return 0;
}

// ---- chunks of other programs, after the load ----

bool MapIsKnownChunk(const char *id)
{
    std::uint32_t bit;
    return find_chunk_kind(reinterpret_cast<const unsigned char *>(id), bit) != nullptr;
}

const unsigned char *MapGetChunk(const char *id, std::uint32_t *length)
{
    for (std::size_t i = 0; id && i < kept.count; ++i) {
        const unsigned char *chunk = kept.chunks[i];
        if (std::memcmp(chunk, id, MAP_CHUNK_ID_SIZE) != 0)
            continue;
        if (length)
            *length = MapChunkLength(chunk);
        return chunk_data(chunk);
    }
    if (length)
        *length = 0;
    return nullptr;
}

void MapReleaseKeptChunks()
{
    for (std::size_t i = 0; i < kept.count; ++i)
        MapRelease(kept.chunks[i]);
    MapRelease(kept.chunks);
    kept.count = kept.capacity = 0;
}
