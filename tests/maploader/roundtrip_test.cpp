// Maps written by the writer come back through the loader unchanged, in every map type, byte
// order and header size, from memory, plain files and packed files.
#include "loadertest.h"
#include "testfiles.h"

#include <cstring>
#include <tuple>

using namespace loadertest;

namespace {

void expect_header(const MapFile &m)
{
    EXPECT_EQ(maptype, m.maptype);
    EXPECT_EQ(mapislsb, m.lsb ? 1 : 0);
    EXPECT_EQ(mapwidth, m.width);
    EXPECT_EQ(mapheight, m.height);
    EXPECT_EQ(mapblockwidth, m.blockwidth);
    EXPECT_EQ(mapblockheight, m.blockheight);
    EXPECT_EQ(mapaltdepth, m.depth);
    EXPECT_EQ(mapdepth, bitmap_color_depth(screen));
    EXPECT_EQ(mapblockstrsize, m.blockstrsize);
    EXPECT_EQ(mapnumblockstr, static_cast<int>(m.blocks.size()));
    EXPECT_EQ(mapnumblockgfx, m.numgfx);
    const bool gaps = m.headersize > 28, click = m.headersize > 36;
    EXPECT_EQ(mapblockgapx, gaps ? m.gapx : m.blockwidth);
    EXPECT_EQ(mapblockgapy, gaps ? m.gapy : m.blockheight);
    EXPECT_EQ(mapblockstaggerx, gaps ? m.staggerx : 0);
    EXPECT_EQ(mapblockstaggery, gaps ? m.staggery : 0);
    EXPECT_EQ(mapclickmask, click ? m.clickmask : 0);
}

BITMAP *expected_tile(std::int32_t number, bool foreground)
{
    return foreground && number == 0 ? nullptr : abmTiles[number];
}

void expect_blocks(const MapFile &m)
{
    ASSERT_NE(mapblockstrpt, nullptr);
    for (std::size_t k = 0; k < m.blocks.size(); ++k) {
        SCOPED_TRACE("block " + std::to_string(k));
        const MapFileBlock &f = m.blocks[k];
        const BlockStr &b = mapblockstrpt[k];
        EXPECT_EQ(b.gfx_bg.bitmap, expected_tile(f.gfx_bg, false));
        EXPECT_EQ(b.gfx_fg1.bitmap, expected_tile(f.gfx_fg1, true));
        EXPECT_EQ(b.gfx_fg2.bitmap, expected_tile(f.gfx_fg2, true));
        EXPECT_EQ(b.gfx_fg3.bitmap, expected_tile(f.gfx_fg3, true));
        EXPECT_EQ(b.attr1, f.attr1);
        EXPECT_EQ(b.attr2, f.attr2);
        EXPECT_EQ(b.attr3, f.attr3);
        EXPECT_EQ(b.attr4, f.attr4);
        EXPECT_EQ(b.attr5, f.attr5);
        EXPECT_EQ(b.attr6, f.attr6);
        EXPECT_EQ(b.attr7, f.attr7);
        EXPECT_EQ(b.flags, f.flags);
    }
}

// Animation k is the record k places before mapanimstrendpt, reset: returning ping-pongs and
// finished once-animations start over, the stored current frame and countdown are replaced.
void expect_animations(const MapFile &m)
{
    ASSERT_NE(mapanimseqpt, nullptr);
    for (std::size_t i = 0; i < m.animseq.size(); ++i)
        EXPECT_EQ(mapanimseqpt[i], m.animseq[i]) << "entry " << i;
    ASSERT_EQ(mapanimstrendpt - mapanimstrpt, static_cast<long>(m.anims.size()) + 1);
    EXPECT_EQ(mapanimstrpt[0].type, anim_end);
    for (std::size_t k = 1; k <= m.anims.size(); ++k) {
        SCOPED_TRACE("animation " + std::to_string(k));
        const MapFileAnim &f = m.anims[k - 1];
        const AnimStr &a = mapanimstrendpt[-static_cast<long>(k)];
        EXPECT_EQ(a.delay, f.delay);
        EXPECT_EQ(a.user, f.user);
        EXPECT_EQ(a.first, f.first);
        EXPECT_EQ(a.end, f.end);
        EXPECT_EQ(a.countdown, static_cast<std::int8_t>(f.delay));
    }
    EXPECT_EQ(mapanimstrendpt[-1].type, anim_loop_forward);
    EXPECT_EQ(mapanimstrendpt[-1].current, m.anims[0].first);
    EXPECT_EQ(mapanimstrendpt[-2].type, anim_pingpong_reverse);
    EXPECT_EQ(mapanimstrendpt[-2].current, m.anims[1].end - 1);
}

void expect_layers(const MapFile &m)
{
    for (int l = 0; l < MAP_LAYERS; ++l) {
        SCOPED_TRACE("layer " + std::to_string(l));
        if (m.layers[l].empty()) {
            EXPECT_EQ(mapmappt[l], nullptr);
            continue;
        }
        ASSERT_NE(mapmappt[l], nullptr);
        EXPECT_EQ(std::vector<short>(mapmappt[l], mapmappt[l] + m.layers[l].size()),
                  m.layers[l]);
        EXPECT_EQ(mapmaparraypt[l], nullptr);
    }
    EXPECT_EQ(mappt, mapmappt[0]);
    EXPECT_EQ(maparraypt, nullptr);
}

void expect_loaded_like(const MapFile &m)
{
    EXPECT_EQ(maperror, MER_NONE);
    expect_header(m);
    ASSERT_EQ(tile_count(), m.numgfx);
    EXPECT_EQ(abmTiles[m.numgfx], nullptr);
    EXPECT_EQ(abmTiles[0]->w, m.blockwidth);
    EXPECT_EQ(abmTiles[0]->h, m.blockheight);
    expect_blocks(m);
    expect_animations(m);
    expect_layers(m);
    EXPECT_STREQ(mapnovctext, m.novc.c_str());
    ASSERT_NE(mapcmappt, nullptr);
    EXPECT_EQ(Bytes(mapcmappt, mapcmappt + 768), m.cmap);
}

// The bytes of everything a load leaves, for comparing two loads of the same map.
Bytes snapshot()
{
    Bytes out;
    auto add = [&out](const void *p, std::size_t n) {
        if (n == 0)
            return;
        const auto *b = static_cast<const unsigned char *>(p);
        out.insert(out.end(), b, b + n);
    };
    const int numbers[] = {mapwidth, mapheight, mapblockwidth, mapblockheight, mapdepth,
                           mapaltdepth, mapblockstrsize, mapnumblockstr, mapnumblockgfx,
                           mapblockgapx, mapblockgapy, mapblockstaggerx, mapblockstaggery,
                           mapclickmask, maptype, mapislsb, mapblocksinsysmem};
    add(numbers, sizeof numbers);
    for (int k = 0; k < mapnumblockstr; ++k)
        add(&mapblockstrpt[k].attr1, sizeof(BlockStr) - offsetof(BlockStr, attr1));
    for (short *layer : mapmappt)
        if (layer)
            add(layer, sizeof(short) * mapwidth * mapheight);
    add(mapanimstrpt, sizeof(AnimStr) * (mapanimstrendpt - mapanimstrpt));
    add(mapblockgfxpt, static_cast<std::size_t>(mapnumblockgfx) * mapblockwidth *
                           mapblockheight * ((mapdepth + 1) / 8));
    add(mapnovctext, std::strlen(mapnovctext));
    return out;
}

using Form = std::tuple<int, bool, int>; // map type, little-endian, header size

class RoundTrip : public HeadlessTest, public ::testing::WithParamInterface<Form> {
protected:
    MapFile map() const
    {
        const auto [type, lsb, headersize] = GetParam();
        return sample_map(type, lsb, headersize);
    }
};

TEST_P(RoundTrip, MemoryImageDecodesToTheWrittenMap)
{
    const MapFile m = map();
    ASSERT_EQ(MapDecode(encode(m).data()), 0) << "maperror " << maperror;
    expect_loaded_like(m);
    EXPECT_EQ(mapgfxinbitmaps, 2);
    EXPECT_EQ(mapblocksinsysmem, m.numgfx);
    EXPECT_EQ(mapblocksinvidmem, 0);
}

TEST_P(RoundTrip, FileLoadsGiveTheSameStateAsTheImage)
{
    const MapFile m = map();
    const Bytes image = encode(m);
    testfiles::ScratchFile file("roundtrip.fmp");
    ASSERT_TRUE(file.write(image));
    ASSERT_EQ(MapDecode(image.data()), 0);
    const Bytes decoded = snapshot();
    ASSERT_EQ(MapLoad(file.path()), 0) << "maperror " << maperror;
    expect_loaded_like(m);
    EXPECT_EQ(snapshot(), decoded);
    EXPECT_EQ(mapfilept, nullptr);
    ASSERT_EQ(MapLoadABM(file.path()), 0);
    EXPECT_EQ(snapshot(), decoded);
    EXPECT_EQ(mapgfxinbitmaps, 2);
}

INSTANTIATE_TEST_SUITE_P(EveryForm, RoundTrip,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3), ::testing::Bool(),
                                            ::testing::Values(24, 28, 36, 38)));

class RoundTripOnScreens : public HeadlessDepthTest {};

// Only the graphics depend on the screen: everything else decodes the same on every depth.
TEST_P(RoundTripOnScreens, TrueColourMapDecodesOnEveryScreenDepth)
{
    MapFile m = sample_map(3, true);
    m.depth = 24;
    m.gfx.assign(static_cast<std::size_t>(SAMPLE_GFX) * SAMPLE_BLOCK_PIXELS * 3, 0x40);
    ASSERT_EQ(MapDecode(encode(m).data()), 0) << "maperror " << maperror;
    expect_loaded_like(m);
}

INSTANTIATE_TEST_SUITE_P(Depths, RoundTripOnScreens, ::testing::Values(8, 15, 16, 24, 32));

using RoundTripFile = HeadlessTest;

TEST_F(RoundTripFile, PackedFileLoadsLikeAPlainOne)
{
    const MapFile m = sample_map(2);
    const Bytes image = encode(m);
    testfiles::ScratchFile file("packed.fmp");
    ASSERT_TRUE(testfiles::write_packed_file(file.path(), image));
    ASSERT_EQ(MapLoad(file.path()), 0) << "maperror " << maperror;
    expect_loaded_like(m);
}

// A program's own chunks are written after the map's, skipped by the decoders and kept for
// MapGetChunk until the map is released; the walk lists them like any other chunk.
TEST_F(RoundTripFile, ChunksOfAProgramsOwnComeBackAndLeaveTheMapAsItWas)
{
    const MapFile plain = sample_map(2);
    MapFile own = plain;
    own.extra_chunks = {{"ORST", {1, 2, 3, 4, 5}}, {"x y!", {}}};
    const Bytes image = encode(own);
    testfiles::ScratchFile file("own.fmp");
    ASSERT_TRUE(file.write(image));
    ASSERT_EQ(MapDecode(encode(plain).data()), 0);
    const Bytes without = snapshot();
    EXPECT_EQ(MapGetChunk("ORST", nullptr), nullptr);

    ASSERT_EQ(MapLoad(file.path()), 0) << "maperror " << maperror;
    EXPECT_EQ(snapshot(), without) << "the map is the same as without them";
    std::uint32_t length = 99;
    const unsigned char *data = MapGetChunk("ORST", &length);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(Bytes(data, data + length), own.extra_chunks[0].data);
    EXPECT_NE(MapGetChunk("x y!", &length), nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(MapGetChunk("BODY", &length), nullptr) << "the map's own chunks are not kept";
    EXPECT_EQ(length, 0u);

    MapChunkWalk walk;
    ASSERT_EQ(MapWalkChunks(file.path(), walk), 0) << walk.problem;
    const std::vector<Chunk> written = split(image);
    ASSERT_EQ(walk.chunks.size(), written.size());
    EXPECT_EQ(walk.chunks[written.size() - 3].id, "LYR7");
    EXPECT_EQ(walk.chunks[written.size() - 2].id, "ORST");
    EXPECT_EQ(walk.chunks.back().id, "x y!");
    EXPECT_EQ(walk.chunks.back().length, 0u);

    MapFreeMem();
    EXPECT_EQ(MapGetChunk("ORST", &length), nullptr) << "released with the map";

    // Of two chunks of one identifier, which the writer does not make, the first.
    std::vector<Chunk> twice = written;
    twice.push_back({"ORST", {9}});
    ASSERT_EQ(MapDecode(join(twice).data()), 0) << "maperror " << maperror;
    data = MapGetChunk("ORST", &length);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(Bytes(data, data + length), own.extra_chunks[0].data);
}

TEST_F(RoundTripFile, ImageMayBeReleasedRightAfterTheDecode)
{
    const MapFile m = sample_map(1);
    {
        const Bytes image = encode(m);
        ASSERT_EQ(MapDecode(image.data()), 0);
    }
    expect_loaded_like(m);
}

TEST_F(RoundTripFile, MapWithoutLayersLoadsWithNoCurrentLayer)
{
    MapFile m = sample_map(1);
    for (auto &layer : m.layers)
        layer.clear();
    ASSERT_EQ(MapDecode(encode(m).data()), 0);
    EXPECT_EQ(mappt, nullptr);
    EXPECT_EQ(tile_count(), SAMPLE_GFX);
    EXPECT_EQ(MapGenerateYLookup(), 0);
    EXPECT_EQ(maparraypt, nullptr);
}

TEST_F(RoundTripFile, MapWithoutAnimationsHasNoRecords)
{
    MapFile m = sample_map(1);
    m.anims.clear();
    m.animseq.clear();
    for (auto &layer : m.layers)
        for (short &cell : layer)
            cell = cell < 0 ? 0 : cell;
    ASSERT_EQ(MapDecode(encode(m).data()), 0);
    EXPECT_EQ(mapanimstrpt, nullptr);
    EXPECT_EQ(mapanimseqpt, nullptr);
}

} // namespace
