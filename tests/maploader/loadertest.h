// Helpers for the loader's tests: a small map in every encoding, surgery on the chunks of an
// encoded image, a check that nothing is loaded and a stand-in display driver with a little
// video memory.
#ifndef TESTS_LOADERTEST_H
#define TESTS_LOADERTEST_H

#include "bigendian.h"
#include "headless.h"
#include "maplib.h"
#include "testmaps.h"

#include <string>
#include <vector>

namespace loadertest {

using Bytes = std::vector<unsigned char>;

constexpr int SAMPLE_W = 5, SAMPLE_H = 4;             // blocks
constexpr int SAMPLE_BLOCK_W = 3, SAMPLE_BLOCK_H = 2; // pixels
constexpr int SAMPLE_GFX = 4;
constexpr int SAMPLE_BLOCK_PIXELS = SAMPLE_BLOCK_W * SAMPLE_BLOCK_H;

// A map using every part of the format: 8-bit graphics with a palette, block records with
// every attribute, two animations, layers 0, 3 and 7 with runs, repeated rows and animated
// cells, and a NOVC list.
inline MapFile sample_map(int maptype = 1, bool lsb = false, int headersize = 38)
{
    MapFile m;
    m.maptype = maptype;
    m.lsb = lsb;
    m.headersize = headersize;
    m.width = SAMPLE_W;
    m.height = SAMPLE_H;
    m.blockwidth = SAMPLE_BLOCK_W;
    m.blockheight = SAMPLE_BLOCK_H;
    m.depth = 8;
    m.blockstrsize = 36;
    m.gapx = 4;
    m.gapy = 3;
    m.staggerx = 1;
    m.staggery = 2;
    m.clickmask = 3;
    m.cmap = testmaps::distinct_cmap();
    m.numgfx = SAMPLE_GFX;
    for (int g = 0; g < SAMPLE_GFX; ++g)
        for (int p = 0; p < SAMPLE_BLOCK_PIXELS; ++p)
            m.gfx.push_back(static_cast<unsigned char>(p == 0 ? 0 : 10 * (g + 1) + p));
    MapFileBlock b;
    b.attr1 = -7;
    b.attr2 = 123456;
    b.attr3 = 65535;
    b.attr4 = 2;
    b.attr5 = 255;
    b.attr6 = 6;
    b.attr7 = 7;
    b.flags = 0xA5;
    m.blocks.push_back(b);
    const std::int32_t graphics[4][4] = {{1, 2, 0, 3}, {3, 0, 1, 0}, {2, 1, 2, 3}, {0, 3, 0, 0}};
    for (int k = 0; k < 4; ++k) {
        MapFileBlock r;
        r.gfx_bg = graphics[k][0];
        r.gfx_fg1 = graphics[k][1];
        r.gfx_fg2 = graphics[k][2];
        r.gfx_fg3 = graphics[k][3];
        r.attr1 = 100 + k;
        r.attr2 = -100 - k;
        r.attr3 = static_cast<std::uint16_t>(1000 * k);
        r.attr5 = static_cast<std::uint8_t>(k);
        r.flags = static_cast<std::uint8_t>(1 << k);
        m.blocks.push_back(r);
    }
    m.animseq = {1, 2, 3, 4, 0, 2};
    MapFileAnim a1;
    a1.type = anim_loop_forward;
    a1.delay = 2;
    a1.countdown = 9;
    a1.user = 42;
    a1.current = 5;
    a1.first = 0;
    a1.end = 4;
    MapFileAnim a2;
    a2.type = anim_pingpong_reverse_returning;
    a2.user = 7;
    a2.first = 3;
    a2.end = 6;
    m.anims = {a1, a2};
    m.layers[0] = {0, 0, 0, 0, 1,  //
                   2, 3, -1, -1, 4, //
                   2, 3, -1, -1, 4, //
                   -2, 1, 1, 1, 0};
    m.layers[3] = {4, 3, 2, 1, 0, 4, 3, 2, 1, 0, 4, 4, 4, 4, 4, -2, -1, -2, -1, -2};
    m.layers[7] = std::vector<short>(SAMPLE_W * SAMPLE_H, 4);
    m.has_novc = true;
    m.novc = "1-2";
    return m;
}

inline Bytes encode(const MapFile &map)
{
    Bytes image = MapEncode(map);
    if (image.empty())
        ADD_FAILURE() << "the writer refused the map";
    return image;
}

// ---- chunk surgery ----

struct Chunk {
    std::string id;
    Bytes data;
    std::size_t offset = 0; // of the identifier within the image split
};

// The chunks of an image, checking its outer frame on the way.
inline std::vector<Chunk> split(const Bytes &image)
{
    constexpr std::size_t OUTER_HEADER = 12, CHUNK_HEADER = 8;
    std::vector<Chunk> chunks;
    EXPECT_GE(image.size(), OUTER_HEADER);
    if (image.size() < OUTER_HEADER)
        return chunks;
    EXPECT_EQ(std::string(image.begin(), image.begin() + 4), "FORM");
    EXPECT_EQ(get_be32(image, 4), image.size() - 8);
    EXPECT_EQ(std::string(image.begin() + 8, image.begin() + OUTER_HEADER), "FMAP");
    std::size_t at = OUTER_HEADER;
    while (at + CHUNK_HEADER <= image.size()) {
        const std::uint32_t size = get_be32(image, at + 4);
        const std::size_t end = at + CHUNK_HEADER + size;
        EXPECT_LE(end, image.size());
        if (end > image.size())
            break;
        chunks.push_back({std::string(image.begin() + at, image.begin() + at + 4),
                          Bytes(image.begin() + at + CHUNK_HEADER, image.begin() + end), at});
        at = end;
    }
    EXPECT_EQ(at, image.size());
    return chunks;
}

inline Bytes join(const std::vector<Chunk> &chunks)
{
    Bytes body;
    for (const Chunk &c : chunks)
        MapAppendChunk(body, c.id.c_str(), c.data);
    return MapWrapForm(body);
}

// The first chunk of this identifier, null when there is none.
inline const Chunk *find_chunk(const std::vector<Chunk> &chunks, const std::string &id)
{
    for (const Chunk &c : chunks)
        if (c.id == id)
            return &c;
    return nullptr;
}

// The first chunk of this identifier, to be changed; a test failure when there is none.
inline Chunk &chunk_of(std::vector<Chunk> &chunks, const std::string &id)
{
    for (Chunk &c : chunks)
        if (c.id == id)
            return c;
    ADD_FAILURE() << "no chunk " << id;
    static Chunk none;
    return none;
}

inline void drop_chunk(std::vector<Chunk> &chunks, const std::string &id)
{
    for (auto it = chunks.begin(); it != chunks.end(); ++it)
        if (it->id == id) {
            chunks.erase(it);
            return;
        }
    ADD_FAILURE() << "no chunk " << id;
}

// ---- state ----

// Every pointer that MapFreeMem resets is null.
inline ::testing::AssertionResult nothing_loaded()
{
    if (mappt || maparraypt || mapcmappt || mapblockgfxpt || mapblockstrpt || mapanimseqpt ||
        mapanimstrpt || abmTiles)
        return ::testing::AssertionFailure() << "a part of the map is still loaded";
    for (int l = 0; l < MAP_LAYERS; ++l)
        if (mapmappt[l] || mapmaparraypt[l])
            return ::testing::AssertionFailure() << "layer " << l << " is still loaded";
    if (mapnovctext[0] || mapblocksinvidmem || mapblocksinsysmem)
        return ::testing::AssertionFailure() << "the NOVC text or the counters remain";
    return ::testing::AssertionSuccess();
}

inline int tile_count()
{
    int n = 0;
    while (abmTiles && abmTiles[n])
        ++n;
    return n;
}

// A display driver whose video memory holds `budget` bitmaps (memory bitmaps marked as video
// bitmaps). Releases the map before it goes, since video bitmaps need their driver.
class FakeVideo {
public:
    explicit FakeVideo(int budget)
    {
        budget_ = budget;
        created_ = destroyed_ = 0;
        driver_ = GFX_DRIVER{};
        driver_.name = driver_.desc = driver_.ascii_name = "test video";
        driver_.create_video_bitmap = create;
        driver_.destroy_video_bitmap = destroy;
        gfx_driver = &driver_;
    }
    ~FakeVideo()
    {
        MapFreeMem();
        gfx_driver = nullptr;
    }
    FakeVideo(const FakeVideo &) = delete;
    FakeVideo &operator=(const FakeVideo &) = delete;
    static int created() { return created_; }
    static int destroyed() { return destroyed_; }

private:
    static BITMAP *create(int w, int h)
    {
        if (budget_ <= 0)
            return nullptr;
        BITMAP *b = create_bitmap_ex(bitmap_color_depth(screen), w, h);
        if (b) {
            --budget_;
            ++created_;
            b->id |= BMP_ID_VIDEO;
        }
        return b;
    }
    static void destroy(BITMAP *b)
    {
        ++destroyed_;
        b->id &= ~BMP_ID_VIDEO;
        destroy_bitmap(b);
    }
    inline static GFX_DRIVER driver_{};
    inline static int budget_ = 0, created_ = 0, destroyed_ = 0;
};

} // namespace loadertest

#endif
