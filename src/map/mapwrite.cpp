// The map file writer: turns a MapFile (numbers) into a "FORM"/"FMAP" chunk image, with the
// byte order, type 0 byte offsets and type 2/3 layer compression the loader expects.
#include "mapformat.h"
#include "mapinternal.h"
#include "maplib.h"
#include "maprules.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

using Bytes = std::vector<unsigned char>;

using namespace mapformat;

constexpr int MAX_GROUP = 32767;         // cells in one type 2/3 group (count is signed 16-bit)
constexpr int MIN_RUN = 3;               // shorter repeats cost no less as literals

const char *const LAYER_IDS[MAP_LAYERS] = {"BODY", "LYR1", "LYR2", "LYR3",
                                           "LYR4", "LYR5", "LYR6", "LYR7"};

bool fits_short(long long v)
{
    return v >= std::numeric_limits<std::int16_t>::min() &&
           v <= std::numeric_limits<std::int16_t>::max();
}

bool fits_long(long long v)
{
    return v >= std::numeric_limits<std::int32_t>::min() &&
           v <= std::numeric_limits<std::int32_t>::max();
}

void put_be32(Bytes &out, std::uint32_t v)
{
    out.push_back(static_cast<unsigned char>(v >> 24));
    out.push_back(static_cast<unsigned char>(v >> 16));
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

// Writers of chunk data numbers, the counterparts of MapGetshort and MapGetlong.
struct NumberWriter {
    bool lsb;

    void put_short(Bytes &out, int v) const
    {
        const auto u = static_cast<std::uint16_t>(v);
        const auto lo = static_cast<unsigned char>(u), hi = static_cast<unsigned char>(u >> 8);
        out.push_back(lsb ? lo : hi);
        out.push_back(lsb ? hi : lo);
    }

    void put_long(Bytes &out, std::int32_t v) const
    {
        const auto u = static_cast<std::uint32_t>(v);
        if (!lsb) {
            put_be32(out, u);
            return;
        }
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<unsigned char>(u >> shift));
    }

    void set_short(Bytes &out, std::size_t at, int v) const
    {
        Bytes tmp;
        put_short(tmp, v);
        out[at] = tmp[0];
        out[at + 1] = tmp[1];
    }
};

std::string numbered(const char *what, std::size_t index)
{
    return what + (" " + std::to_string(index));
}

bool is_printable_id(const std::string &id)
{
    return id.size() == MAP_CHUNK_ID_SIZE &&
           std::all_of(id.begin(), id.end(),
                       [](char c) { return MapIsPrintableAscii(static_cast<unsigned char>(c)); });
}

// Encodes one MapFile, or refuses it with the first reason found: a value that does not fit
// its field, or anything the loader would refuse on every screen, checked by the loader's own
// rules on the header as it is written.
class Encoder {
public:
    explicit Encoder(const MapFile &map) : map_(map), num_{map.lsb} {}

    Bytes encode()
    {
        check_layout();
        if (!ok())
            return {};
        const Bytes head = header();
        if (ok())
            check_contents(MapReadHeader(head.data(), static_cast<std::uint32_t>(head.size())));
        if (!ok())
            return {};
        Bytes chunks;
        MapAppendChunk(chunks, "MPHD", head);
        if (!map_.cmap.empty())
            MapAppendChunk(chunks, "CMAP", map_.cmap);
        MapAppendChunk(chunks, "BKDT", blocks());
        if (!map_.anims.empty() || !map_.animseq.empty())
            MapAppendChunk(chunks, "ANDT", animations());
        append_graphics(chunks);
        if (map_.has_novc)
            MapAppendChunk(chunks, "NOVC", novc());
        for (int layer = 0; layer < MAP_LAYERS; ++layer)
            if (!map_.layers[layer].empty())
                MapAppendChunk(chunks, LAYER_IDS[layer], layer_cells(map_.layers[layer]));
        for (const MapFileChunk &extra : map_.extra_chunks)
            MapAppendChunk(chunks, extra.id.c_str(), extra.data);
        if (ok() && !fits_form(chunks))
            refuse("the file would be longer than its 32-bit form length can say");
        if (!ok())
            return {};
        return MapWrapForm(chunks);
    }

    const std::string &problem() const { return problem_; }

private:
    const MapFile &map_;
    NumberWriter num_;
    std::string problem_; // empty while every check has held

    void refuse(const std::string &reason)
    {
        if (problem_.empty())
            problem_ = reason;
    }

    bool ok() const { return problem_.empty(); }

    bool type0() const { return map_.maptype == MAP_TYPE_OFFSETS; }

    // Byte size of one graphic: the type 0 unit of graphic numbers.
    long long graphic_bytes() const
    {
        return static_cast<long long>(map_.blockwidth) * map_.blockheight *
               MapBytesPerPixel(map_.depth);
    }

    // What the header cannot even be written without: its fixed fields, a map type that fits
    // its byte, and layers of the map's size; animations of the end marker's type are refused
    // too, as the loader would take one for the end of the animations.
    void check_layout()
    {
        if (map_.headersize < HEADER_MIN_SIZE) {
            MapHeader too_short;
            too_short.size = static_cast<std::uint32_t>(std::max(map_.headersize, 0));
            refuse(MapCheckHeaderFrame(too_short).reason);
        }
        if (map_.maptype < 0 || map_.maptype > std::numeric_limits<std::uint8_t>::max())
            refuse("map type " + std::to_string(map_.maptype) + " does not fit its byte");
        const long long cells = static_cast<long long>(map_.width) * map_.height;
        for (int layer = 0; layer < MAP_LAYERS; ++layer) {
            const auto held = static_cast<long long>(map_.layers[layer].size());
            if (held != 0 && held != cells)
                refuse(numbered("layer", layer) + " holds " + std::to_string(held) +
                       " cells, not " + std::to_string(map_.width) + " x " +
                       std::to_string(map_.height));
        }
        for (std::size_t k = 0; k < map_.anims.size(); ++k)
            if (map_.anims[k].type == anim_end)
                refuse(numbered("animation", k + 1) +
                       " has the end marker's type, -1: the loader would stop there");
        check_extra_chunks();
    }

    // A chunk of the caller's must be one a load keeps for MapGetChunk, and the only one of
    // its identifier, since MapGetChunk gives the first.
    void check_extra_chunks()
    {
        for (std::size_t k = 0; k < map_.extra_chunks.size(); ++k) {
            const std::string &id = map_.extra_chunks[k].id;
            const std::string which =
                numbered("extra chunk", k) + ": the identifier \"" + MapChunkIdText(id) + "\" ";
            if (!is_printable_id(id))
                refuse(which + "is not " + std::to_string(MAP_CHUNK_ID_SIZE) +
                       " printable ASCII characters");
            else if (MapIsKnownChunk(id.c_str()))
                refuse(which + "is one the loader reads itself");
            for (std::size_t j = 0; j < k; ++j)
                if (map_.extra_chunks[j].id == id)
                    refuse(which + "comes twice: a load gives only the first");
        }
    }

    // The rules of every chunk, on the header as the loader will read it back.
    void check_contents(const MapHeader &h)
    {
        if (const MapRefusal refusal = MapCheckHeaderFrame(h))
            refuse(refusal.reason);
        else if (const MapRefusal values = MapCheckHeaderValues(h))
            refuse(values.reason);
        if (!ok())
            return;
        if (!map_.cmap.empty() && map_.cmap.size() < CMAP_SIZE)
            refuse("a palette of " + std::to_string(map_.cmap.size()) + " bytes: at least " +
                   std::to_string(CMAP_SIZE));
        check_graphics(h);
        check_blocks(h);
        check_animations(h);
        check_layers(h);
    }

    void check_graphics_data(const char *what, std::size_t held, const MapHeader &h, int depth)
    {
        const std::uint64_t needed =
            MapGraphicsBytes(h.numgfx, h.blockwidth, h.blockheight, depth);
        if (held != 0 && held < needed)
            refuse(std::string(what) + ": " + std::to_string(held) + " bytes, where " +
                   std::to_string(h.numgfx) + " graphics of " + std::to_string(h.blockwidth) +
                   " x " + std::to_string(h.blockheight) + " pixels at " +
                   std::to_string(depth) + " bits take " + std::to_string(needed));
    }

    // Graphics at the map's depth, the 8-bit alternative, and the bitmap of one block, which
    // must fit even an 8-bit screen.
    void check_graphics(const MapHeader &h)
    {
        if (h.numgfx > 0 && map_.gfx.empty() && map_.agfx.empty())
            refuse(std::to_string(h.numgfx) + " graphics, but no graphics data");
        check_graphics_data("the graphics", map_.gfx.size(), h, h.depth);
        check_graphics_data("the 8-bit graphics", map_.agfx.size(), h, MAP_PALETTE_DEPTH);
        if (h.numgfx > 0 && !MapBitmapFits(h.blockwidth, h.blockheight, MAP_PALETTE_DEPTH))
            refuse("block graphics of " +
                   MapBitmapSizeText(h.blockwidth, h.blockheight, MAP_PALETTE_DEPTH));
    }

    void check_graphic(std::size_t block, const char *field, std::int32_t number, bool sound,
                       int graphics)
    {
        if (!sound)
            refuse(numbered("block record", block) + ": " + field + " graphic " +
                   std::to_string(number) + " does not exist (" + std::to_string(graphics) +
                   " graphics)");
    }

    void check_blocks(const MapHeader &h)
    {
        for (std::size_t k = 0; k < map_.blocks.size(); ++k) {
            const MapFileBlock &b = map_.blocks[k];
            check_graphic(k, "background", b.gfx_bg, MapGraphicExists(b.gfx_bg, h.numgfx),
                          h.numgfx);
            for (std::int32_t fg : {b.gfx_fg1, b.gfx_fg2, b.gfx_fg3})
                check_graphic(k, "foreground", fg, MapForegroundIsSound(fg, h.numgfx), h.numgfx);
        }
    }

    void check_animations(const MapHeader &h)
    {
        for (std::size_t i = 0; i < map_.animseq.size(); ++i)
            if (!MapSequenceEntryIsSound(map_.animseq[i], h.numblockstr))
                refuse(numbered("frame sequence entry", i) + " names block record " +
                       std::to_string(map_.animseq[i]) + " of " +
                       std::to_string(h.numblockstr));
        const auto entries = static_cast<std::int64_t>(map_.animseq.size());
        for (std::size_t k = 0; k < map_.anims.size(); ++k) {
            const MapFileAnim &a = map_.anims[k];
            if (!MapFramesAreSound(a.first, a.end, entries))
                refuse(numbered("animation", k + 1) + ": frames " + std::to_string(a.first) +
                       " to " + std::to_string(a.end) + " (exclusive) are not within the " +
                       std::to_string(entries) + " entries of the frame sequence");
        }
    }

    void check_layers(const MapHeader &h)
    {
        const auto animations = static_cast<long>(map_.anims.size());
        for (int layer = 0; layer < MAP_LAYERS && ok(); ++layer) {
            const std::vector<short> &cells = map_.layers[layer];
            for (std::size_t i = 0; i < cells.size(); ++i) {
                if (MapCellIsSound(cells[i], h.numblockstr, animations))
                    continue;
                refuse(numbered("layer", layer) + ", cell (" + std::to_string(i % h.width) +
                       ", " + std::to_string(i / h.width) + "): value " +
                       std::to_string(cells[i]) + " names none of the " +
                       std::to_string(h.numblockstr) + " block records and " +
                       std::to_string(animations) + " animations");
                break;
            }
        }
    }

    void put_checked_short(Bytes &out, long long v, const char *what)
    {
        if (!fits_short(v))
            refuse(std::string(what) + " " + std::to_string(v) + " does not fit 16 bits");
        num_.put_short(out, static_cast<int>(v));
    }

    void put_checked_long(Bytes &out, long long v, const char *what)
    {
        if (!fits_long(v))
            refuse(std::string(what) + " " + std::to_string(v) + " does not fit 32 bits");
        num_.put_long(out, static_cast<std::int32_t>(v));
    }

    // Stores a 16-bit header field when the chunk is long enough to hold it.
    void header_short(Bytes &out, int offset, long long v, const char *what)
    {
        if (!fits_short(v))
            refuse(std::string("the header's ") + what + " " + std::to_string(v) +
                   " does not fit 16 bits");
        if (offset + 2 <= static_cast<int>(out.size()))
            num_.set_short(out, offset, static_cast<int>(v));
    }

    Bytes header()
    {
        Bytes out(map_.headersize, 0);
        out[HD_MAJOR] = map_.major;
        out[HD_MINOR] = map_.minor;
        out[HD_BYTE_ORDER] = map_.lsb ? LITTLE_ENDIAN_FLAG : 0;
        out[HD_MAP_TYPE] = static_cast<unsigned char>(map_.maptype);
        header_short(out, HD_WIDTH, map_.width, "width");
        header_short(out, HD_HEIGHT, map_.height, "height");
        header_short(out, HD_BLOCK_WIDTH, map_.blockwidth, "block width");
        header_short(out, HD_BLOCK_HEIGHT, map_.blockheight, "block height");
        header_short(out, HD_DEPTH, map_.depth, "colour depth");
        header_short(out, HD_BLOCKSTR_SIZE, map_.blockstrsize, "block record size");
        header_short(out, HD_NUM_BLOCKSTR, static_cast<long long>(map_.blocks.size()),
                     "number of block records");
        header_short(out, HD_NUM_GFX, map_.numgfx, "number of graphics");
        header_short(out, HD_GAP_X, map_.gapx, "horizontal gap");
        header_short(out, HD_GAP_Y, map_.gapy, "vertical gap");
        header_short(out, HD_STAGGER_X, map_.staggerx, "horizontal stagger");
        header_short(out, HD_STAGGER_Y, map_.staggery, "vertical stagger");
        header_short(out, HD_CLICK_MASK, map_.clickmask, "click mask");
        return out;
    }

    // A graphic number as stored: type 0 stores its byte offset in the graphics chunk.
    void put_graphic(Bytes &out, std::int32_t number)
    {
        if (!type0()) {
            num_.put_long(out, number);
            return;
        }
        put_checked_long(out, number * graphic_bytes(), "a graphic's byte offset");
    }

    Bytes blocks()
    {
        Bytes out;
        out.reserve(map_.blocks.size() * map_.blockstrsize);
        for (const auto &b : map_.blocks) {
            const std::size_t start = out.size();
            for (std::int32_t g : {b.gfx_bg, b.gfx_fg1, b.gfx_fg2, b.gfx_fg3})
                put_graphic(out, g);
            num_.put_long(out, b.attr1);
            num_.put_long(out, b.attr2);
            num_.put_short(out, b.attr3);
            num_.put_short(out, b.attr4);
            out.insert(out.end(), {b.attr5, b.attr6, b.attr7, b.flags});
            out.resize(start + map_.blockstrsize, 0);
        }
        return out;
    }

    std::size_t andt_size() const
    {
        return map_.animseq.size() * SEQ_ENTRY_SIZE + (map_.anims.size() + 1) * ANIM_RECORD_SIZE;
    }

    // A frame field as stored: type 0 stores the entry's offset back from the chunk's end.
    void put_frame(Bytes &out, std::int32_t index)
    {
        if (!type0()) {
            num_.put_long(out, index);
            return;
        }
        put_checked_long(out,
                         static_cast<long long>(index) * SEQ_ENTRY_SIZE -
                             static_cast<long long>(andt_size()),
                         "a frame's byte offset");
    }

    void put_anim_record(Bytes &out, const MapFileAnim &a)
    {
        out.insert(out.end(), {static_cast<unsigned char>(a.type), a.delay,
                               static_cast<unsigned char>(a.countdown), a.user});
        put_frame(out, a.current);
        put_frame(out, a.first);
        put_frame(out, a.end);
    }

    // Sequence entries, then the end marker, then the animations from the last to the first,
    // so that animation 1 is the record nearest the end of the chunk.
    Bytes animations()
    {
        Bytes out;
        out.reserve(andt_size());
        for (std::int32_t block : map_.animseq) {
            if (type0())
                put_checked_long(out, static_cast<long long>(block) * map_.blockstrsize,
                                 "a frame sequence entry's byte offset");
            else
                num_.put_long(out, block);
        }
        out.push_back(ANIM_END_MARKER);
        out.resize(out.size() + ANIM_RECORD_SIZE - 1, 0);
        for (auto it = map_.anims.rbegin(); it != map_.anims.rend(); ++it)
            put_anim_record(out, *it);
        return out;
    }

    void append_graphics(Bytes &chunks) const
    {
        const bool agfx = !map_.agfx.empty(), bgfx = !map_.gfx.empty();
        if (agfx && !map_.agfx_after_bgfx)
            MapAppendChunk(chunks, "AGFX", map_.agfx);
        if (bgfx)
            MapAppendChunk(chunks, "BGFX", map_.gfx);
        if (agfx && map_.agfx_after_bgfx)
            MapAppendChunk(chunks, "AGFX", map_.agfx);
    }

    Bytes novc() const
    {
        Bytes out(map_.novc.begin(), map_.novc.end());
        out.push_back(0);
        return out;
    }

    Bytes layer_cells(const std::vector<short> &cells)
    {
        Bytes out;
        switch (map_.maptype) {
        case MAP_TYPE_OFFSETS:
            put_type0_cells(out, cells);
            break;
        case MAP_TYPE_PLAIN:
            out.reserve(cells.size() * 2);
            for (short v : cells)
                num_.put_short(out, v);
            break;
        default:
            // Worst case: one literal group per MAX_GROUP cells of each row.
            out.reserve(cells.size() * 2 + map_.height * 4 + 16);
            for (int y = 0; y < map_.height; ++y)
                put_packed_row(out, cells, static_cast<std::size_t>(y) * map_.width);
            break;
        }
        return out;
    }

    // Type 0: blocks as byte offsets into the block records, animation k as -16k.
    void put_type0_cells(Bytes &out, const std::vector<short> &cells)
    {
        out.reserve(cells.size() * 2);
        for (short v : cells) {
            const long long stored = v >= 0 ? static_cast<long long>(v) * map_.blockstrsize
                                            : static_cast<long long>(v) * TYPE0_ANIM_CELL_STEP;
            put_checked_short(out, stored, "a cell's byte offset");
        }
    }

    // One row of a type 2 or 3 layer: repeat (2) or copy (3) groups where they pay, literal
    // groups between them; no group reaches past the row's end.
    void put_packed_row(Bytes &out, const std::vector<short> &cells, std::size_t row_start)
    {
        const std::size_t row_end = row_start + map_.width;
        std::size_t literal_start = row_start;
        std::size_t pos = row_start;
        while (pos < row_end) {
            int distance = 0;
            const std::size_t length = map_.maptype == MAP_TYPE_RUNS
                                           ? repeat_length(cells, pos, row_end)
                                           : best_copy(cells, pos, row_end, distance);
            if (length < MIN_RUN) {
                ++pos;
                continue;
            }
            put_literals(out, cells, literal_start, pos);
            num_.put_short(out, -static_cast<int>(length));
            num_.put_short(out, map_.maptype == MAP_TYPE_RUNS ? cells[pos] : distance);
            pos += length;
            literal_start = pos;
        }
        put_literals(out, cells, literal_start, row_end);
    }

    void put_literals(Bytes &out, const std::vector<short> &cells, std::size_t from,
                      std::size_t to) const
    {
        while (from < to) {
            const std::size_t count = std::min<std::size_t>(to - from, MAX_GROUP);
            num_.put_short(out, static_cast<int>(count));
            for (std::size_t i = from; i < from + count; ++i)
                num_.put_short(out, cells[i]);
            from += count;
        }
    }

    static std::size_t repeat_length(const std::vector<short> &cells, std::size_t pos,
                                     std::size_t row_end)
    {
        const std::size_t limit = std::min<std::size_t>(row_end, pos + MAX_GROUP);
        std::size_t end = pos + 1;
        while (end < limit && cells[end] == cells[pos])
            ++end;
        return end - pos;
    }

    // Cells from pos that equal the cells `back` positions earlier (the source may overlap
    // the copy itself, as the decoder copies one cell at a time).
    static std::size_t copy_length(const std::vector<short> &cells, std::size_t pos,
                                   std::size_t row_end, std::size_t back)
    {
        if (back == 0 || back > pos)
            return 0;
        const std::size_t limit = std::min<std::size_t>(row_end, pos + MAX_GROUP);
        std::size_t end = pos;
        while (end < limit && cells[end] == cells[end - back])
            ++end;
        return end - pos;
    }

    // The longer of a copy from the previous cell and one from the row above.
    std::size_t best_copy(const std::vector<short> &cells, std::size_t pos, std::size_t row_end,
                          int &distance) const
    {
        const std::size_t width = static_cast<std::size_t>(map_.width);
        const std::size_t from_left = copy_length(cells, pos, row_end, 1);
        const std::size_t from_above = copy_length(cells, pos, row_end, width);
        if (from_above > from_left) {
            distance = -map_.width;
            return from_above;
        }
        distance = -1;
        return from_left;
    }

    bool fits_form(const Bytes &chunks) const
    {
        return chunks.size() + 4 <= std::numeric_limits<std::uint32_t>::max();
    }
};

} // namespace

void MapAppendChunk(std::vector<unsigned char> &out, const char id[4],
                    const std::vector<unsigned char> &data)
{
    out.insert(out.end(), id, id + 4);
    put_be32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

std::vector<unsigned char> MapWrapForm(const std::vector<unsigned char> &chunks)
{
    Bytes out = {'F', 'O', 'R', 'M'};
    put_be32(out, static_cast<std::uint32_t>(chunks.size() + 4));
    out.insert(out.end(), {'F', 'M', 'A', 'P'});
    out.insert(out.end(), chunks.begin(), chunks.end());
    return out;
}

std::vector<unsigned char> MapEncode(const MapFile &map, std::string *problem)
{
    Encoder encoder(map);
    Bytes image = encoder.encode();
    if (problem)
        *problem = encoder.problem();
    return image;
}

int MapSave(const char *filename, const MapFile &map, std::string *problem)
{
    const Bytes image = MapEncode(map, problem);
    if (image.empty())
        return -1;
    return MapWriteFile(filename, image.data(), image.size(), problem);
}
